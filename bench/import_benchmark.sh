#!/usr/bin/env bash
# Times kaldero-import on generated fluorometer exports (semicolons, split
# date and time, decimal commas, metadata lines) of 100,000 and 1,000,000
# rows, and reports the peak resident memory of each run: the memory must
# not grow with the file.
set -eu
build=${1:-build}
exe=$(cd "$build" && pwd)/kaldero-import
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One row a second from 13.04.2016 10:00:01 (1,000,000 seconds stay within
# April).
make_export() {
  awk -v n="$1" 'BEGIN {
    print "Field fluorometer export"; print "Site: benchmark"; print "Interval: 00:00:01"; print "";
    print "Date;Time;Uranine [ppb];Rhodamine [ppb]";
    for (i = 1; i <= n; i++) {
      s = 36000 + i; d = 13 + int(s / 86400); s = s % 86400;
      c = 1000 * exp(-((i - 3600) / 2000) ^ 2);
      printf "%02d.04.2016;%02d:%02d:%02d;0,55;%d,%02d\n", d, int(s / 3600), int(s / 60) % 60, s % 60, int(c), int(c * 100) % 100;
    }
  }' >"$2"
}

# A discharge logger in L/s, one ISO-stamped record every 10 seconds.
make_discharge() {
  awk -v n="$1" 'BEGIN {
    print "datetime,discharge_L_s";
    for (i = 0; i <= n; i += 10) {
      s = 36000 + i; d = 13 + int(s / 86400); s = s % 86400;
      printf "2016-04-%02dT%02d:%02d:%02d,%.3f\n", d, int(s / 3600), int(s / 60) % 60, s % 60, 6 - i / 1e6;
    }
  }' >"$2"
}

# run ROWS [OPTIONS...]: the best of three conversions of a ROWS-row export.
run() {
  local rows=$1 file=$work/export_$1.txt best=""
  shift
  [ -f "$file" ] || make_export "$rows" "$file"
  local size
  size=$(stat -c %s "$file")
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$work/rss" "$exe" "$file" -o "$work/ST.DAT" \
      --injection "2016-04-13 10:00" --date-column Date --time-column Time \
      --concentration-column "Rhodamine [ppb]" --concentration-unit ppb \
      --distance 150m "$@" >/dev/null
    end=$(date +%s.%N)
    # Keeps the fastest run: seconds and peak resident kilobytes.
    best=$(awk -v s="$start" -v e="$end" -v r="$(tail -1 "$work/rss")" -v b="$best" \
      'BEGIN { t = e - s; split(b, o, " "); if (b == "" || t < o[1]) print t, r; else print b }')
  done
  awk -v n="$rows" -v size="$size" -v b="$best" 'BEGIN {
    split(b, o, " ");
    printf "%9d rows  %5.1f MB  best of 3: %6.3f s  %6.1f MB/s  peak resident memory %6.1f MB\n",
      n, size / 1e6, o[1], size / 1e6 / o[1], o[2] / 1024 }'
}

echo "kaldero-import on generated fluorometer exports:"
run 100000 --discharge "0.0057 m3/s"
run 1000000 --discharge "0.0057 m3/s"
make_discharge 1000000 "$work/spring.csv"
echo "the same with a second discharge logger of 100,000 records aligned onto the stamps:"
run 1000000 --discharge-file "$work/spring.csv" --discharge-column discharge_L_s --discharge-unit L/s
