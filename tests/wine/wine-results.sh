#!/usr/bin/env bash
# The result screen's controls as a user meets them: the results host (installed beside
# the program with the real skin pictures) shows the tree, the list and a detail board;
# rows are read back, check boxes clicked with the mouse, and screenshots taken.
source "$(dirname "$0")/lib.sh"
: "${RETRIEVO_RESULTS_HOST:?}"
install_dist
cp "$RETRIEVO_RESULTS_HOST" "$install_unix"/
host="$install_win\\results-host.exe"

# Opens the host in a mode; the window is in $win.
open_host() {
  start_bg "$host" "$@"
  host_pid=$last_pid
  win=$(drv wait-window "results-host" "*" 15000) || { check "results host opens ($*)" no yes; return 1; }
  sleep 1
}
close_host() {
  drv post "$win" 0x0010 0 0
  wait_exit "$host_pid"; check "results host closed" "$code" 0
}

if open_host contacts; then
  list=$(drv child "$win" 1004)
  check "contact rows, deleted first" "$(drv lv-items "$list" | head -n 3 | cut -f1,2)" \
    "$(printf 'Dora Lindqvist\t+46 70 555 0199\nPim Okafor\t0161 555 0142\nAda Quillfeather\t+44 20 7946 0018')"
  shot results-contacts
  # Row 3 (unchecked): its box lies at x 5..21, 7 pixels below the row top (30 + 3 x 30).
  drv click "$list" 12 136; sleep 0.3
  check "a box click checks row 3 and tells the parent" "$(drv text "$win")" "results-host list 3 1"
  tree=$(drv child "$win" 1003)
  # The contacts category's box: line left + 16 + 36 on the second line (25 pixels high).
  drv click "$tree" 60 37; sleep 0.3
  check "a category box click tells the parent" "$(drv text "$win")" "results-host tree 0 1"
  shot results-contacts-clicked
  close_host
fi

if open_host contacts deleted; then shot results-contacts-deleted; close_host; fi

if open_host messages; then
  list=$(drv child "$win" 1004)
  check "message rows" "$(drv lv-items "$list")" \
    "$(printf 'Dora Lindqvist\t+46705550199\nAda Quillfeather\t+447700900123')"
  shot results-messages
  close_host
fi

if open_host messages deleted; then shot results-messages-deleted; close_host; fi
if open_host messages scrolled; then shot results-messages-scrolled; close_host; fi

finish
