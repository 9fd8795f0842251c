#!/usr/bin/env bash
# End-to-end speed of kaldero at the scale of loggers and campaigns, in one
# run:
#   - a station data file of 1,000,000 lines (group means, data-reduction
#     mode 2): the best of five runs and its ratio to `wc -l` on the same
#     file (best of five as well), and the time of the same run on a station
#     of 10 lines, which is what the program costs besides the reading;
#   - control files of 1,000 and 10,000 small stations, each station a file
#     of its own with its own output names: the best of three runs each and
#     their ratio (the run must grow linearly with the station count);
#   - the peak resident memory of a run on a station data file of 2,000,000
#     lines (it must not grow with the file).
# Usage: bench/speed_benchmark.sh [BUILD_DIR]   (default: build)
set -eu
build=${1:-build}
exe=$(cd "$build" && pwd)/kaldero
[ -x "$exe" ] || { echo "no executable $exe" >&2; exit 1; }
work=$(mktemp -d /tmp/kaldero-speed.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# header LISTING INTERPOLATED DISCHARGE_MODE REDUCTION_MODE: the 64 header
# lines of a station data file without plots or curve files.
header() {
  printf 'TIME UNIT CODE\n3\nCONCENTRATION UNIT CODE\n3\nBACKGROUND OPTION\n0\n'
  printf 'DISCHARGE MODE\n%s\nDISCHARGE UNIT CODE\nAND CONSTANT DISCHARGE\n4 0.5\n' "$3"
  printf 'STATION-TOTALS OPTION\n1\nDISTANCE UNIT, TRAVEL DISTANCE\n1 150.0\n'
  printf 'SINUOSITY OPTION\n0\nFLOW-GEOMETRY CODE\nPOROSITY\n1\nCONDUCTIVITY UNIT\nK\n0\n'
  printf 'RESULTS LISTING\n%s\nKNOT OPTION\n0\nINTERPOLATED-DATA FILE\n%s\n' "$1" "$2"
  printf 'EXTRAPOLATION OPTION\n0\nDATA PLOT\n0 0 0 0\nINTERPOLATED PLOT\n0 0 0 0\n'
  printf 'CHATWIN\n0 0 0 0\nCXTFIT\n0 1 0\nCXTFIT FILE\nX.CXT\nNORMALIZED\n0\n'
  printf 'NORMALIZED FILE\nX.NRM\nNORMALIZED PLOT\n0 0 0 0\nLOAD\n0\nLOAD FILE\nX.LOD\n'
  printf 'LOAD PLOT\n0 0 0 0\nSTANDARDIZED\n0\nSTANDARDIZED FILE\nX.STN\n'
  printf 'STANDARDIZED PLOT\n0 0 0 0\nECHO\n0\nDATA-REDUCTION MODE\n%s\n' "$4"
  printf 'TIME CONCENTRATION DISCHARGE\n'
}

# control NAME STATION...: a control file listing the stations.
control() {
  local name=$1
  shift
  { printf 'SPEED BENCHMARK\n100.0\nMASS UNIT\n3\nRELEASE MODE\n1 0\nARRIVAL\n0.0\nSTATIONS\n'
    printf '%s\n' "$@"; } >"$name"
}

# logger LINES FILE: a logger file of LINES samples (time in minutes,
# concentration, discharge) of about 22 bytes a line, like a fluorometer
# and a flow meter read every few seconds.
logger() {
  { header "LOG.OUT" "LOG.INT" 1 2
    awk -v n="$1" 'BEGIN {
      for (i = 1; i <= n; i++) {
        t = i * 0.001; c = 50 * t * t * exp(-t);
        printf "%.3f\t%.5f\t%.4f\n", t, c, 0.0057 + 1e-6 * (i % 17);
      }
    }'; } >"$2"
}

# seconds COMMAND...: the wall-clock time of one run, in seconds; a run
# that does not end normally stops the benchmark, as its time means nothing.
seconds() {
  local TIMEFORMAT=%3R status=0
  { time "$@" </dev/null >run.console 2>&1 || status=$?; } 2>time.txt
  if [ "$status" != 0 ]; then
    echo "$* ended with status $status" >&2
    tail -20 run.console >&2
    exit 1
  fi
  tail -1 time.txt
}

# best N COMMAND...: the fastest of N runs.
best() {
  local n=$1 b="" t
  shift
  for _ in $(seq "$n"); do
    t=$(seconds "$@") || exit 1
    b=$(awk -v t="$t" -v b="$b" 'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$b"
}

echo "kaldero: $exe"

# -- one logger station of 1,000,000 lines against wc -l
logger 1000000 LOG.DAT
control LOG.D LOG.DAT
seconds "$exe" LOG.D >/dev/null
cat LOG.DAT >/dev/null
size=$(stat -c %s LOG.DAT)
t_wc=$(best 5 wc -l LOG.DAT)
t_log=$(best 5 "$exe" LOG.D)
awk -v s="$size" -v k="$t_log" -v w="$t_wc" 'BEGIN {
  printf "1,000,000-line station (%.1f MB, mode 2): %.3f s, wc -l %.3f s, ratio %.1f (target <= 10)\n",
    s / 1e6, k, w, k / w }'
# The same run on 10 lines: what starting the program and the rest of the
# run cost besides reading.
logger 10 SHORT.DAT
control SHORT.D SHORT.DAT
t_short=$(best 5 "$exe" SHORT.D)
awk -v k="$t_log" -v t="$t_short" 'BEGIN {
  printf "  the same on a 10-line station: %.3f s; reading 1,000,000 lines: %.3f s\n", t, k - t }'

# -- 1,000 and 10,000 small stations, each with its own files
awk 'BEGIN {
  for (i = 1; i <= 10000; i++) {
    f = sprintf("S%d.DAT", i);
    printf "T\n3\nC\n3\nB\n0\nQ MODE\n2\nQ UNIT\nQ\n4 0.5\nTOTALS\n1\nDISTANCE\n1 150.0\n" >f;
    printf "SINUOSITY\n0\nGEOMETRY\nPOROSITY\n1\nCONDUCTIVITY\nK\n0\n" >f;
    printf "LISTING\nS%d.OUT\nKNOTS\n0\nINTERPOLATED\nS%d.INT\nEXTRAPOLATION\n0\n", i, i >f;
    printf "DATA PLOT\n0 0 0 0\nINTERPOLATED PLOT\n0 0 0 0\nCHATWIN\n0 0 0 0\n" >f;
    printf "CXTFIT\n0 1 0\nCXTFIT FILE\nX.CXT\nNORMALIZED\n0\nNORMALIZED FILE\nX.NRM\n" >f;
    printf "NORMALIZED PLOT\n0 0 0 0\nLOAD\n0\nLOAD FILE\nX.LOD\nLOAD PLOT\n0 0 0 0\n" >f;
    printf "STANDARDIZED\n0\nSTANDARDIZED FILE\nX.STN\nSTANDARDIZED PLOT\n0 0 0 0\n" >f;
    printf "ECHO\n0\nREDUCTION\n1\nTIME CONCENTRATION\n" >f;
    printf "1 0\n2 5\n3 8\n4 3\n5 1\n6 0.2\n" >f;
    close(f);
  }
}'
control S1000.D $(seq -f 'S%.0f.DAT' 1 1000)
control S10000.D $(seq -f 'S%.0f.DAT' 1 10000)
# A first run of each writes the output files, so that the timed runs
# replace existing files alike (creating files costs the file system more).
seconds "$exe" S1000.D >/dev/null
seconds "$exe" S10000.D >/dev/null
t_1k=$(best 3 "$exe" S1000.D)
t_10k=$(best 3 "$exe" S10000.D)
awk -v a="$t_1k" -v b="$t_10k" 'BEGIN {
  printf "1,000 stations: %.3f s, 10,000 stations: %.3f s, ratio %.1f (target <= 11)\n",
    a, b, b / a }'

# -- peak resident memory on 2,000,000 lines
logger 2000000 LOG2.DAT
control LOG2.D LOG2.DAT
/usr/bin/time -f %M -o rss "$exe" LOG2.D </dev/null >/dev/null 2>&1
awk -v k="$(tail -1 rss)" -v s="$(stat -c %s LOG2.DAT)" 'BEGIN {
  printf "2,000,000-line station (%.1f MB): peak resident memory %.1f MB (target < 20)\n",
    s / 1e6, k / 1024 }'
