#!/usr/bin/env bash
# Makes the pictures of docs/ from a real run of the example test in
# examples/: the program runs without keyboard input and without a display
# in a scratch folder, and Ghostscript renders its PostScript plots; one
# plot is also shown as the program's own PNG device drew it.
set -eu
build=${1:-build}
run=$build/pictures
rm -rf "$run"
mkdir -p "$run"
cp examples/KALDERO.D examples/*.DAT "$run"/
# With the flow-path fits and the PNG device as well (with --plots, the
# campaign figures too), which change nothing else of the run.
(cd "$run" && env -u DISPLAY "$OLDPWD/$build/kaldero" --batch --fit auto --plots ps,png \
  KALDERO.D </dev/null >console.txt)
# picture  plot of the run
while read -r picture plot; do
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -sOutputFile="docs/$picture" \
    "$run/$plot"
  echo "docs/$picture from $plot"
done <<'LIST'
data_plot.png GDS_DAT.PS
interpolated_plot.png TQF_INT.PS
normalized_plot.png GDS_NRM.PS
load_plot.png TQF_LOD.PS
standardized_plot.png GDS_STN.PS
chatwin_plot.png TQF_CHT.PS
fit_plot.png GDS_FIT.PS
fit_plot_150m.png TQF_FIT.PS
campaign_all.png KALDERO_ALL.PS
campaign_recovery.png KALDERO_RECOVERY.PS
LIST
cp "$run/TQF_NRM.png" docs/results_figure.png
echo "docs/results_figure.png from TQF_NRM.png (--plots png)"
