#!/usr/bin/env bash
# Printing through a real CUPS server. The test starts a private cupsd (its
# own configuration, spool and socket in a scratch folder) with a virtual PDF
# printer, answers "Y" to the print question of a real run and checks the
# PDF that the printer wrote against the results listing; then it prints a
# file with tabs, a long line, a micro sign and three pages of lines through
# the printing module alone. It ends the server before it returns.
#
#   print_cups.sh PROGRAM PRINT_TOOL CASE_DIR WORK_DIR
#
# Exit status 77 (skipped) when no CUPS server can be started here.
set -u
exe=$1 tool=$2 case_dir=$3 work=$4
failed=0
# A skip after a failure stays a failure.
skip() {
  echo "SKIPPED: $*"
  [ "$failed" = 0 ] || exit 1
  exit 77
}
fail() { echo "FAILED: $*"; failed=1; }

exe=$(realpath "$exe") tool=$(realpath "$tool") case_dir=$(realpath "$case_dir")
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
# Client side: no saved default printer of the user, no printer variables.
unset PRINTER LPDEST
export HOME=$work
srv=$(mktemp -d /tmp/kaldero-cups.XXXXXX)
chmod 755 "$srv"
queue=KALDERO_TEST_$$
instance_conf=/etc/cups/cups-pdf-$queue.conf
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -f "$instance_conf"
  rm -rf "$srv"
}
trap cleanup EXIT

# A run whose print server is not there says so and goes on.
mkdir "$work/noserver"
cp "$case_dir"/* "$work/noserver/"
(cd "$work/noserver" &&
   printf 'Y\n' | CUPS_SERVER="$srv/absent.sock" timeout 30 "$exe" KALDERO.D \
     >console.txt 2>stderr.txt)
status=$?
[ "$status" = 0 ] || fail "run without a print server: exit status $status"
grep -q ' NO PRINT SERVER CAN BE REACHED; THE FILE WAS NOT PRINTED\.$' \
  "$work/noserver/console.txt" || fail "run without a print server: no message"
grep -q 'KALDERO IS NOW FINISHED' "$work/noserver/console.txt" ||
  fail "run without a print server did not end normally"

# The server.
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
for t in cupsd lpadmin lpstat cupsreject pdftotext pdfinfo iconv; do
  command -v "$t" >/dev/null || [ -x "/usr/sbin/$t" ] || skip "$t is not installed"
done
[ -x /usr/lib/cups/backend/cups-pdf ] || skip "the virtual PDF printer is not installed"
[ -f "$ppd" ] || skip "$ppd is missing"
[ "$(id -u)" = 0 ] || skip "the virtual PDF printer works only for root"
[ -w /etc/cups ] || skip "/etc/cups is not writable"
mkdir -p "$srv/etc/ppd" "$srv/spool/tmp" "$srv/cache" "$srv/state" "$srv/log" "$srv/pdf"
chmod 1777 "$srv/pdf"
cat >"$srv/etc/cupsd.conf" <<EOF
LogLevel info
PageLogFormat %j %{job-name}
Listen $srv/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat >"$srv/etc/cups-files.conf" <<EOF
ServerRoot $srv/etc
RequestRoot $srv/spool
TempDir $srv/spool/tmp
CacheDir $srv/cache
StateDir $srv/state
ErrorLog $srv/log/error_log
AccessLog $srv/log/access_log
PageLog $srv/log/page_log
Printcap $srv/printcap
SystemGroup root
EOF
# The virtual printer reads the settings of the instance named in its
# device URI from /etc/cups; they send its files and logs to the scratch
# folder.
cat >"$instance_conf" <<EOF
Out $srv/pdf
AnonDirName $srv/pdf
Spool $srv/spool/cups-pdf
Log $srv/log
EOF
cupsd_bin=$(command -v cupsd || echo /usr/sbin/cupsd)
timeout 55 "$cupsd_bin" -f -c "$srv/etc/cupsd.conf" -s "$srv/etc/cups-files.conf" \
  >"$srv/log/cupsd.out" 2>&1 &
pid=$!
export CUPS_SERVER=$srv/cups.sock
up=0
for _ in $(seq 50); do
  if lpstat -r 2>/dev/null | grep -q 'is running'; then up=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
if [ "$up" != 1 ]; then
  tail -5 "$srv/log/cupsd.out" "$srv/log/error_log" 2>/dev/null
  skip "cupsd could not be started here"
fi
# The printer prints on A4, where the spooler's own default paper is Letter:
# the pages must be laid out for the printer's paper, not scaled onto it.
lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$ppd" 2>/dev/null &&
  lpadmin -p "$queue" -o PageSize=A4 &&
  lpadmin -d "$queue" || { fail "the virtual PDF printer could not be set up"; exit 1; }

# Waits until the server has no unfinished job, then names the PDF of job $1.
pdf_of_job() {
  for _ in $(seq 150); do
    [ -z "$(lpstat -W not-completed -o 2>/dev/null)" ] && break
    sleep 0.2
  done
  find "$srv/pdf" -name "*job_$1.pdf" | head -1
}

# A real run answers "Y" and takes the default printer with Enter.
run=$work/run
mkdir "$run"
cp "$case_dir"/* "$run/"
(cd "$run" && printf 'Y\n\n' | timeout 30 "$exe" KALDERO.D >console.txt 2>stderr.txt)
status=$?
[ "$status" = 0 ] || fail "run: exit status $status"
[ -s "$run/stderr.txt" ] && fail "run: standard error: $(head -3 "$run/stderr.txt")"
grep -q "^     1  $queue  (DEFAULT)\$" "$run/console.txt" || fail "run: printer not listed"
job=$(sed -n "s/.* FILE ST.OUT SENT TO PRINTER $queue AS JOB *\([0-9]*\)\$/\1/p" \
  "$run/console.txt")
if [ -z "$job" ]; then
  fail "run: the listing was not sent"
  grep -A3 'DO YOU WANT TO PRINT' "$run/console.txt"
else
  pdf=$(pdf_of_job "$job")
  if [ -z "$pdf" ]; then
    fail "run: the printer wrote no PDF for job $job"
    tail -20 "$srv/log/error_log"
  else
    grep -q "^$job ST.OUT\$" "$srv/log/page_log" ||
      { fail "run: job $job is not named ST.OUT"; cat "$srv/log/page_log"; }
    pdftotext -layout "$pdf" "$run/printed.txt"
    iconv -f WINDOWS-1252 -t UTF-8 "$run/ST.OUT" >"$run/listing.txt"
    # Every character of the listing, in order; blanks, line ends and page
    # ends aside (long lines wrap, and the text positions become blanks).
    tr -d '[:space:]' <"$run/printed.txt" >"$run/printed.chars"
    tr -d '[:space:]' <"$run/listing.txt" >"$run/listing.chars"
    if ! cmp -s "$run/listing.chars" "$run/printed.chars"; then
      fail "run: the printed text differs from the results listing"
      diff <(fold -w 60 "$run/listing.chars") <(fold -w 60 "$run/printed.chars") | head -20
    fi
    echo "run: job $job printed the $(grep -c '[^[:space:]]' "$run/listing.txt") text lines of ST.OUT"
  fi
fi

# The page layout on paper: the module alone on a file of its own.
rich=$work/rich/PAGES.TXT
mkdir -p "$work/rich"
{
  printf '\tTAB AT COLUMN ONE\n'
  printf 'MASS 12.5 \265g/L\n'
  for i in $(seq 1 30); do printf 'W%03d ' "$i"; done
  printf '\n\n'
  for i in $(seq 1 150); do printf 'LINE %03d\n' "$i"; done
} >"$rich"
(cd "$work/rich" && timeout 30 "$tool" PAGES.TXT </dev/null >console.txt 2>stderr.txt)
status=$?
[ "$status" = 0 ] || fail "print tool: exit status $status: $(cat "$work/rich/console.txt")"
job=$(sed -n 's/.* AS JOB *\([0-9]*\)$/\1/p' "$work/rich/console.txt")
pdf=$( [ -n "$job" ] && pdf_of_job "$job")
if [ -z "$pdf" ]; then
  fail "print tool: the printer wrote no PDF"
else
  # 155 printed lines: 75 an A4 page give three pages.
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  [ "$pages" = 3 ] || fail "print tool: $pages pages, expected 3"
  pdfinfo "$pdf" | grep -q '^Page size: *595 x 842 pts (A4)' ||
    fail "print tool: not printed on A4: $(pdfinfo "$pdf" | grep 'Page size')"
  # The page is laid out for A4 itself: the left margin is one inch (72
  # points), not shrunk by fitting a Letter page onto A4.
  left=$(pdftotext -bbox -f 1 -l 1 "$pdf" - | sed -n 's/.*<word xMin="\([0-9.]*\)".*>LINE<.*/\1/p' | head -1)
  awk -v x="$left" 'BEGIN { exit !(x > 71 && x < 73) }' ||
    fail "print tool: the left margin is at ${left:-?} points, not 72"
  pdftotext -layout -f 1 -l 1 "$pdf" "$work/rich/page1.txt"
  pdftotext -layout -f 3 -l 3 "$pdf" "$work/rich/page3.txt"
  grep -q '^    TAB AT COLUMN ONE$' "$work/rich/page1.txt" ||
    fail "print tool: the tab is not four blanks"
  grep -q "^MASS 12.5 µg/L\$" "$work/rich/page1.txt" || fail "print tool: no micro sign"
  # The long line goes on over the next printed line, whole.
  long=$(sed -n 3p "$rich" | sed 's/ *$//')
  first=$(grep -n '^W001 ' "$work/rich/page1.txt" | cut -d: -f1)
  joined=$( [ -n "$first" ] && sed -n "${first}p;$((first + 1))p" "$work/rich/page1.txt" | tr -d '\n')
  [ -n "$first" ] && [ "$joined" = "$long" ] && [ "$(sed -n "${first}p" "$work/rich/page1.txt")" != "$long" ] ||
    fail "print tool: the long line was not continued on the next printed line"
  grep -q 'LINE 150' "$work/rich/page3.txt" || fail "print tool: the last line is not on page 3"
  grep -q 'LINE 001' "$work/rich/page1.txt" || fail "print tool: the first line is not on page 1"
fi

# Cancelling the printer choice prints nothing.
mkdir "$work/cancel"
cp "$case_dir"/* "$work/cancel/"
(cd "$work/cancel" && printf 'Y\n0\n' | timeout 30 "$exe" KALDERO.D >console.txt 2>stderr.txt)
status=$?
[ "$status" = 0 ] || fail "cancelled run: exit status $status"
grep -q 'SENT TO PRINTER' "$work/cancel/console.txt" && fail "cancelled run: a job was sent"

# A printer that takes no jobs: the job cannot be started.
if cupsreject "$queue" 2>/dev/null; then
  (cd "$work/rich" && timeout 30 "$tool" PAGES.TXT </dev/null >rejected.txt 2>&1)
  status=$?
  [ "$status" = 1 ] || fail "rejected job: exit status $status"
  grep -q '^ StartDoc failed, code= *[0-9][0-9]*$' "$work/rich/rejected.txt" ||
    fail "rejected job: $(cat "$work/rich/rejected.txt")"
else
  fail "the printer could not be set to reject jobs"
fi
[ "$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)" = 2 ] ||
  fail "expected the two jobs that were sent, found: $(lpstat -W all -o "$queue")"

[ "$failed" = 0 ] && echo "printing through CUPS: passed"
exit "$failed"
