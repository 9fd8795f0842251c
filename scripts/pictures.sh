#!/usr/bin/env bash
# Makes the pictures of docs/ from a real run of the example test in
# examples/: the program runs without keyboard input and without a display
# in a scratch folder. Ghostscript renders the listings' PostScript plots;
# the report's figures (--figures) are the program's own PNG files, drawn
# at 16 x 10 cm and 110 dots an inch (the README's column).
set -eu
build=${1:-build}
run=$build/pictures
rm -rf "$run"
mkdir -p "$run"
cp examples/KALDERO.D examples/*.DAT "$run"/
# With the flow-path fits, the uncertainty draws (3 % on each
# concentration, 5 % on the discharge rating) and the report's figures,
# which change nothing else of the run.
(cd "$run" && env -u DISPLAY "$OLDPWD/$build/kaldero" --batch --fit auto --plots ps,png \
  --figures png --dpi 110 --uncertainty 400 --conc-error 3% --discharge-error 5% --seed 1 \
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
LIST
# picture  figure file of the run
while read -r picture figure; do
  cp "$run/$figure" "docs/$picture"
  echo "docs/$picture from $figure"
done <<'LIST'
fit_plot.png GDS_FIT.png
fit_plot_150m.png TQF_FIT.png
campaign_all.png KALDERO_ALL.png
campaign_recovery.png KALDERO_RECOVERY.png
figure_concentration.png GDS_CONC.png
figure_recovery.png TQF_REC.png
figure_chatwin.png TQF_CHW.png
LIST
cp "$run/TQF_NRM.png" docs/results_figure.png
echo "docs/results_figure.png from TQF_NRM.png (--plots png)"
