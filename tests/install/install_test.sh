#!/usr/bin/env bash
# make install's layout, as a packager runs it: both programs, the manual
# pages and the bash completion below DESTDIR and PREFIX; each manual page
# names every option of its program's --help; the completion offers the
# options from --help and the words of --fit.
# Usage: install_test.sh BUILD_DIR WORK
set -u
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
if ! command -v help2man >/dev/null; then
  echo "help2man is not installed"
  exit 77
fi
cmake --build "$build" --target man_pages >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr/local >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; exit 1; }
root=$work/stage/usr/local
fail=0
for f in bin/kaldero bin/kaldero-import share/man/man1/kaldero.1 share/man/man1/kaldero-import.1 \
         share/bash-completion/completions/kaldero share/bash-completion/completions/kaldero-import; do
  [ -e "$root/$f" ] || { echo "not installed: $f"; fail=1; }
done
[ -x "$root/bin/kaldero" ] && [ -x "$root/bin/kaldero-import" ] || { echo "programs not executable"; fail=1; }
# Nothing outside DESTDIR.
[ -z "$(find "$work/stage" -mindepth 1 -maxdepth 1 ! -name usr)" ] || { echo "files outside usr/"; fail=1; }
for program in kaldero kaldero-import; do
  page=$root/share/man/man1/$program.1
  [ -f "$page" ] || continue
  grep -q '^\.TH' "$page" || { echo "$program.1 is no manual page"; fail=1; }
  # help2man writes a hyphen of an option as \-.
  text=$(sed 's/\\-/-/g' "$page")
  for option in $("$root/bin/$program" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -qF -- "$option" <<<"$text" || { echo "$program.1 does not name $option"; fail=1; }
  done
done
grep -qF "Exit status" <(sed 's/\\-/-/g' "$root/share/man/man1/kaldero.1") \
  || { echo "kaldero.1 does not say what the exit statuses mean"; fail=1; }
# The completion in a shell: options from --help, the words of --fit.
complete_words() {
  PATH="$root/bin:$PATH" bash -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 ))
    _kaldero_complete "$1"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$root/share/bash-completion/completions/kaldero" "$@"
}
words=$(complete_words kaldero --fit-e)
[ "$words" = "--fit-errors" ] || { echo "completing --fit-e gave: $words"; fail=1; }
words=$(complete_words kaldero --fit a)
[ "$words" = "auto" ] || { echo "completing --fit a gave: $words"; fail=1; }
words=$(complete_words kaldero-import --inj)
[ "$words" = "--injection" ] || { echo "completing kaldero-import --inj gave: $words"; fail=1; }
[ "$fail" = 0 ] && echo "installed layout, manual pages and completion as expected"
exit "$fail"
