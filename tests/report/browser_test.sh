#!/usr/bin/env bash
# The HTML report in a real browser. The example tool renders the report of
# a hand-made run record: the two-station example (A.DAT analysed with a
# flow-path fit, B.DAT stopped the run) and a campaign of 2,000 stations.
# Headless Chromium then
#   - reads the example's DOM (summary, stations, figures as SVG);
#   - measures the page in a frame 1280 and 400 px wide: no sideways
#     scrolling (the root's scroll width within the frame's width) and the
#     summary table's top within the first 1,200 px, for both reports; the
#     figures' text 9 px or more and never larger than the headings;
#   - takes a screenshot: the curves of the campaign figures show at once;
#   - prints the example to PDF on A4 and Letter: at most 8 pages each, the
#     figures' curves on paper.
#
#   browser_test.sh EXAMPLE_TOOL WORK_DIR
#
# Exit status 77 (skipped) when Chromium or poppler's tools are missing.
set -u
tool=$1 work=$2

chromium=$(command -v chromium || true)
[ -n "$chromium" ] || { echo "SKIPPED: chromium is not installed"; exit 77; }
for t in pdfinfo pdftoppm; do
  command -v $t >/dev/null || { echo "SKIPPED: $t is not installed"; exit 77; }
done

failed=0
fail() { echo "FAILED: $*"; failed=1; }

rm -rf "$work"
mkdir -p "$work/two" "$work/campaign"
work=$(cd "$work" && pwd)
profile=$(mktemp -d /tmp/kaldero-chromium.XXXXXX)
trap 'rm -rf "$profile"' EXIT
# Whatever the browser keeps for a user goes to the scratch folder too.
export HOME=$profile/home XDG_CONFIG_HOME=$profile/config XDG_CACHE_HOME=$profile/cache

"$tool" render "$work/two" >/dev/null || { echo "FAILED: the example was not written"; exit 1; }
"$tool" render "$work/campaign" 2000 >/dev/null ||
  { echo "FAILED: the campaign report was not written"; exit 1; }

browser() {
  timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>>"$work/chromium.log"
}

# An attribute of the measuring page's root element.
attribute() { sed -n "s/.*<html[^>]* $2=\"\([^\"]*\)\".*/\1/p" "$1" | head -n 1; }

# The page as the browser built it.
dom=$work/two/dom.html
browser --dump-dom "file://$work/two/report.html" >"$dom" || fail "chromium could not read the page"
for text in "Summary of all stations" ">A.DAT</a>" ">B.DAT</a>" "THE RUN STOPS." \
  "All stations: concentration per kg recovered" "Cumulative recovery" "A.DAT (1500 m): flow-path fit" \
  "Every model tried" "Longitudinal dispersivity" "µg/L" 'href="A.OUT"' \
  'href="results.json"' 'href="results.csv"' "SHA-256 "; do
  grep -qF -- "$text" "$dom" || fail "the page has no \"$text\""
done
figures=$(grep -o '<svg ' "$dom" | wc -l)
[ "$figures" = 8 ] || fail "the page has $figures figures, not 8"

# Width and the summary's place, in frames of 1280 and 400 px.
for report in two campaign; do
  for width in 1280 400; do
    out=$work/$report/measure-$width.dom
    browser --window-size=1400,1600 --dump-dom "file://$work/$report/measure-$width.html" >"$out" ||
      fail "$report at $width px: chromium could not read the page"
    scroll=$(attribute "$out" data-scroll-width)
    inner=$(attribute "$out" data-window-width)
    top=$(attribute "$out" data-summary-top)
    echo "$report at $width px: scroll width ${scroll:-?}, window ${inner:-?}, summary top ${top:-?} px"
    if [ -z "$scroll" ] || [ -z "$inner" ] || [ -z "$top" ]; then
      fail "$report at $width px: no measurement"
      continue
    fi
    [ "$scroll" -le "$inner" ] ||
      fail "$report at $width px: the page scrolls sideways ($scroll > $inner px;" \
        "too wide: $(attribute "$out" data-too-wide))"
    [ "$top" -ge 0 ] && [ "$top" -le 1200 ] ||
      fail "$report at $width px: the summary table starts at $top px"
    # The figures' text: readable (9 px and more) at 400 px, never larger
    # than the smallest heading at 1280 px.
    read -r small large <<<"$(attribute "$out" data-figure-text)"
    heading=$(attribute "$out" data-heading-size)
    echo "$report at $width px: figure text ${small:-?} to ${large:-?} px, headings ${heading:-?} px"
    if [ "$report" = two ]; then
      if [ -z "${small:-}" ] || [ -z "$heading" ]; then
        fail "$report at $width px: the figures' text was not measured"
      else
        awk -v s="$small" 'BEGIN { exit !(s >= 9) }' ||
          fail "$report at $width px: figure text of $small px is too small to read"
        awk -v l="$large" -v h="$heading" 'BEGIN { exit !(l <= h) }' ||
          fail "$report at $width px: figure text of $large px is larger than the headings ($heading px)"
      fi
    fi
  done
done

# The screen: the campaign figures' curves (A.DAT in the first colour of
# the palette) within the first 1,200 px.
colour=332288
browser --screenshot="$work/two/screen.png" --window-size=1280,1200 \
  "file://$work/two/report.html" >/dev/null || fail "no screenshot"
pixels=$("$tool" colour "$work/two/screen.png" $colour | awk '$1 == "pixels" { print $2 }')
[ "${pixels:-0}" -ge 1000 ] || fail "the first screen shows ${pixels:-no} pixels of the curves"

# Paper, A4 and Letter: at most 8 pages; the curves on at least 3 of them.
for paper in a4 letter; do
  pdf=$work/two/$paper.pdf
  browser --print-to-pdf="$pdf" --no-pdf-header-footer "file://$work/two/print-$paper.html" \
    >/dev/null || { fail "no PDF on $paper"; continue; }
  pages=$(pdfinfo "$pdf" | awk '$1 == "Pages:" { print $2 }')
  echo "$paper: ${pages:-?} pages"
  [ -n "$pages" ] && [ "$pages" -le 8 ] || fail "the example prints to ${pages:-?} pages on $paper"
  if pdftoppm -r 100 -png "$pdf" "$work/two/$paper"; then
    drawn=0
    for png in "$work/two/$paper"-*.png; do
      n=$("$tool" colour "$png" $colour | awk '$1 == "pixels" { print $2 }')
      [ "${n:-0}" -ge 100 ] && drawn=$((drawn + 1))
    done
    [ "$drawn" -ge 3 ] || fail "the curves show on $drawn printed pages on $paper, not 3 or more"
  else
    fail "the PDF on $paper could not be read"
  fi
done

[ "$failed" = 0 ] && echo "The report renders: summary first, no sideways scrolling, figures on" \
  "screen and paper, at most 8 pages."
exit "$failed"
