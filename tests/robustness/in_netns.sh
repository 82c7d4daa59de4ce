#!/usr/bin/env bash
# Runs a command in a network namespace of its own, with only the loopback
# interface up, so that what it sends and binds stays there. The command
# learns it from BRINDOL_OWN_NETNS=1.
# Usage: in_netns.sh COMMAND [ARGS...]; the exit status is the command's.
set -euo pipefail
if [[ "${BRINDOL_OWN_NETNS:-}" != 1 ]]; then
  export BRINDOL_OWN_NETNS=1
  exec unshare -n bash "$0" "$@"
fi
ip link set lo up
exec "$@"
