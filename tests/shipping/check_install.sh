#!/usr/bin/env bash
# What is shipped, checked from a scratch folder: the files each component
# holds, no build path in any of them, and the installed qvx-cimom serving
# the inventory to wbemcli from where it was put, with nothing taken from
# the build folder.
#   check_install.sh install BUILD_DIR SOURCE_DIR
#     cmake --install of both components with DESTDIR
#   check_install.sh packages DIST_DIR SOURCE_DIR BUILD_DIR...
#     the Debian packages in DIST_DIR unpacked with dpkg-deb -x, their
#     dependencies read with dpkg-deb -I
set -euo pipefail
absolute() { (cd "$1" && pwd); }
mode="$1" from="$(absolute "$2")" src="$(absolute "$3")"
shift 3
build_dirs=()
for dir in "$@"; do build_dirs+=("$(absolute "$dir")"); done
[[ "$mode" == install ]] && build_dirs=("$from")

scratch="$(mktemp -d)"
server=""
cleanup() {
  if [[ -n "$server" ]]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Files of a component under a root, relative and sorted.
files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort); }
expect_files() {  # root, description, expected paths...
  local root="$1" what="$2"
  shift 2
  local want have
  want="$(printf '%s\n' "$@" | sort)"
  have="$(files_under "$root")"
  [[ "$have" == "$want" ]] || fail "$what holds"$'\n'"$have"$'\n'"instead of"$'\n'"$want"
}
no_build_path() {  # root
  local dir hits
  for dir in "$src" "${build_dirs[@]}"; do
    hits="$(grep -rlaF "$dir" "$1" || true)"
    [[ -z "$hits" ]] || fail "build path $dir in: $hits"
  done
}

# Starts root/prefix/bin/qvx-cimom on a free loopback port and reads the
# classes and the chassis with wbemcli.
serve() {  # root, prefix (without leading /), bindir
  local root="$1" exe="$1/$2/$3/qvx-cimom"
  env -u LD_LIBRARY_PATH -u QVX_SIM_APPLIANCE -u QVX_SIM_REGISTRY \
    "$exe" --listen 127.0.0.1:0 --state "$scratch/state" >"$scratch/server.out" 2>"$scratch/server.err" &
  server=$!
  local port="" i
  for ((i = 0; i < 100; i++)); do
    port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$scratch/server.out")"
    [[ -n "$port" ]] && break
    kill -0 "$server" 2>/dev/null || fail "installed qvx-cimom stopped: $(cat "$scratch/server.err")"
    sleep 0.1
  done
  [[ -n "$port" ]] || fail "installed qvx-cimom did not start listening"

  local url="http://127.0.0.1:$port/root/cimv2" classes chassis
  classes="$(wbemcli ecn "$url" | sed 's/.*://' | sort)"
  [[ "$classes" == $'QVX_MBMLogicalModule\nQVX_Z64Chassis\nQVX_Z64ExpansionChassis' ]] ||
    fail "classes listed: $classes"
  chassis="$(wbemcli gi "$url:QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"")"
  for want in 'Tag="Chassis"' 'PhysicalType=3' 'SerialNumber="QVX'; do
    [[ "$chassis" == *"$want"* ]] || fail "chassis read without $want: $chassis"
  done
  # Provider and libraries came from the scratch tree, none from the build.
  local mapped
  mapped="$(grep -o '/.*\.so.*' "/proc/$server/maps" | sort -u)"
  [[ "$mapped" == *"$root/"*"/openwbem/c++providers/libQVXInventoryProvider.so"* ]] ||
    fail "installed provider not loaded: $mapped"
  for dir in "${build_dirs[@]}"; do
    [[ "$mapped" != *"$dir/"* ]] || fail "library mapped from the build folder: $mapped"
  done
  kill "$server"
  wait "$server" || true
  server=""
  echo "served from $root: ${classes//$'\n'/, }; chassis read"
}

# The devkit's unit file is valid where systemd can say so.
verify_unit() {  # unit file
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$1" || fail "systemd-analyze verify $1"
  else
    echo "systemd-analyze not available: unit not verified"
  fi
}

provider_files() {  # prefix, libdir, datadir
  echo "$1/$2/openwbem/c++providers/libQVXInventoryProvider.so" "$1/$3/qvx-inventory/QVX_Inventory.mof"
}
devkit_files() {  # prefix, libdir, datadir, bindir, sysconfdir (without leading /)
  echo "$1/$4/qvx-cimom" "$1/$4/qvx-inventory" "$1/$2/qvx-inventory/libowapi.so" \
    "$1/$2/qvx-inventory/libosa.so" "$1/$2/qvx-inventory/libSblimUtilities.so" \
    "$1/$2/qvx-inventory/libqvx-cimom-tls.so" \
    "$1/$3/qvx-inventory/appliance.yaml" "$1/lib/systemd/system/qvx-cimom.service" \
    "$5/default/qvx-cimom"
}

cache() { sed -n "s/^$1:[A-Z]*=//p" "$from/CMakeCache.txt"; }

case "$mode" in
install)
  prefix="$(cache CMAKE_INSTALL_PREFIX)"
  prefix="${prefix#/}"
  libdir="$(cache CMAKE_INSTALL_LIBDIR)" datadir="$(cache CMAKE_INSTALL_DATADIR)"
  [[ -n "$datadir" ]] || datadir="$(cache CMAKE_INSTALL_DATAROOTDIR)"
  bindir="$(cache CMAKE_INSTALL_BINDIR)"
  # Where GNUInstallDirs put the configuration (/etc for /usr), as the unit names it.
  sysconf="$(sed -n 's|^EnvironmentFile=-/\(.*\)/default/qvx-cimom$|\1|p' "$from/packaging/qvx-cimom.service")"
  for component in provider devkit; do
    mkdir -p "$scratch/$component"
    DESTDIR="$scratch/$component" cmake --install "$from" --component "$component" >/dev/null
  done
  # shellcheck disable=SC2046
  expect_files "$scratch/provider" "provider component" $(provider_files "$prefix" "$libdir" "$datadir")
  # shellcheck disable=SC2046
  expect_files "$scratch/devkit" "devkit component" \
    $(devkit_files "$prefix" "$libdir" "$datadir" "$bindir" "$sysconf")
  no_build_path "$scratch"
  verify_unit "$scratch/devkit/$prefix/lib/systemd/system/qvx-cimom.service"
  # Both components in one tree, as on a workstation.
  mkdir -p "$scratch/both"
  cp -a "$scratch/provider/." "$scratch/devkit/." "$scratch/both/"
  serve "$scratch/both" "$prefix" "$bindir"
  ;;
packages)
  shopt -s nullglob
  for deb in "$from"/*.deb; do
    arch="$(dpkg-deb -f "$deb" Architecture)"
    name="$(dpkg-deb -f "$deb" Package)"
    depends="$(dpkg-deb -I "$deb" | sed -n 's/^ Depends: //p')"
    echo "$name ($arch): Depends: $depends"
    multiarch="$(dpkg-architecture -a"$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)"
    mkdir -p "$scratch/$name-$arch"
    dpkg-deb -x "$deb" "$scratch/$name-$arch"
    case "$name" in
    qvx-inventory-provider)
      # shellcheck disable=SC2046
      expect_files "$scratch/$name-$arch" "$(basename "$deb")" \
        $(provider_files usr "lib/$multiarch" share)
      # The runtime, from shlibdeps, under the names the package's own
      # architecture has; the platform libraries are the appliance's.
      for want in 'libc6 (>= ' 'libstdc++6 (>= ' 'libgcc-s1 (>= '; do
        [[ "$depends" == *"$want"* ]] || fail "$name ($arch) does not depend on $want"
      done
      [[ "$depends" != *lib32* && "$depends" != *-i386* && "$depends" != *osa* ]] ||
        fail "$name ($arch) depends on $depends"
      ;;
    qvx-inventory-devkit)
      # shellcheck disable=SC2046
      expect_files "$scratch/$name-$arch" "$(basename "$deb")" \
        $(devkit_files usr "lib/$multiarch" share bin etc)
      version="$(dpkg-deb -f "$deb" Version)"
      for want in "qvx-inventory-provider (= $version)" 'libc6 (>= ' 'libstdc++6 (>= ' \
        'libyaml-cpp' 'libsqlite3-0 (>= ' 'libexpat1 (>= ' 'libcrypt1 (>= '; do
        [[ "$depends" == *"$want"* ]] || fail "$name ($arch) does not depend on $want"
      done
      [[ "$(dpkg-deb -f "$deb" Conffiles 2>/dev/null; dpkg-deb -I "$deb" conffiles)" == *"/etc/default/qvx-cimom"* ]] ||
        fail "$name: /etc/default/qvx-cimom is not a conffile"
      verify_unit "$scratch/$name-$arch/usr/lib/systemd/system/qvx-cimom.service"
      # With the provider package of its architecture, as dpkg -i would put them.
      mkdir -p "$scratch/workstation"
      cp -a "$scratch/$name-$arch/." "$scratch/workstation/"
      dpkg-deb -x "$(ls "$from"/qvx-inventory-provider_*_"$arch".deb)" "$scratch/workstation"
      ;;
    *) fail "unexpected package $deb" ;;
    esac
    no_build_path "$scratch/$name-$arch"
  done
  [[ -d "$scratch/workstation" ]] || fail "no devkit package in $from"
  serve "$scratch/workstation" usr bin
  ;;
*)
  fail "mode is install or packages, not $mode"
  ;;
esac
echo "shipping checks passed ($mode)"
