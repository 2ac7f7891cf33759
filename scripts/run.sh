#!/usr/bin/env bash
# Builds (Release, into build/) and serves the simulated appliance's
# inventory over CIM-XML on 127.0.0.1: HTTP on 5988, HTTPS on 5989, until
# Ctrl-C. State (the registry) and a self-signed certificate, made on first
# start, are kept in run/. Extra arguments go to qvx-cimom, e.g.
#   scripts/run.sh --passwd run/passwd
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QVX_BUILD_DIR:-$here/build}"
jobs="${QVX_JOBS:-2}"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target qvx-cimom qvx-cimom-tls QVXInventoryProvider osa SblimUtilities

export QVX_SIM_APPLIANCE="${QVX_SIM_APPLIANCE:-$here/simulator/appliance.yaml}"
mkdir -p "$here/run"

# A certificate for localhost, valid for a year; the key readable by its owner alone.
cert="$here/run/cert.pem"
key="$here/run/key.pem"
if [[ ! -s "$cert" || ! -s "$key" ]]; then
  (umask 077 && openssl req -x509 -newkey rsa:3072 -nodes -days 365 -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1 \
    -keyout "$key" -out "$cert" 2>/dev/null)
  chmod 644 "$cert"
  echo "Made a self-signed certificate for localhost: $cert"
fi

url='http://localhost:5988/root/cimv2'
tls='https://localhost:5989/root/cimv2'
chassis='QVX_Z64Chassis.Tag="Chassis",CreationClassName="QVX_Chassis"'
cat <<EOT

Serving the appliance described by $QVX_SIM_APPLIANCE
(edit it while the server runs; state in run/). Try, in another terminal:

  wbemcli ein '$url:QVX_Z64Chassis'
  wbemcli ei  '$url:QVX_Z64ExpansionChassis'
  wbemcli ei  '$url:QVX_MBMLogicalModule'
  wbemcli gi  '$url:$chassis'
  wbemcli mi  '$url:$chassis' 'OwnerName=Lab team'
  wbemcli gi  '$url:$chassis' OwnerName,Location

and over HTTPS, trusting the certificate made in run/ (or not checking it):

  wbemcli ein -cacert run/cert.pem '$tls:QVX_Z64Chassis'
  wbemcli ei  -noverify '$tls:QVX_MBMLogicalModule'

URLs have the form http://localhost:5988/root/cimv2:QVX_Z64Chassis (namespace,
then class and keys); with --passwd, put user:password@ before the host.
Ctrl-C stops the server.

EOT
exec "$build/bin/qvx-cimom" --listen 127.0.0.1:5988 --tls-listen 127.0.0.1:5989 \
  --tls-cert "$cert" --tls-key "$key" --state "$here/run" "$@"
