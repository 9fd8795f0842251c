#!/usr/bin/env bash
# Runs the program in a scratch copy of a case folder and compares what it
# wrote with the folder's expected files.
#
# A case folder holds the input files (a control file, station data files),
#   NOTES     one line: what the case guards and where its expected numbers
#             come from (required),
# optionally:
#   args      the command-line arguments, one line (default: KALDERO.D)
#   stdin     the keyboard input (default: none, standard input closed)
#   not-compared  names (shell patterns, one a line) of files the run writes
#             that are not compared, each with the reason after a "#"
#   tolerances    lines "PATTERN RELATIVE-TOLERANCE": files matching PATTERN
#             are compared number by number within that relative tolerance
#             (texts and the layout of the lines exactly)
# and expected/ with
#   console   the expected console text
#   status    the expected exit status (default 0)
#   any other file: expected among the files the run wrote, byte for byte
#             unless a tolerance applies (a file in a subfolder of expected/
#             is looked for in the same subfolder of the run's folder).
# Every file the run writes must be expected or listed as not compared.
set -u
exe=$1 case_dir=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
(cd "$case_dir" && tar --exclude=./expected -cf - .) | (cd "$work" && tar -xf -)
args="KALDERO.D"
[ -f "$case_dir/args" ] && args=$(cat "$case_dir/args")
cd "$work"
# What the folder brought along, to tell the written files from the inputs.
find . -type f -o -type l | sort >../"$(basename "$work")".inputs
input=/dev/null
[ -f "$case_dir/stdin" ] && input="$case_dir/stdin"
# shellcheck disable=SC2086
timeout 60 "$exe" $args <"$input" >console.actual 2>stderr.actual
status=$?
fail=0
if [ ! -s "$case_dir/NOTES" ]; then
  echo "the case has no NOTES saying what it guards"
  fail=1
fi
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

# The relative tolerance of a file, or nothing.
tolerance_of() {
  [ -f "$case_dir/tolerances" ] || return 0
  local pattern tol
  while read -r pattern tol _; do
    [ -z "$pattern" ] && continue
    # shellcheck disable=SC2254
    case "$1" in $pattern) echo "$tol"; return 0 ;; esac
  done <"$case_dir/tolerances"
}

# Number by number within a relative tolerance; every other token exactly.
numbers_agree() {
  awk -v tol="$3" '
    function isnum(s) { return s ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([EeDd][-+]?[0-9]+)?$/ }
    function num(s) { gsub(/[Dd]/, "E", s); return s + 0 }
    FNR == NR { want[FNR] = $0; wn = FNR; next }
    {
      if (!(FNR in want)) { bad = 1; exit }
      a = want[FNR]; b = $0
      na = split(a, x, /[ \t]+/); nb = split(b, y, /[ \t]+/)
      if (na != nb) { bad = 1; exit }
      for (i = 1; i <= na; i++) {
        if (x[i] == y[i]) continue
        if (!isnum(x[i]) || !isnum(y[i])) { bad = 1; exit }
        u = num(x[i]); v = num(y[i]); d = u - v; if (d < 0) d = -d
        m = (u < 0 ? -u : u); if ((v < 0 ? -v : v) > m) m = (v < 0 ? -v : v)
        if (d > tol * m) { bad = 1; exit }
      }
      seen = FNR
    }
    END { if (bad || seen != wn) exit 1 }' "$1" "$2"
}

declare -A compared=()
while IFS= read -r -d '' f; do
  name=${f#"$case_dir"/expected/}
  case "$name" in
    status) continue ;;
    console) actual=console.actual ;;
    *) actual=$name ;;
  esac
  compared["$actual"]=1
  tol=$(tolerance_of "$name")
  if [ ! -f "$actual" ]; then
    echo "missing output file: $name"
    fail=1
  elif [ -n "$tol" ]; then
    if ! numbers_agree "$f" "$actual" "$tol"; then
      echo "differs beyond the relative tolerance $tol: $name"
      diff -u "$f" "$actual" | head -40
      fail=1
    fi
  elif ! cmp -s "$f" "$actual"; then
    echo "differs: $name"
    diff -u "$f" "$actual" | head -40
    fail=1
  fi
done < <(find "$case_dir/expected" -type f -print0 | sort -z)

# Every file the run wrote is compared or listed as not compared.
listed() {
  [ -f "$case_dir/not-compared" ] || return 1
  local pattern
  while read -r pattern _; do
    [ -z "$pattern" ] && continue
    # shellcheck disable=SC2254
    case "$1" in $pattern) return 0 ;; esac
  done < <(sed 's/#.*//' "$case_dir/not-compared")
  return 1
}
while IFS= read -r f; do
  name=${f#./}
  case "$name" in console.actual | stderr.actual) continue ;; esac
  grep -qxF "$f" ../"$(basename "$work")".inputs && continue
  [ -n "${compared[$name]:-}" ] && continue
  listed "$name" && continue
  echo "written but neither expected nor listed as not compared: $name"
  fail=1
done < <(find . -type f | sort)
exit $fail
