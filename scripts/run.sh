#!/usr/bin/env bash
# Builds (Release, into build/) and serves the simulated appliance's
# inventory over CIM-XML/HTTP on 127.0.0.1:5988 until Ctrl-C. State (the
# registry) is kept in run/. Extra arguments go to qvx-cimom, e.g.
#   scripts/run.sh --passwd run/passwd
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QVX_BUILD_DIR:-$here/build}"
jobs="${QVX_JOBS:-2}"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target qvx-cimom QVXInventoryProvider osa SblimUtilities

export QVX_SIM_APPLIANCE="${QVX_SIM_APPLIANCE:-$here/simulator/appliance.yaml}"
mkdir -p "$here/run"

url='http://localhost:5988/root/cimv2'
chassis='QVX_Z64Chassis.Tag="Chassis",CreationClassName="QVX_Chassis"'
cat <<EOF

Serving the appliance described by $QVX_SIM_APPLIANCE
(edit it while the server runs; state in run/). Try, in another terminal:

  wbemcli ein '$url:QVX_Z64Chassis'
  wbemcli ei  '$url:QVX_Z64ExpansionChassis'
  wbemcli ei  '$url:QVX_MBMLogicalModule'
  wbemcli gi  '$url:$chassis'
  wbemcli mi  '$url:$chassis' 'OwnerName=Lab team'
  wbemcli gi  '$url:$chassis' OwnerName,Location

URLs have the form http://localhost:5988/root/cimv2:QVX_Z64Chassis (namespace,
then class and keys); with --passwd, put user:password@ before the host.
Ctrl-C stops the server.

EOF
exec "$build/bin/qvx-cimom" --listen 127.0.0.1:5988 --state "$here/run" "$@"
