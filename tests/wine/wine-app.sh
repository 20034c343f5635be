#!/usr/bin/env bash
# The program as a user meets it: installed under "C:\Program Files\Quillfen Retrievo\",
# started, a second start refused, its keys, buttons and menu used, closed every way it
# can be closed, and started once more without its pictures.
source "$(dirname "$0")/lib.sh"
install_dist
app="$install_win\\QuillfenRetrievo.exe"
title="Quillfen Retrievo"

start_app() {
  start_bg "$@"
  app_pid=$last_pid
  main=$(drv wait-window "$title" "#32770" 20000) || { check "main window opens" no yes; return 1; }
}

if start_app "$app"; then
  read -r _ _ w h < <(drv rect "$main")
  check "main window size" "${w}x$h" 984x674
  sleep 0.5
  shot app-main

  # The help link waits, hidden, for a failed pull.
  link=$(drv child "$main" 1034)
  check "help link label" "$(drv text "$link")" "Have Problems?"
  check "help link hidden at start" "$(drv visible "$link")" 0

  # A second start ends at once without a window of its own.
  start_bg "$app"
  wait_exit "$last_pid" 30
  check "second start ends with code 0" "$code" 0
  check "still one main window" "$(drv count-windows "$title" "#32770")" 1

  # Enter and Esc leave the window open.
  drv key "$main" 0x0D; drv key "$main" 0x1B; sleep 0.7
  check "Enter and Esc leave the window open" "$(drv visible "$main")" 1

  # The close button, 8 pixels from the right edge, shows its hover frame under the mouse.
  read -r cx cy cw _ < <(drv rect "$(drv child "$main" 1000)")
  check "close button 8 pixels from the right edge" "$((cx + cw))" $((984 - 8))
  read -r mx _ mw _ < <(drv rect "$(drv child "$main" 1001)")
  check "minimise button 29 pixels from the right edge" "$((mx + mw))" $((984 - 29))
  # Its frames as the real mouse moves: normal, hover, pressed, normal again once the
  # mouse leaves (the press is released outside, so nothing is clicked).
  close_btn=$(drv child "$main" 1000)
  drv move "$main" 500 400; sleep 0.4
  shot_control "$main" "$close_btn" close-normal
  drv move "$close_btn"; sleep 0.4
  shot app-close-hover
  shot_control "$main" "$close_btn" close-hover
  drv down; sleep 0.4
  shot_control "$main" "$close_btn" close-pressed
  drv move "$main" 500 400; sleep 0.3
  drv up; sleep 0.4
  shot_control "$main" "$close_btn" close-left
  check "hover frame differs from the normal one" "$(($(pixels_differing close-normal close-hover) > 0))" 1
  check "pressed frame differs from the hover one" "$(($(pixels_differing close-hover close-pressed) > 0))" 1
  check "leaving shows the normal frame again" "$(pixels_differing close-normal close-left)" 0
  check "a press released outside does not close" "$(drv visible "$main")" 1

  # The menu button opens the main menu; its third entry (of six), "About", opens the About
  # box.
  drv click "$(drv child "$main" 1024)"
  if menu=$(drv wait-window "*" "#32768" 5000); then
    sleep 0.3
    shot app-menu
    read -r _ _ mw mh < <(drv rect "$menu")
    drv click "$menu" $((mw / 2)) $((mh * 5 / 12))
    if about=$(drv wait-window "" "#32770" 10000); then
      sleep 0.5
      shot app-about
      drv click "$(drv child "$about" 1024)"
      drv wait-gone "$about" 5000
      check "About box closed by its close button" "$?" 0
    else
      check "About box opens from the menu" no yes
    fi
  else
    check "main menu opens" no yes
  fi

  # Minimise, then restore.
  drv click "$(drv child "$main" 1001)"; sleep 0.5
  check "minimise button minimises" "$(drv iconic "$main")" 1
  drv send "$main" 0x0112 0xF120 0 >/dev/null  # WM_SYSCOMMAND, SC_RESTORE
  sleep 0.5
  check "restored" "$(drv iconic "$main")" 0

  # The close button ends the program with its id as the exit code.
  drv click "$(drv child "$main" 1000)"
  wait_exit "$app_pid"
  check "close button ends the program with 1000" "$code" $((1000 % 256))  # exit codes reach the shell modulo 256
fi

# The window's close message ends it with 0.
if start_app "$app"; then
  drv post "$main" 0x0010 0 0  # WM_CLOSE
  wait_exit "$app_pid"
  check "close message ends the program with 0" "$code" 0
fi

# The menu's last entry, "Exit", ends it with 0.
if start_app "$app"; then
  drv click "$(drv child "$main" 1024)"
  if menu=$(drv wait-window "*" "#32768" 5000); then
    read -r _ _ mw mh < <(drv rect "$menu")
    drv click "$menu" $((mw / 2)) $((mh * 9 / 10))
  fi
  wait_exit "$app_pid"
  check "menu Exit ends the program with 0" "$code" 0
fi

# Without its image folder the program still opens and closes.
rm -rf "$install_unix/image"
if start_app "$app"; then
  sleep 0.5
  shot app-no-pictures
  drv post "$main" 0x0010 0 0
  wait_exit "$app_pid"
  check "program without pictures closes with 0" "$code" 0
fi

finish
