#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to re-run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
packages=(build-essential cmake pkg-config binutils libgtest-dev libgmock-dev)
while read -r p; do
  [[ -n "$p" && "$p" != \#* ]] && packages+=("$p")
done < "$here/.ci/packages.txt"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
