#!/usr/bin/env bash
# The Windows build of retrievo-carve, run under Wine on the sample phone, must write the
# same bytes as the native build: both runs, byte for byte.
#   carve-matches-native.sh WINDOWS_EXE NATIVE_EXE PHONE_DIR
set -euo pipefail
windows_exe=$1 native_exe=$2 phone=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$phone/contacts2.db" "$phone/mmssms.db" "$work/"
status=0
for run in contacts sms; do
  "$native_exe" "$run" "$work/contacts2.db" "$work/mmssms.db" >"$work/native-$run.txt"
  "$here/../../scripts/wine-run" "$windows_exe" "$run" "$work/contacts2.db" "$work/mmssms.db" >"$work/windows-$run.txt"
  if [ ! -s "$work/native-$run.txt" ]; then
    echo "the $run run recovered nothing from the sample phone"; status=1
  elif cmp "$work/native-$run.txt" "$work/windows-$run.txt"; then
    echo "$run: $(wc -c <"$work/native-$run.txt") bytes, identical"
  else
    status=1
  fi
done
exit $status
