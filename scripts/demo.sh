#!/usr/bin/env bash
# Runs the program on the example test in examples/, without keyboard input
# and without a display, in a scratch folder, and names the files the run
# wrote. Fails when a kind of output file the examples ask for is missing.
set -eu
build=${1:-build}
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp examples/KALDERO.D examples/*.DAT "$demo"/
before=$(cd "$demo" && ls)
status=0
(cd "$demo" && env -u DISPLAY "$OLDPWD/$build/kaldero" KALDERO.D </dev/null >console.txt) || status=$?
echo "The program ran on examples/KALDERO.D in $demo (exit status $status)."
echo "Console text: $demo/console.txt"

kind() {
  case "$1" in
    *_CHT.OUT) echo "Chatwin table file" ;;
    *_FIT.OUT) echo "flow-path fit file" ;;
    *_RCH.OUT) echo "reach fit file" ;;
    *.OUT) echo "results listing" ;;
    *.INT) echo "interpolated-data file" ;;
    *.CXT) echo "CXTFIT input file" ;;
    *.NRM) echo "normalized curve file" ;;
    *.LOD) echo "load curve file" ;;
    *.STN) echo "standardized curve file" ;;
    *_DAT.PS) echo "data plot" ;;
    *_INT.PS) echo "interpolated-data plot" ;;
    *_CHT.PS) echo "Chatwin plot" ;;
    *_NRM.PS) echo "normalized concentration plot" ;;
    *_LOD.PS) echo "normalized load plot" ;;
    *_STN.PS) echo "standardized curve plot" ;;
    *_FIT.PS) echo "flow-path fit plot" ;;
    *_RCH.PS) echo "reach fit plot" ;;
    *_ALL.PS) echo "campaign figure: every station's curve" ;;
    *_RECOVERY.PS) echo "campaign figure: cumulative recovery" ;;
    *.png | *.svg | *.pdf) echo "$(kind "${1%.*}.PS"), ${1##*.}" ;;
    *.NRM.csv | *.LOD.csv | *.STN.csv) echo "$(kind "${1%.csv}") as CSV" ;;
    *.json) echo "results file (JSON)" ;;
    *.csv) echo "results table (CSV)" ;;
    *.html) echo "HTML report" ;;
    *) echo "other" ;;
  esac
}

echo "Files the run wrote:"
written=""
for f in $(cd "$demo" && ls); do
  case " $(echo $before) console.txt " in *" $f "*) continue ;; esac
  written="$written $f"
  printf '  %-14s %9d bytes  %s\n' "$f" "$(stat -c %s "$demo/$f")" "$(kind "$f")"
done

missing=0
for want in "results listing" "Chatwin table file" "interpolated-data file" "CXTFIT input file" \
            "normalized curve file" "load curve file" "standardized curve file" "data plot" \
            "interpolated-data plot" "Chatwin plot" "normalized concentration plot" \
            "normalized load plot" "standardized curve plot"; do
  found=0
  for f in $written; do [ "$(kind "$f")" = "$want" ] && found=1; done
  if [ $found = 0 ]; then
    echo "missing: no $want was written"
    missing=1
  fi
done
[ $status = 0 ] && status=$missing

# Results as data: the same example once more in batch mode with every
# results option: the results as JSON and CSV, an HTML report, every plot
# also as PNG, SVG and PDF with the campaign figures, the curve files also
# as CSV, the flow-path fits, the reach between the two springs and the
# uncertainty of every result.
results=$build/demo-results
rm -rf "$results"
mkdir -p "$results"
cp examples/KALDERO.D examples/*.DAT "$results"/
echo
results_status=0
(cd "$results" && env -u DISPLAY "$OLDPWD/$build/kaldero" --batch --results results.json \
   --table results.csv --report report.html --plots ps,png,svg,pdf --curves-csv --fit auto \
   --fit-reaches --uncertainty 200 --conc-error 3% --discharge-error 5% KALDERO.D \
   </dev/null >console.txt) || results_status=$?
echo "The program ran on examples/KALDERO.D with every results option in $results"
echo "(exit status $results_status):"
echo "  kaldero --batch --results results.json --table results.csv --report report.html \\"
echo "          --plots ps,png,svg,pdf --curves-csv --fit auto --fit-reaches \\"
echo "          --uncertainty 200 --conc-error 3% --discharge-error 5% KALDERO.D"
echo "Console text (one summary line per station): $results/console.txt"
echo "Files the run wrote:"
for f in $(cd "$results" && ls); do
  case " KALDERO.D $(cd examples && echo *.DAT) console.txt " in *" $f "*) continue ;; esac
  printf '  %-20s %9d bytes  %s\n' "$f" "$(stat -c %s "$results/$f")" "$(kind "$f")"
done
for f in results.json results.csv report.html KALDERO_ALL.png KALDERO_RECOVERY.png TQF.NRM.csv \
         GDS_TQF_RCH.OUT GDS_TQF_RCH.png; do
  if [ ! -s "$results/$f" ]; then
    echo "missing: $f was not written"
    results_status=1
  fi
done
[ $status = 0 ] && status=$results_status

# From a logger file to a station file: kaldero-import turns the real 150 m
# fluorometer export (examples/loggers/) into a station data file and a
# control file, and the program runs on them.
export_file=$(pwd)/examples/loggers/furfooz_150m_fluorometer.txt
echo
imported=$build/demo-import
rm -rf "$imported"
mkdir -p "$imported"
echo "Importing $export_file into $imported:"
import_status=0
(cd "$imported" && "$OLDPWD/$build/kaldero-import" "$export_file" -o TQF.DAT \
   --injection "2016-04-13 10:00" --date-column Date --time-column Time \
   --concentration-column "Rhodamine [ppb]" --concentration-unit ppb \
   --discharge "0.0057 m3/s" --distance 150m \
   --control KALDERO.D --mass "200 g" --release pulse:0.1) || import_status=$?
if [ $import_status != 0 ]; then
  echo "kaldero-import failed (exit status $import_status)."
  exit $import_status
fi
run_status=0
# From the logger file to figures, a table and fitted flow paths.
(cd "$imported" && env -u DISPLAY "$OLDPWD/$build/kaldero" --batch --plots ps,png \
   --table results.csv --fit auto KALDERO.D </dev/null >console.txt) || run_status=$?
echo "The program ran on the imported station in $imported (exit status $run_status):"
echo "  kaldero --batch --plots ps,png --table results.csv --fit auto KALDERO.D"
echo "Files there:"
for f in $(cd "$imported" && ls); do
  case "$f" in
    TQF.DAT) what="station data file written by kaldero-import" ;;
    KALDERO.D) what="control file written by kaldero-import" ;;
    console.txt) what="console text of the run" ;;
    *) what=$(kind "$f") ;;
  esac
  printf '  %-20s %9d bytes  %s\n' "$f" "$(stat -c %s "$imported/$f")" "$what"
done
[ $status = 0 ] && status=$run_status
exit $status
