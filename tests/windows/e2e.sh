#!/usr/bin/env bash
# krv4.exe under Wine against krv4sim on Wine's COM1. Needs WINEPREFIX set
# to a prefix of its own.
#   e2e.sh KRV4SIM KRV4_EXE
set -uo pipefail
sim=$1
exe=$2
: "${WINEPREFIX:?WINEPREFIX fehlt}"
arbeit=$(mktemp -d)
sim_pid=
aufraeumen() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$arbeit"
}
trap 'aufraeumen; wineserver -k 2>/dev/null' EXIT
source "$(dirname "$0")/wine.sh"
fehler=0
falsch() { echo "FEHLER: $*" >&2; fehler=1; }

krv4_ptyleitung "$arbeit" || exit 1
# Address 1 answers; address 2 is nobody.
krv4_sim "$sim" "$arbeit" --addresses 1 || exit 1
krv4_wine_com1 "$leitung" || exit 1

# Runs krv4.exe; its output in $ausgabe, exit code in $rc, wall time in $dauer.
krv4() {
  local start ende
  start=$(date +%s.%N)
  LD_PRELOAD=$arbeit/ptyleitung.so wine "$exe" --com 1 "$@" </dev/null >"$arbeit/aus" 2>&1
  rc=$?
  ausgabe=$(tr -d '\r' <"$arbeit/aus")
  ende=$(date +%s.%N)
  dauer=$(awk -v a="$start" -v b="$ende" 'BEGIN { printf "%.2f", b - a }')
}

krv4 id
echo "id: $ausgabe (Exit $rc, ${dauer} s)"
[[ $rc -eq 0 && $ausgabe == "QVLKRV4-TST1-1000" ]] || falsch "Kennung: $ausgabe"

for paar in "spannung 12.5 12.500" "impulszyklen 65536 65536" "relaisgruppe1 0x1a0000 001A0000"; do
  read -r name wert erwartet <<<"$paar"
  krv4 set "$name" "$wert"
  [[ $rc -eq 0 && -z $ausgabe ]] || falsch "set $name $wert: $ausgabe (Exit $rc)"
  krv4 get "$name"
  echo "set/get $name $wert: $ausgabe (Exit $rc)"
  [[ $rc -eq 0 && $ausgabe == "$erwartet" ]] || falsch "get $name: $ausgabe statt $erwartet"
done

# The silent address: the time from the command on the line to the
# time-out, as the tool's own trace sees it inside Windows.
spur=$arbeit/spur.txt
krv4 --address 2 --trace "$spur" id
echo "stumme Adresse: $ausgabe (Exit $rc, ${dauer} s)"
[[ $rc -eq 1 && $ausgabe == *"#403012"* ]] || falsch "stumme Adresse: $ausgabe (Exit $rc)"
gesendet=$(grep -m1 ' -> ' "$spur" | cut -d' ' -f2)
zeitueber=$(grep -m1 ' <- (keine Antwort)' "$spur" | cut -d' ' -f2)
if [[ -z $gesendet || -z $zeitueber ]]; then
  falsch "Spur unvollständig: $(cat "$spur")"
else
  warten=$(awk -v a="$gesendet" -v b="$zeitueber" 'BEGIN {
    split(a, x, ":"); split(b, y, ":")
    printf "%.3f", (y[1] * 3600 + y[2] * 60 + y[3]) - (x[1] * 3600 + x[2] * 60 + x[3]) }')
  echo "Zeitüberschreitung nach $warten s"
  awk -v w="$warten" 'BEGIN { exit !(w >= 0.99 && w <= 1.15) }' || falsch "Zeitüberschreitung nach $warten s statt 1,0 s"
fi

# File names come whole from the wide command line to the wide file API: a
# folder with umlauts, and one whose name the ANSI code page cannot hold.
krv4 set impulszyklen 1  # a value the program's records hold again
for ordner in "Prüfprogramme" "Łódź"; do
  mkdir -p "$arbeit/$ordner"
  unix=$arbeit/$ordner/Öl.krv
  win="Z:${unix//\//\\}"
  export LC_ALL=C.UTF-8
  krv4 read "$win"
  echo "read $ordner\\Öl.krv: Exit $rc, ${dauer} s"
  [[ $rc -eq 0 && $(stat -c %s "$unix" 2>/dev/null) == 21040 ]] || falsch "read $ordner\\Öl.krv: $ausgabe (Exit $rc)"
  krv4 compare "$win"
  [[ $rc -eq 0 && $ausgabe == *"Vergleich erfolgreich"* ]] || falsch "compare $ordner\\Öl.krv: $ausgabe (Exit $rc)"
  krv4 write "$win"
  [[ $rc -eq 0 ]] || falsch "write $ordner\\Öl.krv: $ausgabe (Exit $rc)"
  krv4 show "$win"
  [[ $rc -eq 0 && $ausgabe == *"Ausgewählt: Programm"* ]] || falsch "show $ordner\\Öl.krv: $ausgabe (Exit $rc)"
  [[ $(ls "$arbeit/$ordner") == "Öl.krv" ]] || falsch "in $ordner liegt: $(ls "$arbeit/$ordner")"
  unset LC_ALL
done
exit $fehler
