#!/usr/bin/env bash
# Builds from scratch and runs every test: a plain build with warnings as
# errors, the same under AddressSanitizer + UndefinedBehaviorSanitizer, and
# the concurrency tests under ThreadSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${QVX_BUILD_ROOT:-$here/build-test}"
jobs="${QVX_JOBS:-2}"

run() {  # name, extra cmake options..., then "--" and ctest options
  local name="$1"; shift
  local cmake_opts=()
  while [[ "$1" != "--" ]]; do cmake_opts+=("$1"); shift; done
  shift
  echo "== $name"
  rm -rf "$out/$name"
  cmake -S "$here" -B "$out/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVX_WERROR=ON "${cmake_opts[@]}" >/dev/null
  cmake --build "$out/$name" -j"$jobs"
  ctest --test-dir "$out/$name" --output-on-failure -j"$jobs" "$@"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1

run tsan -DQVX_SANITIZE=thread -- -L concurrency
run plain --
run asan -DQVX_SANITIZE=address,undefined --
