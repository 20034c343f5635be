#!/usr/bin/env bash
# The update check under Wine against a web server of our own on 127.0.0.1.
#
# Starts manifest_server.py on a free loopback port, serving a fresh temporary folder, picks
# a second port where nobody listens, and runs the Windows test program with both addresses
# and the folder. The server is stopped and the folder removed however the run ends (the
# server also ends by itself should this script be killed).
#
# Where the system allows it, everything runs in a network namespace of its own that has
# nothing but loopback: the test then cannot reach any other network, and the check meets a
# machine that reports "no connection", as machines with only loopback do. Wine opens sockets
# in its server process, so that run needs a Wine server started inside the namespace: it
# uses a prefix of its own (RETRIEVO_ISOLATED_WINEPREFIX), one run at a time, and waits for
# that server to end before it leaves. Elsewhere the run uses the usual prefix.
#
# Usage: wine-update.sh TEST_PROGRAM.exe [gtest arguments]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
program=${1:?usage: wine-update.sh TEST_PROGRAM.exe [gtest arguments]}
shift

if [ -z "${RETRIEVO_UPDATE_NETNS:-}" ] && [ -n "${RETRIEVO_ISOLATED_WINEPREFIX:-}" ] &&
   unshare -n ip link set lo up 2>/dev/null; then
  export RETRIEVO_UPDATE_NETNS=1 RETRIEVO_WINEPREFIX=$RETRIEVO_ISOLATED_WINEPREFIX
  exec unshare -n bash -c 'ip link set lo up && exec bash "$@"' bash "$0" "$program" "$@"
fi

source "$top/scripts/wine-env"
isolated=0
if [ -n "${RETRIEVO_UPDATE_NETNS:-}" ]; then
  isolated=1
  exec 9>"$WINEPREFIX.run-lock"
  flock 9
fi
retrievo_wine_prefix

work=$(mktemp -d "${TMPDIR:-/tmp}/retrievo-update.XXXXXX")
mkdir "$work/site"
server_pid=
stop() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
  fi
  rm -rf "$work"
  [ "$isolated" = 1 ] && wineserver -w 2>/dev/null
}
trap stop EXIT
trap 'exit 130' INT TERM HUP

python3 "$here/manifest_server.py" "$work/site" "$work/port" &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/port" ]; then
  echo "the test web server did not start" >&2
  exit 1
fi
port=$(cat "$work/port")
# Bound and released at once: nobody listens there afterwards.
closed_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# The check opens its addresses "as the system is configured": a proxy from the environment
# must not stand between the test and its loopback server.
env -u http_proxy -u HTTP_PROXY -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY \
  "$top/scripts/wine-run" "$program" --server="http://127.0.0.1:$port" \
  --closed="http://127.0.0.1:$closed_port" --serve-dir="$work/site" --isolated="$isolated" "$@"
