# Shared by the end-to-end scripts (wine-road*.sh): the program installed with the phone
# emulator beside it as its bridge client, phones laid out under phone\, the program's run
# up to its results page, the recover button driven into the Desktop folder, and the
# engine's own text for a phone (retrievo-carve.exe) to compare the program with.
# Expects, besides lib.sh's variables, RETRIEVO_EMULATOR, RETRIEVO_CARVE,
# RETRIEVO_MAKE_PHONE and RETRIEVO_DEFAULT_PHONE (the build's emulated phone folder).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
: "${RETRIEVO_EMULATOR:?}" "${RETRIEVO_CARVE:?}" "${RETRIEVO_MAKE_PHONE:?}" "${RETRIEVO_DEFAULT_PHONE:?}"

app_title="Quillfen Retrievo"
contacts_dir='data/data/com.android.providers.contacts/databases'
messages_dir_7='data/user_de/0/com.android.providers.telephony/databases'
messages_dir_6='data/data/com.android.providers.telephony/databases'

# Scratch space for phones and carved texts; removed by e2e_finish.
e2e_tmp=$(mktemp -d /tmp/retrievo-e2e.XXXXXX)
# The Desktop the folder browser offers first; exports land below it.
desktop=$(readlink -f "$WINEPREFIX/drive_c/users/$(whoami)/Desktop")
exports_at_start=$(ls -d "$desktop"/Retrievo[0-9]* 2>/dev/null)
exports_before=$exports_at_start
export_dir=""
main=""
box=""

# The scan folders of the program in this prefix.
scan_folders() { ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local/"Quillfen Retrievo"/scan-* 2>/dev/null; }

# The installation with the emulator under the client's name and the tools beside the driver.
# Scan folders a killed program left behind in an earlier run, and the drive-root folders of
# older versions of the program, are removed, so that every run's checks see only its own.
e2e_install() {
  local stale
  while IFS= read -r stale; do [ -n "$stale" ] && rm -rf "$stale"; done < <(scan_folders)
  rm -rf "$WINEPREFIX"/drive_c/Quillfen "$WINEPREFIX"/drive_c/quillfen-retrievo
  install_dist
  cp "$RETRIEVO_EMULATOR" "$install_unix/quillfen-retrievo-adb-help.exe"
  cp "$RETRIEVO_CARVE" "$RETRIEVO_MAKE_PHONE" "$tools_unix"/
}

win_path() { echo "Z:${1//\//\\}"; }

# Writes a phone with make-sample-phone.exe into $e2e_tmp/NAME (options before the name).
make_phone() {  # make_phone NAME [OPTIONS...]
  local name=$1
  shift
  rm -rf "${e2e_tmp:?}/$name"
  wine 'C:\retrievo-tests\make-sample-phone.exe' "$@" "$(win_path "$e2e_tmp/$name")" >/dev/null 2>&1
  [ -f "$e2e_tmp/$name/contacts2.db" ] || { check "make-sample-phone $* writes a phone" no yes; return 1; }
}

# Lays a phone out under the emulator's phone\ folder: the contacts database with its side
# files under data/data, the messages database under user_de (layout 7) or data/data (6).
use_phone() {  # use_phone FOLDER [7|6]
  local from=$1 layout=${2:-7} phone="$install_unix/phone" f
  local messages_dir=$messages_dir_7
  [ "$layout" = 6 ] && messages_dir=$messages_dir_6
  rm -rf "$phone"
  mkdir -p "$phone/$contacts_dir" "$phone/$messages_dir"
  for f in "$from"/contacts2.db*; do [ -e "$f" ] && cp "$f" "$phone/$contacts_dir/"; done
  for f in "$from"/mmssms.db*; do [ -e "$f" ] && cp "$f" "$phone/$messages_dir/"; done
  rm -f "$install_unix/phone-scenario.txt"
}

# The emulator's whole phone as the build left it (Android 7 layout, write-ahead logs).
use_default_phone() {
  rm -rf "$install_unix/phone"
  cp -r "$RETRIEVO_DEFAULT_PHONE" "$install_unix/phone"
  rm -f "$install_unix/phone-scenario.txt"
}

scenario() { printf '%s\n' "$@" >"$install_unix/phone-scenario.txt"; }

# What the engine recovers from the databases of a phone folder, as retrievo-carve.exe
# writes it: its text ($e2e_tmp/carved-contacts.txt, carved-sms.txt: UTF-8, CR LF) and its
# typed records ($e2e_tmp/records-contacts.jsonl, records-sms.jsonl: one JSON object a
# record). It runs on copies, like the program.
carve_phone() {  # carve_phone FOLDER
  local copy="$e2e_tmp/carve-copy"
  rm -rf "$copy"
  mkdir -p "$copy"
  cp "$1"/contacts2.db* "$1"/mmssms.db* "$copy"/ 2>/dev/null
  local c s kind
  c=$(win_path "$copy/contacts2.db")
  s=$(win_path "$copy/mmssms.db")
  for kind in contacts sms; do
    wine 'C:\retrievo-tests\retrievo-carve.exe' "$kind" "$c" "$s" >"$e2e_tmp/carved-$kind.txt" 2>/dev/null
    wine 'C:\retrievo-tests\retrievo-carve.exe' --records "$kind" "$c" "$s" >"$e2e_tmp/records-$kind.jsonl" 2>/dev/null
  done
}

# The number of deleted records the engine recovered: deleted people, or deleted messages.
carved_count() { grep -c '^{' "$e2e_tmp/records-$1.jsonl"; }

# The rules the program follows with the engine's records, for the tests to check it with:
# a person's values in the order their rows were made (data row number); "N/A" for a name
# or a field not recovered; a message's caption is its date as local time.
records_py='
import json, sys, time
def records(kind):
    with open(sys.argv[1] + "/records-" + kind + ".jsonl", encoding="utf-8") as f:
        out = [json.loads(line) for line in f if line.startswith("{")]
    for r in out:
        if kind == "contacts":
            r["values"].sort(key=lambda v: (v["dataId"] is None, v["dataId"] or 0))
    return out
def na(text):
    return text if text else "N/A"
def first(person, mimetype):
    for v in person["values"]:
        if v["mimetype"] == "vnd.android.cursor.item/" + mimetype and v["value"]:
            return v["value"]
    return ""
def caption(message):
    if not message["date"] or message["date"] <= 0:
        return None
    return time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(message["date"] // 1000))
'

# The list rows the deleted records make, as lv-items prints them: for contacts the name and
# the first phone, company and e-mail; for messages the name and the address.
expected_deleted_rows() {  # expected_deleted_rows contacts|sms
  python3 -c "$records_py"'
for r in records(sys.argv[2]):
    if sys.argv[2] == "contacts":
        fields = [na(r["name"]), first(r, "phone_v2"), first(r, "organization"), first(r, "email_v2")]
    else:
        fields = [na(r["contactName"]), na(r["address"])]
    sys.stdout.write("\t".join(fields) + "\n")
' "$e2e_tmp" "$1"
}

# The deleted section a contacts.txt must end with, for the people from number FIRST on: one
# line "name : value" per value. A value's own CR LF stays: the file writes every line feed
# as CR LF, so it reads back as CR and a line end, like every line of lf_text_of.
expected_deleted_contacts_section() {  # expected_deleted_contacts_section FIRST
  python3 -c "$records_py"'
out = "-" * 66 + "\nDeleted:\n"
for r in records("contacts")[int(sys.argv[2]):]:
    values = [v["value"] for v in r["values"]] or ["N/A"]
    out += "".join(na(r["name"]) + " : " + value + "\n" for value in values)
sys.stdout.write(out)
' "$e2e_tmp" "$1"
}

# The deleted.txt of the messages from number FIRST on: "Deleted SMS:", then each message's
# caption line when its date was recovered, and "name TAB address TAB body".
expected_deleted_sms() {  # expected_deleted_sms FIRST
  python3 -c "$records_py"'
out = "Deleted SMS:\n"
for m in records("sms")[int(sys.argv[2]):]:
    if caption(m):
        out += caption(m) + "\n"
    out += na(m["contactName"]) + "\t" + na(m["address"]) + "\t" + na(m["body"]) + "\n"
sys.stdout.write(out)
' "$e2e_tmp" "$1"
}

# A query's rows, columns joined by "|" and NULL as empty, like the sqlite3 shell prints
# them (Python's own SQLite, so the tests need no shell of it).
sqlite_query() {  # sqlite_query DB QUERY
  python3 -c 'import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for row in db.execute(sys.argv[2]):
    print("|".join("" if v is None else str(v) for v in row))
db.close()' "$1" "$2"
}

# Live records as the record-listing library counts them: raw contacts, threads with SMS.
# SQLite reads a copy, since it checkpoints a write-ahead log when it closes.
live_count() {  # live_count FOLDER contacts|sms
  local copy="$e2e_tmp/live-copy"
  rm -rf "$copy"
  mkdir -p "$copy"
  if [ "$2" = contacts ]; then
    cp "$1"/contacts2.db* "$copy"/ 2>/dev/null
    sqlite_query "$copy/contacts2.db" 'SELECT count(*) FROM raw_contacts' 2>/dev/null || echo 0
  else
    cp "$1"/mmssms.db* "$copy"/ 2>/dev/null
    sqlite_query "$copy/mmssms.db" 'SELECT count(DISTINCT thread_id) FROM sms' 2>/dev/null || echo 0
  fi
}

# Starts the program; Wine's error output goes to $e2e_tmp/wine-N.log, to look for crashes.
# Sets $main and $app_pid.
run_no=0
start_program() {
  run_no=$((run_no + 1))
  wine_log="$e2e_tmp/wine-$run_no.log"
  WINEDEBUG=-all,err+seh wine "$install_win\\QuillfenRetrievo.exe" >/dev/null 2>"$wine_log" &
  app_pid=$!
  started_pids+=("$app_pid")
  main=$(drv wait-window "$app_title" "#32770" 20000) || { check "main window opens" no yes; return 1; }
}

control() { drv child "$main" "$1"; }

# Waits for the results page (the recover button shown); 1 on time-out.
wait_results() {  # wait_results [MS]
  drv wait-visible "$(control 1010)" "${1:-60000}" >/dev/null
}

tree_labels() { drv tv-items "$(control 1003)" | cut -f3; }
tree_checks() { drv tv-items "$(control 1003)" | cut -f1 | tr -d '\n'; }
list_rows() { drv lv-items "$(control 1004)"; }
list_checks() { drv lv-checks "$(control 1004)" | tr -d '\n'; }

# The header's check-all box of the list and its state (1 checked, 0 not).
header_box() { drv find-child "$(drv find-child "$(control 1004)" SysHeader32)" Button; }
header_checked() { drv send "$(header_box)" 0x00F0 0 0; }  # BM_GETCHECK

# Clicks a row's own check box: 5 pixels in from the row's left, in the middle of its height.
click_row_box() {  # click_row_box ROW
  local list left top height
  list=$(control 1004)
  read -r left top _ height < <(drv lv-rect "$list" "$1")
  drv click "$list" $((left + 12)) $((top + height / 2))
  sleep 0.3
}

# Clicks a category node's box (line INDEX of 25 pixels; the box is 36 pixels right of the
# expander picture, as the tree draws it).
click_node_box() {  # click_node_box INDEX
  drv click "$(control 1003)" 60 $((25 * $1 + 12))
  sleep 0.3
}

# Selects a category: 1 contacts, 2 messages.
show_category() { drv tv-select "$(control 1003)" "$1"; sleep 0.5; }

# Clicks a row (its name column) as the user selects it.
click_row() {
  local list left top width height
  list=$(control 1004)
  # A row below the visible part is scrolled into view first (LVM_ENSUREVISIBLE).
  drv send "$list" 0x1013 "$1" 0 >/dev/null; sleep 0.2
  read -r left top width height < <(drv lv-rect "$list" "$1")
  drv click "$list" $((left + 120)) $((top + height / 2))
  sleep 0.5
}

# A message box whose text contains TEXT, waited for; its handle in $box.
wait_box() {  # wait_box TEXT MS
  box=$(drv wait-window-text "$1" "#32770" "${2:-10000}")
}
press_box() { drv click "$(drv child "$box" "$1")"; drv wait-gone "$box" 5000; }  # 1011 OK, 1012 Yes, 1014 No

# Answers the formats box that follows the folder browser: OK with what it offers (the text
# files), or with every format ticked ("all").
answer_formats() {  # answer_formats [all]
  local formats row
  formats=$(drv wait-window "Save as" "#32770" 10000) || { check "formats box opens" no yes; return 1; }
  sleep 0.3
  if [ "${1:-}" = all ]; then
    for row in 1102 1103 1104 1105; do drv click "$(drv child "$formats" "$row")"; sleep 0.1; done
  fi
  drv click "$(drv child "$formats" 1011)"
  drv wait-gone "$formats" 5000 || { check "formats box closes with OK" no yes; return 1; }
}

# Presses recover, picks the Desktop in the folder browser and answers the formats box
# (see answer_formats). The new export folder is in $export_dir once the program made it.
start_recover() {  # start_recover [all]
  drv click "$(control 1010)"
  local browser
  browser=$(drv wait-window "Browse for Folder" "#32770" 10000) || { check "folder browser opens" no yes; return 1; }
  sleep 0.5
  drv click "$(drv child "$browser" 1)"  # OK: the Desktop, selected at the start
  drv wait-gone "$browser" 5000 || { check "folder browser closes with OK" no yes; return 1; }
  answer_formats "${1:-}" || return 1
  export_dir=""
  local i d
  for ((i = 0; i < 50; i++)); do
    for d in "$desktop"/Retrievo[0-9]*; do
      [ -d "$d" ] || continue
      grep -qxF "$d" <<<"$exports_before" || export_dir=$d
    done
    [ -n "$export_dir" ] && break
    sleep 0.1
  done
  [ -n "$export_dir" ] || { check "export folder made on the Desktop" no yes; return 1; }
  exports_before+=$'\n'"$export_dir"
}

# An export file as UTF-8 with its line ends kept (the BOM is dropped by the conversion).
utf8_of() { iconv -f UTF-16 -t UTF-8 "$1"; }
first_bytes() { head -c "$2" "$1" | od -An -tx1 | tr -d ' \n'; }
# 1 when every line feed of a UTF-16 file is preceded by a carriage return, and it has some.
crlf_only() {
  utf8_of "$1" | perl -0777 -ne '$lf = () = /\n/g; $crlf = () = /\r\n/g; print(($lf > 0 && $lf == $crlf) ? 1 : 0)'
}

# Ends the program with WM_CLOSE and checks that it ended cleanly: exit code 0, no crash
# report in Wine's output, the window gone.
close_program() {  # close_program WHAT
  drv post "$main" 0x0010 0 0
  wait_exit "$app_pid" 30
  check "$1: the program ends with code 0" "$code" 0
  if [ "$code" = timeout ] && drv wait-window "Browse for Folder" "#32770" 0 >/dev/null; then
    echo "#   the program still shows a folder browser"
  fi
  check "$1: no crash in Wine's output" \
    "$(grep -c -i -E 'unhandled exception|page fault|winedbg|backtrace' "$wine_log")" 0
  check "$1: no window left" "$(drv count-windows "$app_title" "#32770")" 0
  # The copies of the phone's databases lived in a private scan folder of this run, never
  # at the drive root: once the program has ended, nothing of them is left.
  check "$1: no scan folder left" "$(scan_folders | wc -l)" 0
  check "$1: nothing at the drive root" "$(ls -d "$WINEPREFIX"/drive_c/[Qq]uillfen* 2>/dev/null | wc -l)" 0
}

remove_export() { [ -n "${export_dir:-}" ] && rm -rf "$export_dir"; export_dir=""; }

e2e_finish() {
  local d w
  # A program left open by a failed step is closed, so the next test can start its own.
  while w=$(drv wait-window "$app_title" "#32770" 0); do
    drv post "$w" 0x0010 0 0
    drv wait-gone "$w" 10000 || break
  done
  # Every export folder that appeared on the Desktop during the run.
  for d in "$desktop"/Retrievo[0-9]*; do
    [ -d "$d" ] && ! grep -qxF "$d" <<<"$exports_at_start" && rm -rf "$d"
  done
  rm -rf "$e2e_tmp" "$install_unix/phone" "$install_unix/phone-scenario.txt"
  finish
}

# 1 when the text of file A begins with the text of file B (B not empty), else 0.
begins_with() { python3 -c 'import sys; a, b = (open(p, "rb").read() for p in sys.argv[1:3]); print(1 if b and a.startswith(b) else 0)' "$1" "$2"; }

# An export file as UTF-8 with CR LF read as LF.
lf_text_of() { utf8_of "$1" | sed 's/\r$//'; }
