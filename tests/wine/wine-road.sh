#!/usr/bin/env bash
# The road of one scan with the emulated phone the build makes (an Android 7 phone in
# write-ahead-log mode, with Chinese and emoji texts): the connect page while pulling, the
# results page with its counts, deleted rows first, the boards, the check boxes of list,
# header and tree kept in step, an export checked byte by byte, and the update question.
# One program run for all of it.
source "$(dirname "$0")/e2e-lib.sh"
e2e_install
use_default_phone
cp "$RETRIEVO_UPDATER_STANDIN" "$install_unix/Updrava.exe"

# The same phone flat in one folder, for the engine and SQLite; and its main files alone,
# without the logs, to tell what only the logs hold.
phone="$e2e_tmp/phone"
mkdir -p "$phone" "$e2e_tmp/no-logs"
cp "$RETRIEVO_DEFAULT_PHONE/$contacts_dir"/* "$RETRIEVO_DEFAULT_PHONE/$messages_dir_7"/* "$phone"/
cp "$phone/contacts2.db" "$phone/mmssms.db" "$e2e_tmp/no-logs"/
check "the emulated phone keeps its messages under user_de only (Android 7)" \
  "$(ls "$RETRIEVO_DEFAULT_PHONE/$messages_dir_6" 2>/dev/null | wc -l)" 0
carve_phone "$e2e_tmp/no-logs"
mv "$e2e_tmp/carved-sms.txt" "$e2e_tmp/carved-sms-no-logs.txt"
carve_phone "$phone"
live_contacts=$(live_count "$phone" contacts)
live_threads=$(live_count "$phone" sms)
contacts_total=$((live_contacts + $(carved_count contacts)))
messages_total=$((live_threads + $(carved_count sms)))
deleted_contacts=$(carved_count contacts)

sql() {  # sql DB QUERY: on a copy, since SQLite checkpoints a log when it closes
  local copy="$e2e_tmp/sql-copy"
  rm -rf "$copy"; mkdir -p "$copy"
  cp "$phone/$1"* "$copy"/
  sqlite_query "$copy/$1" "$2"
}

start_program || { e2e_finish; exit 1; }

# --- Connect page: the pull starts 5 s after the window opens; the loading picture runs.
sleep 1.5
shot road-1-connect-loading
check "connect page: no refresh button while pulling" "$(drv visible "$(control 1033)")" 0
check "connect page: no help link while pulling" "$(drv visible "$(control 1034)")" 0
check "connect page: no tree while pulling" "$(drv visible "$(control 1003)")" 0

if ! wait_results 60000; then
  check "results page within 60 s" no yes
  e2e_finish; exit 1
fi
sleep 0.5

# --- Results: labels count live and deleted records; everything checked.
check "tree labels count live + deleted records" "$(tree_labels | tr '\n' '|')" \
  "android phone|Contacts ($contacts_total)|Message ($messages_total)|"
check "tree: root and both categories checked" "$(tree_checks)" 222
check "one contact row per record" "$(drv lv-checks "$(control 1004)" | wc -l)" "$contacts_total"
list_rows >"$e2e_tmp/contact-rows.txt"
expected_deleted_rows contacts >"$e2e_tmp/expected-contact-rows.txt"
check "deleted contacts come first, one row a person, as the engine carved them (names and values intact)" \
  "$(begins_with "$e2e_tmp/contact-rows.txt" "$e2e_tmp/expected-contact-rows.txt")" 1
# The live rows' names, after the deleted ones, are the raw contacts' display names: the
# Chinese names and the rest, character for character.
python3 - "$e2e_tmp/contact-rows.txt" "$e2e_tmp/expected-contact-rows.txt" >"$e2e_tmp/live-names.txt" <<'PY'
import sys
rows, deleted = (open(p, encoding='utf-8').read() for p in sys.argv[1:3])
for line in rows[len(deleted):].splitlines():
    print(line.split('\t')[0])
PY
check "live contact names in the list are the phone's display names (UTF-8 code page)" \
  "$(cat "$e2e_tmp/live-names.txt")" "$(sql contacts2.db 'SELECT ifnull(display_name, "") FROM raw_contacts ORDER BY _id')"
check "a Chinese name is listed" "$(grep -c '^孙悦$' "$e2e_tmp/live-names.txt")" 1
shot road-2-results-contacts-deleted-rows-red

# The contact card: a deleted record, then a live one.
click_row 0
shot road-3-contact-card-deleted
click_row "$deleted_contacts"
shot road-3-contact-card-live

# --- Messages (Android 7 location, write-ahead log read).
show_category 2
check "one message row per conversation and deleted SMS" "$(drv lv-checks "$(control 1004)" | wc -l)" "$messages_total"
list_rows >"$e2e_tmp/message-rows.txt"
expected_deleted_rows sms >"$e2e_tmp/expected-message-rows.txt"
check "deleted SMS come first, as the engine carved them" \
  "$(begins_with "$e2e_tmp/message-rows.txt" "$e2e_tmp/expected-message-rows.txt")" 1
shot road-4-results-messages
# SMS that only the log holds, deleted there: the engine finds them, so must the program.
comm -13 <(sort "$e2e_tmp/carved-sms-no-logs.txt") <(sort "$e2e_tmp/carved-sms.txt") >"$e2e_tmp/log-only-deleted.txt"
check "the phone's log holds deleted SMS that its main file does not" "$([ -s "$e2e_tmp/log-only-deleted.txt" ] && echo yes)" yes
click_row 0
check "a deleted SMS shows one bubble" "$(drv count-children "$main" QfMsgBubble)" 1
shot road-5-bubbles-deleted
deleted_sms_rows=$(wc -l <"$e2e_tmp/expected-message-rows.txt")
lin_row=$(awk -F'\t' -v skip="$deleted_sms_rows" 'NR > skip && $1 == "林小雨" { print NR - 1; exit }' "$e2e_tmp/message-rows.txt")
if [ -n "$lin_row" ]; then
  click_row "$lin_row"
  check "the live conversation with 林小雨 shows its bubbles" "$(($(drv count-children "$main" QfMsgBubble) > 1))" 1
  shot road-5-bubbles-live-chinese-emoji
else
  check "a live conversation row named 林小雨" no yes
fi

# --- Checks in step: row, header box, category node and root.
show_category 1
click_row_box 0
check "unchecking a row unchecks it" "$(list_checks | cut -c1)" 1
check "unchecking a row clears the header box" "$(header_checked)" 0
check "unchecking a row unchecks the contacts node and the root" "$(tree_checks)" 112
click_node_box 1
check "checking the contacts node checks every row" "$(list_checks | tr -d 2)" ""
check "checking the contacts node sets the header box" "$(header_checked)" 1
check "checking the contacts node checks the root again" "$(tree_checks)" 222
drv click "$(header_box)"; sleep 0.3
check "clearing the header box unchecks every row" "$(list_checks | tr -d 1)" ""
check "clearing the header box unchecks the node and the root" "$(tree_checks)" 112
drv click "$(header_box)"; sleep 0.3
check "setting the header box checks every row and the node" "$(list_checks | tr -d 2)|$(tree_checks)" "|222"
click_row_box 0  # the first deleted contact stays out of the export
shot road-6-one-row-unchecked

# --- Export into a new folder on the Desktop.
if start_recover; then
  expected_count=$((contacts_total - 1 + messages_total))
  if wait_box "Recovering finished" 60000; then
    shot road-7-export-finished
    check "final message counts every written record" "$(drv text "$box")" \
      "Recovering finished, $expected_count files have been recovered."
    press_box 1011
  else
    check "final message within 60 s" no yes
  fi
  contacts_txt="$export_dir/Contacts ($((contacts_total - 1)))/contacts.txt"
  messages_folder="$export_dir/Message ($messages_total)"
  check "export folder named Retrievo and 14 digits" "$(basename "$export_dir" | grep -cE '^Retrievo[0-9]{14}$')" 1
  check "contacts folder counts the checked records" "$([ -f "$contacts_txt" ] && echo yes)" yes
  check "message folder keeps the node's label" "$([ -f "$messages_folder/deleted.txt" ] && echo yes)" yes
  lin_file="$messages_folder/林小雨.txt"
  for f in "$contacts_txt" "$messages_folder/deleted.txt" "$lin_file"; do
    [ -f "$f" ] || { check "export file $(basename "$f")" missing there; continue; }
    check "$(basename "$f"): UTF-16 byte-order mark FF FE" "$(first_bytes "$f" 2)" fffe
    check "$(basename "$f"): every line ends with CR LF" "$(crlf_only "$f")" 1
  done

  if [ -f "$contacts_txt" ]; then
    lf_text_of "$contacts_txt" >"$e2e_tmp/contacts.txt"
    check "contacts.txt starts with Contacts:" "$(head -n 1 "$e2e_tmp/contacts.txt")" "Contacts:"
    # Every structured-name contact's mobile number as "name(Mobile) : number".
    missing=0
    while IFS=$'\t' read -r name number; do
      grep -qxF "$name(Mobile) : $number" "$e2e_tmp/contacts.txt" || { missing=$((missing + 1)); echo "  missing: $name(Mobile) : $number"; }
    done < <(sql contacts2.db "SELECT r.display_name, d.data1 FROM data d JOIN raw_contacts r ON r._id = d.raw_contact_id
             JOIN mimetypes m ON m._id = d.mimetype_id WHERE m.mimetype = 'vnd.android.cursor.item/phone_v2'
             AND d.data2 = '2' AND r.display_name_source = 40" | tr '|' '\t')
    check "contacts.txt: a 'name(Mobile) : number' line for every mobile number" "$missing" 0
    # Organisations, one with an emoji at its end, byte for byte.
    missing=0
    while IFS= read -r company; do
      grep -qF "(Company) : $company" "$e2e_tmp/contacts.txt" || { missing=$((missing + 1)); echo "  missing company: $company"; }
    done < <(sql contacts2.db "SELECT d.data1 FROM data d JOIN mimetypes m ON m._id = d.mimetype_id
             WHERE m.mimetype = 'vnd.android.cursor.item/organization' AND d.data1 <> ''")
    check "contacts.txt: every company, emoji included" "$missing" 0
    if [ "$(sql contacts2.db 'SELECT count(*) FROM raw_contacts WHERE display_name_source <> 40')" -gt 0 ]; then
      check "contacts without a structured name are numbered from No Name0" \
        "$(grep -c '^No Name0(' "$e2e_tmp/contacts.txt")" 1
    fi
    expected_deleted_contacts_section 1 >"$e2e_tmp/expected-deleted-section.txt"
    check "contacts.txt ends with the separator, Deleted: and the checked deleted contacts" \
      "$(python3 -c 'import sys; a, b = (open(p, "rb").read() for p in sys.argv[1:3]); print(1 if a.endswith(b) else 0)' \
          "$e2e_tmp/contacts.txt" "$e2e_tmp/expected-deleted-section.txt")" 1
  fi
  if [ -f "$messages_folder/deleted.txt" ]; then
    expected_deleted_sms 0 >"$e2e_tmp/expected-deleted-sms.txt"
    lf_text_of "$messages_folder/deleted.txt" >"$e2e_tmp/deleted-sms.txt"
    check "deleted.txt: Deleted SMS: and the engine's messages with their times (Chinese, emoji, line feeds intact)" \
      "$(cmp -s "$e2e_tmp/deleted-sms.txt" "$e2e_tmp/expected-deleted-sms.txt" && echo same)" same
  fi
  # The newest messages live only in the log: the conversation files show them.
  cat "$messages_folder"/*.txt 2>/dev/null | iconv -f UTF-16 -t UTF-8 2>/dev/null | sed 's/\r$//' >"$e2e_tmp/all-messages.txt"
  comm -13 <(sqlite_query "$e2e_tmp/no-logs/mmssms.db" 'SELECT body FROM sms' | grep -v '^$' | sort -u) \
           <(sql mmssms.db 'SELECT body FROM sms' | grep -v '^$' | sort -u) >"$e2e_tmp/log-only-live.txt"
  check "the phone's log holds live SMS that its main file does not" "$([ -s "$e2e_tmp/log-only-live.txt" ] && echo yes)" yes
  missing=0
  while IFS= read -r body; do
    grep -qF "$body" "$e2e_tmp/all-messages.txt" || { missing=$((missing + 1)); echo "  missing body: $body"; }
  done <"$e2e_tmp/log-only-live.txt"
  check "live SMS that only the log holds are exported" "$missing" 0
  check "the live conversation with 林小雨 has its file, with its emoji" "$(grep -c '没问题👌' "$e2e_tmp/all-messages.txt")" 1
  remove_export
fi

# --- The update question: No leaves it, Yes starts the updater beside the program.
rm -f "$install_unix/updater-started.txt"
drv post "$main" 0x0470 1 0  # WM_NEW_VERSION
if wait_box "New version found,are you sure to Update?" 10000; then
  shot road-8-update-question
  check "the question box's text" "$(drv text "$box")" "New version found,are you sure to Update?"
  press_box 1014
  check "No closes the question" "$?" 0
  sleep 1
  check "No starts no updater" "$([ -e "$install_unix/updater-started.txt" ] && echo started)" ""
else
  check "update question appears" no yes
fi
drv post "$main" 0x0470 1 0
if wait_box "New version found" 10000; then
  press_box 1012
  for _ in $(seq 50); do [ -e "$install_unix/updater-started.txt" ] && break; sleep 0.2; done
  check "Yes starts Updrava.exe beside the program" "$([ -e "$install_unix/updater-started.txt" ] && echo started)" started
else
  check "update question appears a second time" no yes
fi

close_program "after the road"
e2e_finish
