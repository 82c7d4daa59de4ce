#!/usr/bin/env bash
# Runs a command inside a small network lab of its own, never on the host's
# interfaces:
#
#   this namespace (new, empty)            printer namespace (new, empty)
#   lo 127.0.0.1                           lo
#   v0 10.77.1.1/24  <------ veth ------>  p0 10.77.1.2/24
#   v1 10.77.2.1/24  <------ veth ------>  p1 10.77.2.2/24
#
# A limited broadcast (255.255.255.255) sent from 10.77.1.1 leaves through
# v0, one from 10.77.2.1 through v1. The command learns the lab from
#   BRINDOL_LAB=1
#   BRINDOL_LAB_ADDRESSES="10.77.1.1 10.77.2.1"           (this side)
#   BRINDOL_LAB_PRINTER_ADDRESSES="10.77.1.2 10.77.2.2"   (the printer side)
#   BRINDOL_LAB_PRINTER_PID=PID   (enter with: nsenter -t PID -n PROGRAM ...)
# Usage: lab.sh COMMAND [ARGS...]; the exit status is the command's.
set -euo pipefail
if [[ $# -lt 1 ]]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
if [[ "${BRINDOL_LAB_OUTSIDE_DONE:-}" != 1 ]]; then
  export BRINDOL_LAB_OUTSIDE_DONE=1
  exec unshare -n bash "$0" "$@"
fi

ip link set lo up
# The printer namespace lives as long as this process that holds it.
unshare -n sleep 86400 &
holder=$!
cleanup() { kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 50); do
  [[ "$(readlink /proc/$holder/ns/net)" != "$(readlink /proc/self/ns/net)" ]] && break
  sleep 0.05
done
nsenter -t "$holder" -n ip link set lo up

table=101
for n in 1 2; do
  mine=10.77.$n.1 theirs=10.77.$n.2 near=v$((n - 1)) far=p$((n - 1))
  ip link add "$near" type veth peer name "$far"
  ip link set "$far" netns "$holder"
  ip addr add "$mine/24" dev "$near"
  ip link set "$near" up
  nsenter -t "$holder" -n ip addr add "$theirs/24" dev "$far"
  nsenter -t "$holder" -n ip link set "$far" up
  ip rule add from "$mine" lookup "$table"
  ip route add 255.255.255.255 dev "$near" src "$mine" table "$table"
  table=$((table + 1))
done

export BRINDOL_LAB=1
export BRINDOL_LAB_ADDRESSES="10.77.1.1 10.77.2.1"
export BRINDOL_LAB_PRINTER_ADDRESSES="10.77.1.2 10.77.2.2"
export BRINDOL_LAB_PRINTER_PID=$holder
"$@"
