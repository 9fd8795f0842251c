#!/usr/bin/env bash
# Inputs too large to keep in the repository, made on the fly: lines of
# megabytes in the control file, the header and the data, and a control file
# listing thousands of stations. Each run must end cleanly, in bounded time,
# with its listings written and no number field showing NaN or Infinity.
set -u
exe=$1 work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fail=0
station() {  # name, listing name, data
  {
    printf 'TIME UNIT\n2\nCONCENTRATION UNIT\n3\nBACKGROUND\n0\nDISCHARGE MODE\n2\nUNIT\nAND Q\n4 0.5\n'
    printf 'TOTALS\n1\nDISTANCE\n1 150.0\nSINUOSITY\n0\nGEOMETRY\nPOROSITY\n1\nCONDUCTIVITY\nK\n0\n'
    printf 'LISTING\n%s\nKNOTS\n0\nINTERPOLATED\n%s.INT\nEXTRAPOLATION\n0\nDATA PLOT\n0 0 0 0\n' "$2" "$2"
    printf 'INTERPOLATED PLOT\n0 0 0 0\nCHATWIN\n0 0 0 0\nCXTFIT\n0 1 0\nCXTFIT FILE\nX.CXT\n'
    printf 'NORMALIZED\n0\nNORMALIZED FILE\nX.NRM\nNORMALIZED PLOT\n0 0 0 0\nLOAD\n0\nLOAD FILE\nX.LOD\n'
    printf 'LOAD PLOT\n0 0 0 0\nSTANDARDIZED\n0\nSTANDARDIZED FILE\nX.STN\nSTANDARDIZED PLOT\n0 0 0 0\n'
    printf 'ECHO\n0\nREDUCTION\n1\nTIME CONCENTRATION\n'
    printf '%s' "$3"
  } >"$1"
}
check() {  # what, expected status, listing
  local what=$1 want=$2 status=$3 listing=$4
  if [ "$status" != "$want" ]; then echo "$what: exit status $status, expected $want"; fail=1; fi
  if [ -n "$listing" ] && [ ! -s "$listing" ]; then echo "$what: no results listing $listing"; fail=1; fi
  if [ -n "$listing" ] && grep -qiE 'nan|infinity' "$listing"; then echo "$what: NaN in $listing"; fail=1; fi
}
data=$(printf '1 0\n2 5\n3 8\n4 3\n5 1\n6 0.2\n')

# Megabyte lines: a title, a header label and blanks before a data line.
title=$(head -c 3000000 /dev/zero | tr '\0' 'T')
blanks=$(head -c 2000000 /dev/zero | tr '\0' ' ')
printf '%s\n100\nL\n3\nL\n1\nL\n0\nL\nBIG.DAT\n' "$title" >BIG.D
station BIG.DAT BIG.OUT "$(printf '1 0\n2 5\n%s3 8\n4 3\n5 1\n6 0.2\n' "$blanks")"
sed -i "1s/.*/$(head -c 5000000 /dev/zero | tr '\0' 'L')/" BIG.DAT
timeout 60 "$exe" BIG.D </dev/null >big.console 2>&1
check "megabyte lines" 0 $? BIG.OUT
grep -q "Total quantity of tracer recovered" BIG.OUT || { echo "megabyte lines: no run totals"; fail=1; }

# A control file listing 3000 stations, each a small file of its own.
mkdir many
station many/S1.DAT many/S1.OUT "$data"
for i in $(seq 2 3000); do
  sed "25s/.*/many\/S$i.OUT/; 29s/.*/many\/S$i.OUT.INT/" many/S1.DAT >many/S$i.DAT
done
{ printf 'MANY STATIONS\n100\nL\n3\nL\n1\nL\n0\nL\n'; for i in $(seq 3000); do echo many/S$i.DAT; done; } >MANY.D
start=$(date +%s)
timeout 120 "$exe" MANY.D </dev/null >many.console 2>&1
check "3000 stations" 0 $? many/S3000.OUT
[ "$(grep -c 'PROCESSING OF NEXT SAMPLING STATION DATA' many.console)" = 3001 ] ||
  { echo "3000 stations: not every station was processed"; fail=1; }
echo "3000 stations took $(( $(date +%s) - start )) s"

# A station data file or a control file that is a FIFO (nobody writes to
# it) is refused at once with the not-found report; opening it must not
# wait for a writer.
mkfifo FIFO.DAT FIFO.D
printf 'FIFO STATION\n100\nL\n3\nL\n1\nL\n0\nL\nFIFO.DAT\n' >FIFOSTATION.D
timeout 10 "$exe" FIFOSTATION.D </dev/null >fifo-station.console 2>&1
check "FIFO as station file" 1 $? ""
grep -q "HAS NOT BEEN FOUND IN THE CURRENT DIRECTORY" fifo-station.console ||
  { echo "FIFO as station file: no not-found report"; fail=1; }
timeout 10 "$exe" FIFO.D </dev/null >fifo-control.console 2>&1
check "FIFO as control file" 1 $? ""
grep -q "HAS NOT BEEN FOUND IN THE CURRENT  DIRECTORY" fifo-control.console ||
  { echo "FIFO as control file: no not-found report"; fail=1; }

# A data value of a megabyte: a clean wrong-format stop with a short report.
station HUGE.DAT HUGE.OUT "$(printf '1 0\n2 %s\n' "$(head -c 1000000 /dev/zero | tr '\0' '9')")"
printf 'HUGE\n100\nL\n3\nL\n1\nL\n0\nL\nHUGE.DAT\n' >HUGE.D
timeout 60 "$exe" HUGE.D </dev/null >huge.console 2>&1
check "megabyte value" 1 $? ""
[ "$(wc -L <huge.console)" -lt 200 ] || { echo "megabyte value: the report repeats the value"; fail=1; }
exit $fail
