#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs each for a bounded time on its seed
# corpus. A crash fails the run and leaves its input in the work folder: fix
# it and keep the input as a regression case of the reader's tests.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QVX_FUZZ_BUILD:-$here/build-fuzz}"
seconds="${QVX_FUZZ_SECONDS:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$here/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j"${QVX_JOBS:-2}"

for target in cimxml mof appliance; do
  echo "== fuzz $target (${seconds}s)"
  dict=()
  [[ -f "$here/fuzz/$target.dict" ]] && dict=(-dict="$here/fuzz/$target.dict")
  mkdir -p "$work/$target"
  status=0
  (cd "$work" && "$build/${target}_fuzz" "${dict[@]}" -max_total_time="$seconds" \
     -max_len=65536 -print_final_stats=1 "$work/$target" "$here/fuzz/corpus/$target") \
     >"$work/$target.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|SUMMARY)' "$work/$target.log" || true
  if ((status != 0)); then
    tail -40 "$work/$target.log"
    mkdir -p "$here/build-fuzz-crashes"
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$here/build-fuzz-crashes/" 2>/dev/null || true
    echo "fuzz $target failed; inputs kept in build-fuzz-crashes/"
    exit 1
  fi
done
