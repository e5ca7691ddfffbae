#!/usr/bin/env bash
# krv4steuerung.exe under Wine on Xvfb with Qt's windows platform (its
# default, and Wine keeps the QT_* variables of Linux from it): the
# settings file opens COM 1, which is krv4sim; the main panel comes up
# untitled; Ctrl+Q writes the settings file as the program always writes it.
# Needs WINEPREFIX set to a prefix of its own.
#   start.sh KRV4SIM KRV4STEUERUNG_EXE [PICTURE]   PICTURE: the screen with the main panel (PNG)
set -uo pipefail
sim=$1
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
bild=${3:-}
: "${WINEPREFIX:?WINEPREFIX fehlt}"
arbeit=$(mktemp -d)
sim_pid= xvfb_pid= prog_pid=
aufraeumen() {
  for pid in $prog_pid $sim_pid $xvfb_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$arbeit"
}
trap 'aufraeumen; wineserver -k 2>/dev/null' EXIT
source "$(dirname "$0")/wine.sh"
fehler=0
falsch() { echo "FEHLER: $*" >&2; fehler=1; }

# The display first: Wine's desktop process, started with the first Wine
# program, stays on the display it found.
krv4_xvfb "$arbeit" || exit 1
krv4_ptyleitung "$arbeit" || exit 1
krv4_sim "$sim" "$arbeit" --addresses 1 || exit 1
krv4_wine_com1 "$leitung" || exit 1


# Written by hand, not as the program writes it: lower-case section, no
# last port, LF line ends. The program reads it, opens COM 1 at address 2.
mkdir "$arbeit/bank"
printf '[krv4]\nport=1\n  ADRESSE = 50\n' >"$arbeit/bank/krv4Steuerung.ini"
(cd "$arbeit/bank" && LD_PRELOAD=$arbeit/ptyleitung.so exec wine "$exe" \
   </dev/null >"$arbeit/aus" 2>&1) &
prog_pid=$!

titel="KRV4 Steuerung - Unbenannt"
fenster=$(timeout 40 xdotool search --sync --onlyvisible --name "^$titel\$" 2>/dev/null | head -n1)
if [[ -z $fenster ]]; then
  falsch "kein Fenster \"$titel\": $(tr -d '\r' <"$arbeit/aus")"
  exit 1
fi
echo "Hauptpanel: \"$(xdotool getwindowname "$fenster")\""
# The screen as the operator sees it, once Wine has drawn the mapped window
# (Wine reports no "drawn", hence a second's grace for the picture only).
if [[ -n $bild ]]; then
  sleep 1
  import -window root "$bild" && echo "Bild: $bild"
fi

xdotool windowfocus --sync "$fenster" key --clearmodifiers ctrl+q
if ! timeout 60 tail --pid="$prog_pid" -f /dev/null; then
  falsch "Strg+Q beendet das Programm nicht"
  exit 1
fi
wait "$prog_pid"
rc=$?
prog_pid=
[[ $rc -eq 0 ]] || falsch "Exit $rc: $(tr -d '\r' <"$arbeit/aus")"

erwartet=$'[KRV4]\r\nadresse = 50\r\nlport = 1\r\nport = 1\r\n\r\n'
if cmp -s <(printf '%s' "$erwartet") "$arbeit/bank/krv4Steuerung.ini"; then
  echo "krv4Steuerung.ini: Byte für Byte wie erwartet (COM 1 war offen)"
else
  falsch "krv4Steuerung.ini: $(od -c "$arbeit/bank/krv4Steuerung.ini" | head -n 8)"
fi
exit $fehler
