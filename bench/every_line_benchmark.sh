#!/usr/bin/env bash
# --every-line at the scale of a fluorometer read every second: a station
# data file of 10,000,000 lines (seconds, ug/L, a measured discharge),
# analysed whole, end to end (reading, every analysis of the listing, the
# listing), against the least a reader must do with the same file (read it
# in blocks and parse its numbers with fast_float: build/bench/bare_parse);
# the best of three runs each, and the peak resident memory in bytes a line,
# without and with the results as data (which keep the measured record for
# the signed estimates and the figures).
# Usage: bench/every_line_benchmark.sh [BUILD_DIR] [LINES]   (default: build 10000000)
set -eu
build=${1:-build}
lines=${2:-10000000}
exe=$(cd "$build" && pwd)/kaldero
bare=$(cd "$build" && pwd)/bench/bare_parse
[ -x "$exe" ] && [ -x "$bare" ] || { echo "no $exe or $bare" >&2; exit 1; }
work=$(mktemp -d /tmp/kaldero-every-line.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

{ printf 'TIME UNIT CODE\n4\nCONCENTRATION UNIT CODE\n3\nBACKGROUND OPTION\n0\n'
  printf 'DISCHARGE MODE\n1\nDISCHARGE UNIT CODE\nAND CONSTANT DISCHARGE\n4\n'
  printf 'STATION-TOTALS OPTION\n1\nDISTANCE UNIT, TRAVEL DISTANCE\n1 150.0\n'
  printf 'SINUOSITY OPTION\n0\nFLOW-GEOMETRY CODE\nPOROSITY\n1\nCONDUCTIVITY UNIT\nK\n0\n'
  printf 'RESULTS LISTING\nLOG.OUT\nKNOT OPTION\n0\nINTERPOLATED-DATA FILE\nLOG.INT\n'
  printf 'EXTRAPOLATION OPTION\n0\nDATA PLOT\n0 0 0 0\nINTERPOLATED PLOT\n0 0 0 0\n'
  printf 'CHATWIN\n0 0 0 0\nCXTFIT\n0 1 0\nCXTFIT FILE\nX.CXT\nNORMALIZED\n0\n'
  printf 'NORMALIZED FILE\nX.NRM\nNORMALIZED PLOT\n0 0 0 0\nLOAD\n0\nLOAD FILE\nX.LOD\n'
  printf 'LOAD PLOT\n0 0 0 0\nSTANDARDIZED\n0\nSTANDARDIZED FILE\nX.STN\n'
  printf 'STANDARDIZED PLOT\n0 0 0 0\nECHO\n0\nDATA-REDUCTION MODE\n1\n'
  printf 'TIME CONCENTRATION DISCHARGE\n'
  awk -v n="$lines" 'BEGIN {
    for (i = 1; i <= n; i++) {
      x = i / (n / 20); c = 50 * x * x * exp(-x);
      printf "%d\t%.5f\t%.4f\n", i, c, 0.0057 + 1e-6 * (i % 17);
    }
  }'; } >LOG.DAT
printf 'EVERY LINE BENCHMARK\n100.0\nMASS UNIT\n3\nRELEASE MODE\n1 0\nARRIVAL\n0.0\nSTATIONS\nLOG.DAT\n' >LOG.D
cat LOG.DAT >/dev/null

# best N COMMAND...: the fastest wall-clock time of N runs, in seconds.
best() {
  local n=$1 b="" t
  shift
  for _ in $(seq "$n"); do
    /usr/bin/time -f %e -o time.txt "$@" </dev/null >/dev/null 2>&1
    t=$(tail -1 time.txt)
    b=$(awk -v t="$t" -v b="$b" 'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$b"
}
# peak COMMAND...: the peak resident memory of one run, in kB.
peak() {
  /usr/bin/time -f %M -o memory.txt "$@" </dev/null >/dev/null 2>&1
  tail -1 memory.txt
}

size=$(stat -c %s LOG.DAT)
t_bare=$(best 3 "$bare" LOG.DAT)
t_all=$(best 3 "$exe" --batch --every-line LOG.D)
m_all=$(peak "$exe" --batch --every-line LOG.D)
t_data=$(best 3 "$exe" --batch --every-line --results r.json LOG.D)
m_data=$(peak "$exe" --batch --every-line --results r.json LOG.D)
awk -v n="$lines" -v s="$size" -v b="$t_bare" -v a="$t_all" -v ma="$m_all" -v d="$t_data" \
    -v md="$m_data" 'BEGIN {
  printf "%d-line station (%.0f MB), every line analysed:\n", n, s / 1e6
  printf "  bare fast_float parse             %.2f s\n", b
  printf "  kaldero --every-line              %.2f s (%.1f x the parse), %.0f bytes a line\n",
    a, a / b, ma * 1024 / n
  printf "  the same with --results           %.2f s (%.1f x the parse), %.0f bytes a line\n",
    d, d / b, md * 1024 / n
}'
