#!/usr/bin/env bash
# A full disk at several fill levels (a small tmpfs for the run's folder):
# every run ends with a report (exit status 1 or 4, never a crash or a
# hang), and every file it leaves besides its inputs and the results
# listing (which says itself that it is incomplete) is whole: byte for byte
# the file of the same run on a disk with room. Skipped where no tmpfs can
# be mounted (not root).
# Usage: full_disk.sh KALDERO SOURCE_DIR WORK
set -u
exe=$1 src=$2 work=$3
rm -rf "$work"
mkdir -p "$work/reference" "$work/full"
if ! mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
  echo "no tmpfs can be mounted here"
  exit 77
fi
umount "$work/full"
trap 'umount "$work/full" 2>/dev/null' EXIT
export SOURCE_DATE_EPOCH=1700000000
args=(--batch --results r.json --table r.csv --report r.html --plots ps,png,svg,pdf
      --fit 1 --uncertainty 100 --conc-error 3% KALDERO.D)
inputs="KALDERO.D TQF.DAT GDS.DAT"
for f in $inputs; do cp "$src/examples/$f" "$work/reference/"; done
(cd "$work/reference" && timeout 120 "$exe" "${args[@]}" </dev/null >console 2>&1) \
  || { echo "the reference run failed"; exit 1; }
# A file without the clock time the graphics libraries write into
# PostScript and PDF files (the runs are a few seconds apart).
undated() {
  LC_ALL=C sed -E 's/^%%CreationDate:.*$//; s/CreationDate ?\([^)]*\)//' "$1"
}
fail=0
for size in 24k 96k 256k 640k 1200k 2m 3m; do
  mount -t tmpfs -o size=$size tmpfs "$work/full" || { echo "cannot mount $size"; exit 1; }
  for f in $inputs; do cp "$src/examples/$f" "$work/full/" 2>/dev/null; done
  (cd "$work/full" && timeout 120 "$exe" "${args[@]}" </dev/null >"$work/console.$size" 2>/dev/null)
  status=$?
  case $status in
    1|4) ;;
    *) echo "$size: exit status $status"; fail=1 ;;
  esac
  for f in $(cd "$work/full" && ls -A); do
    case " $inputs " in *" $f "*) continue ;; esac
    case $f in *.OUT) grep -q "RESULTS LISTING IS INCOMPLETE" "$work/console.$size" && continue ;; esac
    if ! cmp -s <(undated "$work/full/$f") <(undated "$work/reference/$f"); then
      echo "$size: $f is left but not whole"
      fail=1
    fi
  done
  umount "$work/full"
done
[ "$fail" = 0 ] && echo "every file left on a full disk is whole"
exit "$fail"
