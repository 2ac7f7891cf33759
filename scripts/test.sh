#!/usr/bin/env bash
# Builds from scratch and runs every test, warnings as errors throughout:
# the concurrency tests under ThreadSanitizer, the 32-bit build (the
# appliance's word size), the packages (scripts/package.sh, into dist/) with
# the shape and runtime needs of the shipped library, the install and the
# packages' content served from a scratch folder, the fuzz targets for a
# bounded time, and everything under AddressSanitizer +
# UndefinedBehaviorSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${QVX_BUILD_ROOT:-$here/build-test}"
jobs="${QVX_JOBS:-2}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

configure() {  # name, cmake options...
  local name="$1"; shift
  echo "== $name"
  rm -rf "${out:?}/$name"
  cmake -S "$here" -B "$out/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVX_WERROR=ON \
    "${launcher[@]}" "$@" >/dev/null
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1

# Only the concurrency tests need ThreadSanitizer: build just those.
configure tsan -DQVX_SANITIZE=thread
targets=$(cmake --build "$out/tsan" --target help | sed -n 's/^\.\.\. \([a-z_]*concurrency_tests\)$/\1/p')
cmake --build "$out/tsan" -j"$jobs" --target $targets
ctest --test-dir "$out/tsan" --output-on-failure -j"$jobs" -L concurrency

configure m32 -DQVX_M32=ON
cmake --build "$out/m32" -j"$jobs"
ctest --test-dir "$out/m32" --output-on-failure -j"$jobs"

# The packages' builds are the shipped, unsanitized form: check it there.
QVX_PACKAGE_BUILD="$out/package" "$here/scripts/package.sh"
ctest --test-dir "$out/package/native" --output-on-failure -L shipping
"$here/tests/shipping/check_install.sh" packages "${QVX_DIST:-$here/dist}" "$here" \
  "$out/package/native" "$out/package/m32"

# Each reader of outside input under libFuzzer for a bounded time.
QVX_FUZZ_BUILD="$out/fuzz" QVX_FUZZ_SECONDS="${QVX_FUZZ_SECONDS:-30}" "$here/scripts/fuzz.sh"

configure asan -DQVX_SANITIZE=address,undefined
cmake --build "$out/asan" -j"$jobs"
ctest --test-dir "$out/asan" --output-on-failure -j"$jobs"
