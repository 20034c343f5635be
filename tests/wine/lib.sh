# Shared by the Wine UI test scripts: prefix and display, installation of the dist folder
# under "C:\Program Files\Quillfen Retrievo\", the driver, screenshots and checks.
# Expects RETRIEVO_DIST, RETRIEVO_DRIVER and RETRIEVO_HOST (set by CTest); RETRIEVO_SHOTS
# is where the screenshots go.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$top/scripts/wine-env"
retrievo_wine_prefix
retrievo_xvfb

: "${RETRIEVO_DIST:?}" "${RETRIEVO_DRIVER:?}" "${RETRIEVO_HOST:?}"
shots=${RETRIEVO_SHOTS:-$top/build/screenshots}
mkdir -p "$shots"

install_win='C:\Program Files\Quillfen Retrievo'
install_unix="$WINEPREFIX/drive_c/Program Files/Quillfen Retrievo"
tools_unix="$WINEPREFIX/drive_c/retrievo-tests"
driver_win='C:\retrievo-tests\retrievo-driver.exe'

failures=0
started_pids=()

# Copies the dist folder (program, skin library, pictures) and the control host to the
# installation folder, replacing an earlier installation; the driver goes elsewhere.
install_dist() {
  rm -rf "$install_unix"
  mkdir -p "$install_unix" "$tools_unix"
  cp -r "$RETRIEVO_DIST"/. "$install_unix"/
  cp "$RETRIEVO_HOST" "$install_unix"/
  cp "$RETRIEVO_DRIVER" "$tools_unix"/
}

drv() { wine "$driver_win" "$@" | tr -d '\r'; }

# Starts a Windows program in the background; its shell pid is in $last_pid.
start_bg() {
  wine "$@" >/dev/null 2>&1 &
  last_pid=$!
  started_pids+=("$last_pid")
}

# Waits for a program started with start_bg and sets $code to its exit code (or
# "timeout"). Not for a subshell: only this shell can wait for its children.
wait_exit() {
  local pid=$1 limit=${2:-20} i
  code=timeout
  for ((i = 0; i < limit * 10; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      code=0
      wait "$pid" || code=$?
      return
    fi
    sleep 0.1
  done
}

shot() { import -window root "$shots/$1.png" 2>/dev/null || xwd -root -silent >"$shots/$1.xwd"; }

# Saves the screen area of a control (a child of a top-level window) as $shots/NAME.png.
shot_control() {  # shot_control TOPLEVEL CONTROL NAME
  local wx wy cx cy cw ch
  read -r wx wy _ _ < <(drv rect "$1")
  read -r cx cy cw ch < <(drv rect "$2")
  import -window root -crop "${cw}x${ch}+$((wx + cx))+$((wy + cy))" +repage "$shots/$3.png" 2>/dev/null
}

# Number of pixels in which two screenshots differ.
pixels_differing() { compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 | cut -d' ' -f1; }

check() {  # check WHAT ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then
    echo "ok   - $1"
  else
    echo "FAIL - $1: got '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}

finish() {
  local pid
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "${RETRIEVO_XVFB_PID:-}" ] && kill "$RETRIEVO_XVFB_PID" 2>/dev/null
  echo "$failures failure(s); screenshots in $shots"
  [ "$failures" -eq 0 ]
}
