#!/usr/bin/env bash
# The user's hand on a running scan: pause and continue during loading and export (as far as
# they can be caught running),
# back to the connect page and a reload, and the window closed while each worker runs (the
# update check, the pull, the loading, the export): the program must end with code 0,
# without a crash and without leaving a process behind.
source "$(dirname "$0")/e2e-lib.sh"
e2e_install

# Processes of this prefix still running the program or the bridge client.
leftover_pids() {
  local pid
  for pid in $(pgrep -f 'QuillfenRetrievo.exe|quillfen-retrievo-adb-help.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}
leftover_processes() { leftover_pids | wc -l; }
close_cleanly() {  # close_cleanly WHAT
  close_program "$1"
  sleep 0.5
  check "$1: no program or bridge client left running" "$(leftover_processes)" 0
  # After a failed check the following runs are kept independent of what was left: a
  # client, which would keep writing into the next run's database copies, is waited for
  # (a slow pull ends within its 20 s); a program, which would hold the single-instance
  # mutex, is ended.
  local pid
  for pid in $(leftover_pids); do
    echo "#   left running: $(ps -o pid=,etime=,args= -p "$pid")"
    case "$(ps -o args= -p "$pid")" in
      *QuillfenRetrievo.exe*) kill "$pid" 2>/dev/null; sleep 1 ;;
      *) for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done ;;
    esac
  done
}
# Bytes written below the export folder so far.
export_bytes() { du -sb "$export_dir" 2>/dev/null | cut -f1; }

# --- Closed while the update check runs (it starts 1 s after the window opens).
use_default_phone
if start_program; then
  sleep 1.3
  close_cleanly "closed during the update check"
fi

# --- Closed during a slow pull (the pull starts 5 s after the window opens).
scenario "pull-ms = 20000"
if start_program; then
  sleep 7
  check "the pull still runs" "$(drv visible "$(control 1010)")$(drv visible "$(control 1033)")" 00
  shot road-control-1-closing-during-pull
  close_cleanly "closed during the pull"
fi

# A larger phone than the usual one.
make_phone large --contacts 2000 --messages 20000 --conversations 200 || { e2e_finish; exit 1; }
use_phone "$e2e_tmp/large"

# --- Loading: pause and continue while it runs, then back and a reload. Loading this
# phone takes well under a second here, so catching it paused is best effort: the pause
# is checked only when the pause button was seen in time.
if start_program; then
  paused_loading=no
  for _ in $(seq 150); do
    if [ "$(drv visible "$(control 1006)")" = 1 ]; then
      drv click "$(control 1006)"; sleep 0.3
      if [ "$(drv visible "$(control 1008)")" = 1 ]; then
        paused_loading=yes
        shot road-control-2-loading-paused
        check "loading paused: no results yet" "$(drv visible "$(control 1010)")" 0
        drv click "$(control 1008)"
      fi
      break
    fi
    [ "$(drv visible "$(control 1010)")" = 1 ] && break
    sleep 0.1
  done
  echo "# loading caught and paused: $paused_loading"
  if wait_results 90000; then
    labels=$(tree_labels | tr '\n' '|')
    check "large phone: both categories counted" "$(grep -cE '^android phone\|Contacts \([0-9]+\)\|Message \([0-9]+\)\|$' <<<"$labels")" 1

    # Back: the counts go, the connect page comes, the reload brings them back.
    # The button's command, as its click sends it: a mouse click right after the results
    # page came was at times not seen by the button.
    sleep 1
    drv post "$main" 0x0111 1032 "$(control 1032)"  # WM_COMMAND, BN_CLICKED from back
    if wait_box "Are you sure to go back to reload the data from Android phone?" 10000; then
      press_box 1012
      sleep 0.3
      check "back: the labels lose their counts" "$(tree_labels | tr '\n' '|')" "android phone|Contacts|Message|"
      check "back: the results are hidden" "$(drv visible "$(control 1010)")$(drv visible "$(control 1003)")" 00
      shot road-control-3-back-connect-page
      if wait_results 90000; then
        check "reload: the same counts again" "$(tree_labels | tr '\n' '|')" "$labels"
      else
        check "reload reaches the results page" no yes
      fi
    else
      shot road-control-3-back-not-asked
      check "back asks first" no yes
    fi

    # Export: writing the files of this phone takes well under a second here, so pause,
    # continue and stop are tried only when the pause button is seen in time (the export
    # worker's pause and stop are tested on their own in scan_workers). Whatever happens,
    # the export ends with its final message and the results page comes back.
    total=$(($(tree_labels | sed -n "s/.*(\([0-9]*\))$/\1/p" | paste -sd+)))
    if start_recover; then
      caught=no
      if drv wait-visible "$(control 1006)" 2000 >/dev/null && drv click "$(control 1006)" &&
         sleep 0.3 && [ "$(drv visible "$(control 1008)")" = 1 ]; then
        caught=yes
        shot road-control-4-export-paused
        before=$(export_bytes); sleep 1.5
        check "export paused: nothing more is written" "$(export_bytes)" "$before"
        drv click "$(control 1008)"; sleep 0.3
        drv click "$(control 1007)"
      fi
      echo "# export caught and paused: $caught"
      if wait_box "Recovering" 30000; then
        written=$(drv text "$box" | sed -n 's/^Recovering [a-z]*, \([0-9]*\) files have been recovered\.$/\1/p')
        check "export: the final message counts the records written" \
          "$([ -n "$written" ] && [ "$written" -gt 0 ] && [ "$written" -le "$total" ] && echo counted)" counted
        shot road-control-5-export-ended
        press_box 1011
      else
        check "export: final message within 30 s" no yes
      fi
      check "after the export: recover and back shown again" "$(drv visible "$(control 1010)")$(drv visible "$(control 1032)")" 11
      remove_export
    else
      check "export starts" no yes
    fi

    # --- Closed during an export (or right after it, when it is quicker than the close).
    if start_recover; then
      close_cleanly "closed during the export"
    else
      check "second export starts" no yes
      close_cleanly "closed after a failed export start"
    fi
    remove_export
  else
    check "large phone: results page" no yes
    close_cleanly "large phone"
  fi
fi

# --- Closed while loading: as soon as the results page shows its progress bar (the
# engine runs on the window's thread first, so the close is seen when it is done).
if start_program; then
  for _ in $(seq 300); do
    [ "$(drv visible "$(control 1005)")" = 1 ] && break
    sleep 0.05
  done
  close_cleanly "closed during loading"
fi

# --- Closed while the folder browser of recover is open, then OK pressed in the browser
# (the task bar's Close does this): the program must still end cleanly. Last, since a
# crashed program keeps its single-instance mutex while the debugger holds it.
use_default_phone
if start_program; then
  if wait_results 60000; then
    sleep 1
    drv click "$(control 1010)"
    if browser=$(drv wait-window "Browse for Folder" "#32770" 10000); then
      drv post "$main" 0x0010 0 0; sleep 1
      shot road-control-6-closed-with-browser-open
      drv click "$(drv child "$browser" 1)"
      wait_exit "$app_pid" 15
      check "closed while the folder browser is open: the program ends with code 0" "$code" 0
      check "closed while the folder browser is open: no crash in Wine's output" \
        "$(grep -c -i -E 'unhandled exception|page fault|winedbg|backtrace' "$wine_log")" 0
      grep -i -E 'unhandled|page fault' "$wine_log" | sed 's/^/#   /'
    else
      check "folder browser opens" no yes
    fi
  else
    check "results page for the browser case" no yes
  fi
  # A crashed program and its debugger are ended here, after the failed checks.
  for pid in $(leftover_pids) $(pgrep -f 'winedbg'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && kill "$pid" 2>/dev/null
  done
fi

e2e_finish
