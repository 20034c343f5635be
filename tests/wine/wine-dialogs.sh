#!/usr/bin/env bash
# The message box and the About box as a user meets them: installed under
# "C:\Program Files\Quillfen Retrievo\" with the real skin pictures, shown by the control
# host, clicked with the mouse, keys pressed, screenshots taken.
source "$(dirname "$0")/lib.sh"
install_dist
host="$install_win\\controls-host.exe"

# Opens a message box and prints its window.
open_box() {
  start_bg "$host" msgbox "$@"
  box_pid=$last_pid
  # The box carries its message as its window text.
  box=$(drv wait-window "$3" "#32770" 15000) || { check "message box opens" no yes; return 1; }
}

# Left and width of a control of the box, in the box's client area.
ctl_rect() { drv rect "$(drv child "$box" "$1")"; }

# --- OK only: centred at the bottom; Enter and Esc leave it open; a click on OK answers 1011.
if open_box 2 1 "Recovering finished, 12 files have been recovered."; then
  read -r _ _ bw bh < <(drv rect "$box")
  read -r ox oy ow oh < <(ctl_rect 1011)
  check "OK centred" "$ox" "$(((bw - ow) / 2))"
  check "OK 15 pixels above the bottom" "$oy" "$((bh - oh - 15))"
  check "Yes hidden" "$(drv visible "$(drv child "$box" 1012)")" 0
  check "text control hidden" "$(drv visible "$(drv child "$box" 1017)")" 0
  shot msgbox-ok
  drv key "$box" 0x0D; drv key "$box" 0x1B; sleep 0.7
  check "Enter and Esc leave the box open" "$(drv visible "$box")" 1
  drv move "$(drv child "$box" 1011)"; sleep 0.3
  shot msgbox-ok-hover
  drv click "$(drv child "$box" 1011)"
  wait_exit "$box_pid"; check "OK answers 1011" "$code" $((1011 % 256))  # exit codes reach the shell modulo 256
fi

# --- Yes and No: 40 pixels apart around the centre; No answers 1014.
if open_box 0 10 "Are you sure to go back to reload the data from Android phone?"; then
  read -r _ _ bw _ < <(drv rect "$box")
  read -r yx _ yw _ < <(ctl_rect 1012)
  read -r nx _ _ _ < <(ctl_rect 1014)
  check "Yes ends 20 pixels left of the centre" "$((yx + yw))" "$((bw / 2 - 20))"
  check "No starts 20 pixels right of the centre" "$nx" "$((bw / 2 + 20))"
  shot msgbox-yesno
  drv click "$(drv child "$box" 1014)"
  wait_exit "$box_pid"; check "No answers 1014" "$code" $((1014 % 256))  # exit codes reach the shell modulo 256
fi

# --- OK and Cancel with a long, wrapped text; the close button answers 1010.
if open_box 3 5 "The checked records have been written to the folder you picked. Each conversation has its own file and the deleted messages are gathered in one more file beside them."; then
  shot msgbox-okcancel-wrapped
  drv click "$(drv child "$box" 1010)"
  wait_exit "$box_pid"; check "close answers 1010" "$code" $((1010 % 256))  # exit codes reach the shell modulo 256
fi

# --- No pictures at all: the box keeps a usable size and Esc answers close.
mkdir -p "$WINEPREFIX/drive_c/retrievo-tests/no-pictures"
if start_bg "$host" --images 'C:\retrievo-tests\no-pictures' msgbox 0 1 "No skin pictures here."; then
  box_pid=$last_pid
  if box=$(drv wait-window "No skin pictures here." "#32770" 15000); then
    read -r _ _ bw bh < <(drv rect "$box")
    check "box without pictures is wide enough to read" "$((bw > 100))" 1
    shot msgbox-no-pictures
    drv key "$box" 0x1B
    wait_exit "$box_pid"; check "Esc answers close when the close button has no picture" "$code" $((1010 % 256))  # exit codes reach the shell modulo 256
  else
    check "message box without pictures opens" no yes
  fi
fi

# --- About box: buttons, link and version; OK answers 1027.
start_bg "$host" about
about_pid=$last_pid
if about=$(drv wait-window "" "#32770" 15000); then
  link=$(drv child "$about" 1026)
  check "link label" "$(drv text "$link")" "Homepage:https://www.quillfen.example/"
  read -r lx ly _ _ < <(drv rect "$link")
  check "link at 40,270" "$lx,$ly" "40,270"
  shot about
  drv click "$(drv child "$about" 1027)"
  wait_exit "$about_pid"; check "About OK answers 1027" "$code" $((1027 % 256))  # exit codes reach the shell modulo 256
else
  check "About box opens" no yes
fi

# --- Image buttons and the animation on their own.
start_bg "$host" buttons
buttons_pid=$last_pid
if win=$(drv wait-window "controls-host buttons" "*" 15000); then
  read -r cx cy cw ch < <(drv rect "$(drv child "$win" 1000)")
  check "close button 8 pixels from the right edge" "$((cx + cw))" "$((600 - 8))"
  drv move "$(drv child "$win" 1001)"; sleep 0.3
  shot buttons-min-hover
  drv click "$(drv child "$win" 1000)"
  wait_exit "$buttons_pid"; check "host closed by its close button" "$code" $((0 % 256))  # exit codes reach the shell modulo 256
else
  check "buttons window opens" no yes
fi

# --- The driver reads list view texts across processes.
start_bg "$host" listview
list_pid=$last_pid
if win=$(drv wait-window "controls-host list" "*" 15000); then
  rows=$(drv lv-items "$(drv child "$win" 1004)")
  check "list view rows" "$rows" "$(printf 'Ada Quill\t555 0101\nBéla Fen\t555 0102\nCyd\t')"
  drv post "$win" 0x0010 0 0
  wait_exit "$list_pid"; check "list host closed" "$code" $((0 % 256))  # exit codes reach the shell modulo 256
else
  check "list window opens" no yes
fi

finish
