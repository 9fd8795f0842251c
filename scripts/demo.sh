#!/usr/bin/env bash
# Runs the program on the example test in examples/, without keyboard input,
# in a scratch folder, and names the files the run wrote.
set -eu
build=${1:-build}
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp examples/KALDERO.D examples/*.DAT "$demo"/
before=$(cd "$demo" && ls)
status=0
(cd "$demo" && "$OLDPWD/$build/kaldero" KALDERO.D </dev/null >console.txt) || status=$?
echo "The program ran on examples/KALDERO.D in $demo (exit status $status)."
echo "Console text: $demo/console.txt"
echo "Files the run wrote:"
(cd "$demo" && for f in $(ls); do
   case " $(echo $before) console.txt " in *" $f "*) ;; *) printf '  %-24s %8d bytes\n' "$f" "$(stat -c %s "$f")" ;; esac
 done)
exit $status
