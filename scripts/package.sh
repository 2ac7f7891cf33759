#!/usr/bin/env bash
# Builds the Debian packages into dist/ (QVX_DIST): the provider for amd64
# and, from the 32-bit build, for i386; the devkit for amd64. The builds
# (Release with debug information, installed under /usr, stripped in the
# packages) are kept in build-package/ (QVX_PACKAGE_BUILD).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${QVX_PACKAGE_BUILD:-$here/build-package}"
dist="${QVX_DIST:-$here/dist}"
jobs="${QVX_JOBS:-2}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

package() {  # name, targets (comma-separated), cmake options...
  local name="$1" targets="$2"
  shift 2
  echo "== package $name"
  cmake -S "$here" -B "$out/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DQVX_WERROR=ON "${launcher[@]}" "$@" >/dev/null
  # Only what the packages hold: cpack installs, it does not build.
  cmake --build "$out/$name" -j"$jobs" --target ${targets//,/ }
  (cd "$out/$name" && cpack -G DEB -B "$dist" >/dev/null)
}

rm -rf "$dist"
mkdir -p "$dist"
package native QVXInventoryProvider,qvx-cimom,qvx-inventory
package m32 QVXInventoryProvider -DQVX_M32=ON
rm -rf "$dist/_CPack_Packages"
for deb in "$dist"/*.deb; do
  echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
done
