#!/usr/bin/env bash
# Runs the benchmarks and writes bench/RESULTS.md: for every request of every
# class, the provider's own cost (constant-answer platform libraries) next to
# the cost with the simulator libraries behind it, and allocations per item.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QVX_BENCH_BUILD:-$here/build-bench}"
results="$here/bench/RESULTS.md"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQVX_BENCH=ON >/dev/null
cmake --build "$build" -j"${QVX_JOBS:-2}" --target provider_bench_instant provider_bench_simulator \
  cimload qvx-cimom QVXInventoryProvider

"$build/bin/provider_bench_instant" --benchmark_out="$work/instant.csv" \
  --benchmark_out_format=csv --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
QVX_SIM_REGISTRY="$work/registry.sqlite" "$build/bin/provider_bench_simulator" \
  --benchmark_out="$work/simulator.csv" --benchmark_out_format=csv \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# The server over loopback with keep-alive, at one and at four connections.
export QVX_SIM_REGISTRY="$work/server-registry.sqlite"
"$build/bin/qvx-cimom" --listen 127.0.0.1:0 --state "$work" --log "$work/server.log" \
  >"$work/server.out" &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q '^listening on' "$work/server.out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/server.out")
[[ -n "$port" ]] || { echo "server did not start"; cat "$work/server.log"; exit 1; }
rss() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$server/status"; }
idle_kib=$(rss VmRSS)
# Loopback latency on a shared virtual machine swings from run to run: three
# runs a row, and the one with the middle median is kept.
: >"$work/load.txt"
for request in GetInstance EnumerateInstances; do
  for connections in 1 4; do
    for _ in 1 2 3; do
      "$build/bin/cimload" --port "$port" --request "$request" --connections "$connections" \
        --seconds 3
    done | tee /dev/stderr | sed 's/.*p50_us=\([0-9.]*\).*/\1 &/' | sort -n | sed -n '2s/^[^ ]* //p' \
      >>"$work/load.txt"
  done
done
peak_kib=$(rss VmHWM)
kill "$server"
wait "$server" || true

{
  echo "# Benchmark results"
  echo
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(uname -sr); $(date -u +%Y-%m-%d)."
  echo
  echo "CPU time per request, the fastest of five repetitions. *ours* runs against"
  echo "platform libraries that answer at once from constants; *with simulator* adds"
  echo "the stand-in libraries (YAML appliance description, SQLite registry)."
  echo "*our share* = ours / with simulator."
  echo
  echo "| request | class | ours (µs) | with simulator (µs) | our share | allocations per item |"
  echo "|---|---|---:|---:|---:|---:|"
  awk -F, '
    function unq(s) { gsub(/"/, "", s); return s }
    /^name,/ { for (i = 1; i <= NF; i++) col[FILENAME, unq($i)] = i; next }
    unq($1) ~ /_min$/ {
      name = unq($1); sub(/_min$/, "", name)
      cpu = $col[FILENAME, "cpu_time"] / 1000
      if (FILENAME ~ /instant/) { ours[name] = cpu; label[name] = unq($col[FILENAME, "label"]);
                                  allocs[name] = $col[FILENAME, "allocs_per_item"]; order[++n] = name }
      else sim[name] = cpu
    }
    END {
      for (i = 1; i <= n; i++) {
        k = order[i]; split(k, part, "/")
        printf "| %s | %s | %.2f | %.2f | %.0f%% | %.0f |\n", part[1], label[k], ours[k], sim[k],
               (sim[k] > 0 ? 100 * ours[k] / sim[k] : 0), allocs[k]
      }
    }' "$work/instant.csv" "$work/simulator.csv"

  echo
  echo "Server round trip over loopback with keep-alive (\`cimload\`, the middle of three 3 s runs;"
  echo "GetInstance of the main chassis, EnumerateInstances of the two expansion chassis),"
  echo "simulator libraries behind the provider:"
  echo
  echo "| request | connections | requests/s | median (µs) | p99 (µs) |"
  echo "|---|---:|---:|---:|---:|"
  awk '{ for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
         printf "| %s | %s | %s | %s | %s |\n", $1, v["connections"], v["rps"], v["p50_us"], v["p99_us"] }' \
    "$work/load.txt"
  echo
  echo "Server resident memory: $((idle_kib / 1024)).$(((idle_kib % 1024) * 10 / 1024)) MiB idle after start," \
    "$((peak_kib / 1024)).$(((peak_kib % 1024) * 10 / 1024)) MiB peak under the load above."
} >"$results"
cat "$results"
