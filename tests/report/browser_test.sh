#!/usr/bin/env bash
# The HTML report in a real browser. The example tool draws three SVG
# figures with the graphics library and writes a report of two stations
# (one with a model fit, one that stopped the run); headless Chromium then
# reads the page (its DOM must hold the summary table, the listing and the
# three figures), takes a screenshot (the red curves of the first station's
# figures must show) and prints the page to PDF (every figure's red curve
# must show on paper).
#
#   browser_test.sh EXAMPLE_TOOL RESULTS.json LISTING WORK_DIR
#
# Exit status 77 (skipped) when Chromium or pdftoppm is missing.
set -u
tool=$1 results=$2 listing=$3 work=$4

chromium=$(command -v chromium || true)
[ -n "$chromium" ] || { echo "SKIPPED: chromium is not installed"; exit 77; }
command -v pdftoppm >/dev/null || { echo "SKIPPED: pdftoppm is not installed"; exit 77; }

failed=0
fail() { echo "FAILED: $*"; failed=1; }

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
profile=$(mktemp -d /tmp/kaldero-chromium.XXXXXX)
trap 'rm -rf "$profile"' EXIT
# Whatever the browser keeps for a user goes to the scratch folder too.
export HOME=$profile/home XDG_CONFIG_HOME=$profile/config XDG_CACHE_HOME=$profile/cache

"$tool" render "$results" "$listing" "$work" || { echo "FAILED: the report was not written"; exit 1; }
page="file://$work/report.html"

browser() {
  timeout 18 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>>"$work/chromium.log"
}

# The page as the browser built it.
browser --dump-dom "$page" >"$work/dom.html" || fail "chromium could not read the page"
for text in "Summary of all stations" ">A.DAT</a>" ">B.DAT</a>" "0.0029952" "29.952" \
  "0.020071" "0.48217" "Fit, flow path 2" "0.188 – 0.236" "THE RUN STOPS." \
  "Longitudinal dispersivity" "µg/L" "DISPERSION ESTIMATE IS PROBABLY TOO LARGE" \
  'href="A_FIT.svg"'; do
  grep -qF -- "$text" "$work/dom.html" || fail "the page has no \"$text\""
done
figures=$(grep -o '<svg ' "$work/dom.html" | wc -l)
[ "$figures" = 3 ] || fail "the page has $figures figures, not 3"

# The screen: both figures of A.DAT come within the first 4000 pixels.
browser --screenshot="$work/screen.png" --window-size=1280,4000 "$page" >/dev/null ||
  fail "no screenshot"
if "$tool" red "$work/screen.png" >"$work/screen.red"; then
  curves=$(awk '$1 == "curves" { print $2 }' "$work/screen.red")
  pixels=$(awk '$1 == "pixels" { print $2 }' "$work/screen.red")
  [ "${curves:-0}" -ge 2 ] || fail "the screenshot shows ${curves:-no} red curves, not 2 or more"
  [ "${pixels:-0}" -ge 1500 ] || fail "the screenshot has only ${pixels:-0} red pixels"
else
  fail "the screenshot could not be read"
fi

# Paper: every figure on one page, each with its red curve.
browser --print-to-pdf="$work/report.pdf" --no-pdf-header-footer "$page" >/dev/null ||
  fail "no PDF"
if pdftoppm -r 72 -png "$work/report.pdf" "$work/paper"; then
  total=0
  for png in "$work"/paper-*.png; do
    n=$("$tool" red "$png" | awk '$1 == "curves" { print $2 }')
    total=$((total + ${n:-0}))
  done
  [ "$total" = 3 ] || fail "the printed page shows $total red curves, not 3"
else
  fail "the PDF could not be read"
fi

[ "$failed" = 0 ] && echo "The report renders: summary, listing and 3 figures."
exit "$failed"
