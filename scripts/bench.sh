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
  cimload qvx-cimom qvx-cimom-tls QVXInventoryProvider

"$build/bin/provider_bench_instant" --benchmark_out="$work/instant.csv" \
  --benchmark_out_format=csv --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
QVX_SIM_REGISTRY="$work/registry.sqlite" "$build/bin/provider_bench_simulator" \
  --benchmark_out="$work/simulator.csv" --benchmark_out_format=csv \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# The server over loopback with keep-alive, at one and at four connections:
# HTTP first, then a server with HTTPS too (its own process, so that the
# memory figures of each stand alone).
export QVX_SIM_REGISTRY="$work/server-registry.sqlite"
server=
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
serve() {  # qvx-cimom arguments...; sets server, port and tls_port
  "$build/bin/qvx-cimom" --listen 127.0.0.1:0 --state "$work" --log "$work/server.log" "$@" \
    >"$work/server.out" &
  server=$!
  local lines=1  # a readiness line a listener
  [[ " $* " == *" --tls-cert "* ]] && lines=2
  for _ in $(seq 100); do
    [[ $(grep -c '^listening on' "$work/server.out" 2>/dev/null) -ge $lines ]] && break
    sleep 0.1
  done
  port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/server.out")
  tls_port=$(sed -n 's/^listening on .*:\([0-9]*\) (HTTPS)$/\1/p' "$work/server.out")
  [[ -n "$port" ]] || { echo "server did not start"; cat "$work/server.log"; exit 1; }
}
rss() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$server/status"; }
mib() { echo "$(($1 / 1024)).$((($1 % 1024) * 10 / 1024)) MiB"; }
# Loopback latency on a shared virtual machine swings from run to run: three
# runs a row, and the one with the middle median is kept.
load() {  # request, connections, cimload options...
  for _ in 1 2 3; do
    "$build/bin/cimload" --request "$1" --connections "$2" --seconds 3 "${@:3}"
  done | tee /dev/stderr | sed 's/.*p50_us=\([0-9.]*\).*/\1 &/' | sort -n | sed -n '2s/^[^ ]* //p' \
    >>"$work/load.txt"
}

serve
idle_kib=$(rss VmRSS)
: >"$work/load.txt"
for request in GetInstance EnumerateInstances; do
  for connections in 1 4; do load "$request" "$connections" --port "$port"; done
done
peak_kib=$(rss VmHWM)
kill "$server"
wait "$server" || true

openssl req -x509 -newkey rsa:3072 -nodes -days 1 -subj /CN=localhost \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
serve --tls-listen 127.0.0.1:0 --tls-cert "$work/cert.pem" --tls-key "$work/key.pem"
tls_idle_kib=$(rss VmRSS)
for connections in 1 4; do load GetInstance "$connections" --port "$tls_port" --tls; done
tls_peak_kib=$(rss VmHWM)
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
  echo "GetInstance of the main chassis, EnumerateInstances of the two expansion chassis;"
  echo "/HTTPS: TLS with an RSA 3072 certificate, the handshake once a connection),"
  echo "simulator libraries behind the provider:"
  echo
  echo "| request | connections | requests/s | median (µs) | p99 (µs) |"
  echo "|---|---:|---:|---:|---:|"
  awk '{ for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
         printf "| %s | %s | %s | %s | %s |\n", $1, v["connections"], v["rps"], v["p50_us"], v["p99_us"] }' \
    "$work/load.txt"
  echo
  echo "Server resident memory: $(mib "$idle_kib") idle after start, $(mib "$peak_kib") peak under the"
  echo "HTTP load above. With HTTPS on too (the TLS module and OpenSSL loaded): $(mib "$tls_idle_kib") idle"
  echo "after start, $(mib "$tls_peak_kib") peak under the HTTPS load."
} >"$results"
cat "$results"
