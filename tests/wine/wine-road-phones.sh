#!/usr/bin/env bash
# The program with phones that are not the usual one: no phone at all and then a phone
# after a refresh (an older phone without side files), a client that hangs, phones that
# cannot be read (each failure named), a phone without its messages database, and phones
# whose every contact or every message was deleted, each kind alone and both together (the
# deleted records must be shown and exported); last, database files opened without a phone.
source "$(dirname "$0")/e2e-lib.sh"
e2e_install
make_phone standard || { e2e_finish; exit 1; }
make_phone all-deleted --all-deleted || { e2e_finish; exit 1; }

# A phone folder from the contacts of one phone and the messages of another.
mix_phone() {  # mix_phone NAME CONTACTS_FROM MESSAGES_FROM
  rm -rf "${e2e_tmp:?}/$1"; mkdir -p "$e2e_tmp/$1"
  cp "$e2e_tmp/$2"/contacts2.db* "$e2e_tmp/$1"/
  cp "$e2e_tmp/$3"/mmssms.db* "$e2e_tmp/$1"/
}

# The counts a phone folder must give: live records plus the engine's deleted lines, into
# $contacts_total and $messages_total (a missing database counts nothing).
expect_counts() {  # expect_counts FOLDER
  carve_phone "$1"
  contacts_total=$(($(live_count "$1" contacts) + $(carved_count contacts)))
  messages_total=0
  [ -f "$1/mmssms.db" ] && messages_total=$(($(live_count "$1" sms) + $(carved_count sms)))
}
label() { if [ "$2" -gt 0 ]; then echo "$1 ($2)"; else echo "$1"; fi; }

# Labels, and the deleted rows first in each category's list.
check_results() {  # check_results WHAT
  check "$1: tree labels" "$(tree_labels | tr '\n' '|')" \
    "android phone|$(label Contacts "$contacts_total")|$(label Message "$messages_total")|"
  if [ "$contacts_total" -gt 0 ]; then
    show_category 1
    list_rows >"$e2e_tmp/rows.txt"
    expected_deleted_rows contacts >"$e2e_tmp/expected-rows.txt"
    check "$1: contact rows, deleted first" "$(drv lv-checks "$(control 1004)" | wc -l)|$(begins_with "$e2e_tmp/rows.txt" "$e2e_tmp/expected-rows.txt")" "$contacts_total|1"
  fi
  if [ "$messages_total" -gt 0 ]; then
    show_category 2
    list_rows >"$e2e_tmp/rows.txt"
    expected_deleted_rows sms >"$e2e_tmp/expected-rows.txt"
    check "$1: message rows, deleted first" "$(drv lv-checks "$(control 1004)" | wc -l)|$(begins_with "$e2e_tmp/rows.txt" "$e2e_tmp/expected-rows.txt")" "$messages_total|1"
  fi
}

# Recovers into the Desktop and checks the final message's count.
export_expecting() {  # export_expecting WHAT COUNT
  start_recover || return 1
  if wait_box "Recovering finished" 60000; then
    check "$1: final message" "$(drv text "$box")" "Recovering finished, $2 files have been recovered."
    press_box 1011
  else
    check "$1: final message within 60 s" no yes
    return 1
  fi
}

# --- No phone: the failure page; with the phone back, refresh reaches the results. The
# phone is an Android 6 one without side files: the results are the plain files' own.
use_phone "$e2e_tmp/standard" 6
scenario "mode = no-device"
if start_program; then
  if drv wait-visible "$(control 1033)" 30000 >/dev/null; then
    sleep 0.5
    shot road-phones-1-no-phone-failure-page
    check "no phone: help link shown" "$(drv visible "$(control 1034)")" 1
    check "no phone: the failure page names the cause" "$(drv text "$(control 1035)")" "No phone is connected."
    check "no phone: and the client's own words" "$(drv text "$(control 1036)" | grep -c 'no devices/emulators found')" 1
    check "no phone: no results" "$(drv visible "$(control 1010)")" 0
    rm -f "$install_unix/phone-scenario.txt"
    drv click "$(control 1033)"
    sleep 0.5
    check "refresh hides its button and the link" "$(drv visible "$(control 1033)")$(drv visible "$(control 1034)")" 00
    if wait_results 60000; then
      expect_counts "$e2e_tmp/standard"
      check_results "after refresh, Android 6 phone without side files"
      shot road-phones-2-after-refresh
    else
      check "refresh reaches the results page" no yes
    fi
  else
    check "no phone: failure page with refresh button within 30 s" no yes
  fi
  close_program "no phone, then refresh"
fi

# --- A client that never answers: the failure page still comes.
scenario "mode = hang"
if start_program; then
  SECONDS=0
  if drv wait-visible "$(control 1033)" 70000 >/dev/null; then
    check "hanging client: failure page within 60 s" "$((SECONDS <= 60))" 1
    shot road-phones-3-hanging-client
  else
    check "hanging client: failure page within 70 s" no yes
  fi
  close_program "hanging client"
fi

# --- Phones that cannot be read as they are: the failure page says why, in the words of
# the failure, above the hints.
use_phone "$e2e_tmp/standard" 7
for case in "su = none|The phone is not rooted: reading its contacts and messages needs root." \
            "su-refused = yes|The phone refused root: allow root for the shell in its root manager and try again." \
            "mode = unauthorized|The phone has not accepted this PC: unlock it and allow USB debugging for this computer."; do
  scenario "${case%%|*}"
  if start_program; then
    if drv wait-visible "$(control 1033)" 60000 >/dev/null; then
      cause=$(drv text "$(control 1035)")
      check "${case%%|*}: the failure page names the cause" "$cause" "${case#*|}"
      [ "$cause" = "${case#*|}" ] || echo "#   its details: $(drv text "$(control 1036)")"
    else
      check "${case%%|*}: failure page within 60 s" no yes
    fi
    [ "${case%%|*}" = "su = none" ] && shot road-phones-3-not-rooted
    close_program "${case%%|*}"
  fi
done

# --- Only the contacts database on the phone: contacts only, messages count nothing.
use_phone "$e2e_tmp/standard" 6
scenario "missing = /$messages_dir_6/mmssms.db" "missing = /$messages_dir_7/mmssms.db"
mkdir -p "$e2e_tmp/contacts-only"
cp "$e2e_tmp/standard/contacts2.db" "$e2e_tmp/contacts-only"/
if start_program; then
  if wait_results 60000; then
    expect_counts "$e2e_tmp/contacts-only"
    check_results "only the contacts database"
    check "only the contacts database: no message count" "$(tree_labels | sed -n 3p)" "Message"
    shot road-phones-4-contacts-only
  else
    check "only the contacts database: results page" no yes
  fi
  close_program "only the contacts database"
fi

# --- Every contact deleted, messages as usual.
mix_phone no-live-contacts all-deleted standard
use_phone "$e2e_tmp/no-live-contacts"
if start_program; then
  if wait_results 60000; then
    expect_counts "$e2e_tmp/no-live-contacts"
    check "every contact deleted: the engine recovers some" "$(($(carved_count contacts) > 0))" 1
    check "every contact deleted: no live contact" "$(live_count "$e2e_tmp/no-live-contacts" contacts)" 0
    check_results "every contact deleted"
    show_category 1
    click_row 0
    shot road-phones-5-all-contacts-deleted-card
    if export_expecting "every contact deleted" $((contacts_total + messages_total)); then
      expected_deleted_contacts_section 0 | sed '1i Contacts:' >"$e2e_tmp/expected-contacts.txt"
      lf_text_of "$export_dir/Contacts ($contacts_total)/contacts.txt" >"$e2e_tmp/contacts.txt"
      check "every contact deleted: contacts.txt holds the header and every deleted contact" \
        "$(cmp -s "$e2e_tmp/contacts.txt" "$e2e_tmp/expected-contacts.txt" && echo same)" same
      remove_export
    fi
  else
    check "every contact deleted: results page" no yes
  fi
  close_program "every contact deleted"
fi

# --- Every message deleted, contacts as usual.
mix_phone no-live-messages standard all-deleted
use_phone "$e2e_tmp/no-live-messages"
if start_program; then
  if wait_results 60000; then
    expect_counts "$e2e_tmp/no-live-messages"
    check "every message deleted: the engine recovers some" "$(($(carved_count sms) > 0))" 1
    check "every message deleted: no live conversation" "$(live_count "$e2e_tmp/no-live-messages" sms)" 0
    check_results "every message deleted"
    show_category 2
    click_row 0
    check "every message deleted: the board shows the deleted SMS" "$(drv count-children "$main" QfMsgBubble)" 1
    shot road-phones-6-all-messages-deleted-bubble
    if export_expecting "every message deleted" $((contacts_total + messages_total)); then
      expected_deleted_sms 0 >"$e2e_tmp/expected-deleted-sms.txt"
      lf_text_of "$export_dir/Message ($messages_total)/deleted.txt" >"$e2e_tmp/deleted-sms.txt"
      check "every message deleted: deleted.txt holds every deleted SMS" \
        "$(cmp -s "$e2e_tmp/deleted-sms.txt" "$e2e_tmp/expected-deleted-sms.txt" && echo same)" same
      check "every message deleted: no conversation file" "$(ls "$export_dir/Message ($messages_total)")" deleted.txt
      remove_export
    fi
  else
    check "every message deleted: results page" no yes
  fi
  close_program "every message deleted"
fi

# --- Both deleted whole: checks through list, header and tree, then an export without the
# first record of each kind.
use_phone "$e2e_tmp/all-deleted"
if start_program; then
  if wait_results 60000; then
    expect_counts "$e2e_tmp/all-deleted"
    check_results "everything deleted"
    show_category 1
    shot road-phones-7-everything-deleted
    click_row_box 0
    check "everything deleted: a row's box unchecks the node and the root" "$(list_checks | cut -c1)|$(header_checked)|$(tree_checks)" "1|0|112"
    click_node_box 1
    check "everything deleted: the node checks every row" "$(list_checks | tr -d 2)|$(header_checked)|$(tree_checks)" "|1|222"
    click_node_box 1
    check "everything deleted: the node unchecks every row" "$(list_checks | tr -d 1)|$(header_checked)|$(tree_checks)" "|0|112"
    drv click "$(header_box)"; sleep 0.3
    check "everything deleted: the header box checks every row" "$(list_checks | tr -d 2)|$(tree_checks)" "|222"
    click_row_box 0
    show_category 2
    click_row_box 0
    check "everything deleted: a message row's box unchecks its node" "$(list_checks | cut -c1)|$(tree_checks)" "1|111"
    if export_expecting "everything deleted, one of each unchecked" $((contacts_total - 1 + messages_total - 1)); then
      expected_deleted_contacts_section 1 | sed '1i Contacts:' >"$e2e_tmp/expected-contacts.txt"
      lf_text_of "$export_dir/Contacts ($((contacts_total - 1)))/contacts.txt" >"$e2e_tmp/contacts.txt"
      check "everything deleted: contacts.txt without the unchecked contact" \
        "$(cmp -s "$e2e_tmp/contacts.txt" "$e2e_tmp/expected-contacts.txt" && echo same)" same
      expected_deleted_sms 1 >"$e2e_tmp/expected-deleted-sms.txt"
      lf_text_of "$export_dir/Message ($((messages_total - 1)))/deleted.txt" >"$e2e_tmp/deleted-sms.txt"
      check "everything deleted: deleted.txt without the unchecked SMS" \
        "$(cmp -s "$e2e_tmp/deleted-sms.txt" "$e2e_tmp/expected-deleted-sms.txt" && echo same)" same
      remove_export
    fi
  else
    check "everything deleted: results page" no yes
  fi
  close_program "everything deleted"
fi

# --- Database files without a phone: "Open database files..." on the menu, the folder
# browser's first entry (the Desktop) holding the files. First a text file named
# mmssms.db, refused with its name; then the phone's own files, scanned from a copy.
scenario "mode = no-device"
open_files() {  # open_files: the menu's first entry, then OK in the folder browser
  drv click "$(control 1024)"
  local menu browser
  menu=$(drv wait-window "*" "#32768" 5000) || { check "main menu opens" no yes; return 1; }
  read -r _ _ mw mh < <(drv rect "$menu")
  drv click "$menu" $((mw / 2)) $((mh / 12))
  browser=$(drv wait-window "Browse for Folder" "#32770" 10000) || { check "open files: folder browser opens" no yes; return 1; }
  sleep 0.5
  drv click "$(drv child "$browser" 1)"
  drv wait-gone "$browser" 5000 >/dev/null
}
files_dir="$desktop"
rm -f "$files_dir"/contacts2.db* "$files_dir"/mmssms.db*
if start_program; then
  drv wait-visible "$(control 1033)" 30000 >/dev/null
  printf 'these are my notes, not a database\n' >"$files_dir/mmssms.db"
  if open_files && wait_box "mmssms.db" 10000; then
    check "open files: a text file named mmssms.db is refused by name" "$(drv text "$box" | tr -d '\n')" \
      "mmssms.db is not an SQLite database."
    press_box 1011
  else
    check "open files: the refusal names the file" no yes
  fi
  cp "$e2e_tmp/standard"/contacts2.db "$e2e_tmp/standard"/mmssms.db "$files_dir"/
  sha_before=$(sha256sum "$files_dir"/contacts2.db "$files_dir"/mmssms.db)
  if open_files && wait_results 60000; then
    expect_counts "$e2e_tmp/standard"
    check_results "database files opened without a phone"
    shot road-phones-8-opened-files
    check "open files: the files themselves are left as they were" \
      "$(sha256sum "$files_dir"/contacts2.db "$files_dir"/mmssms.db)" "$sha_before"
    check "open files: nothing is written beside them" "$(ls "$files_dir" | grep -c -E '(-wal|-shm|-journal)$')" 0
  else
    check "open files: results page without a phone" no yes
  fi
  close_program "database files opened"
fi
rm -f "$files_dir"/contacts2.db* "$files_dir"/mmssms.db*

e2e_finish
