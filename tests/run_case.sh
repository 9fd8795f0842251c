#!/usr/bin/env bash
# Runs the program in a scratch copy of a case folder and compares what it
# wrote with the folder's expected files.
#
# A case folder holds the input files (a control file, station data files),
# optionally:
#   args      the command-line arguments, one line (default: KALDERO.D)
#   stdin     the keyboard input (default: none, standard input closed)
# and expected/ with
#   console   the expected console text
#   status    the expected exit status (default 0)
#   any other file: expected byte for byte among the files the run wrote
#             (a file in a subfolder of expected/ is looked for in the same
#             subfolder of the run's folder).
set -u
exe=$1 case_dir=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
(cd "$case_dir" && tar --exclude=./expected -cf - .) | (cd "$work" && tar -xf -)
args="KALDERO.D"
[ -f "$case_dir/args" ] && args=$(cat "$case_dir/args")
cd "$work"
rm -f args
input=/dev/null
[ -f "$case_dir/stdin" ] && input="$case_dir/stdin"
# shellcheck disable=SC2086
timeout 60 "$exe" $args <"$input" >console.actual 2>stderr.actual
status=$?
fail=0
want_status=0
[ -f "$case_dir/expected/status" ] && want_status=$(cat "$case_dir/expected/status")
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"
  fail=1
fi
if [ -s stderr.actual ]; then
  echo "unexpected output on standard error:"; cat stderr.actual
  fail=1
fi
while IFS= read -r -d '' f; do
  name=${f#"$case_dir"/expected/}
  case "$name" in
    status) continue ;;
    console) actual=console.actual ;;
    *) actual=$name ;;
  esac
  if [ ! -f "$actual" ]; then
    echo "missing output file: $name"
    fail=1
  elif ! cmp -s "$f" "$actual"; then
    echo "differs: $name"
    diff -u "$f" "$actual" | head -40
    fail=1
  fi
done < <(find "$case_dir/expected" -type f -print0 | sort -z)
exit $fail
