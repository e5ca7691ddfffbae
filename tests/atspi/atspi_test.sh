#!/usr/bin/env bash
# The program operated through AT-SPI alone against krv4sim: a check box, the
# direct test on and off, and the question about unsaved data on quitting.
#   atspi_test.sh PROGRAMM KRV4SIM
# Runs on a virtual display (Xvfb) in a D-Bus session of its own. Exit 77
# (skipped) only when that session bus cannot start.
set -euo pipefail
programm=$(realpath "$1")
sim=$(realpath "$2")
hier=$(dirname "$(realpath "$0")")
tmp=$(mktemp -d)
sim_pid=
aufraeumen() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap aufraeumen EXIT

if ! out=$(timeout 20 dbus-run-session -- true 2>&1); then
  echo "Übersprungen: die D-Bus-Sitzung startet nicht: $out"
  exit 77
fi

# The simulator names its line on the first line of its output.
exec {sim_out}< <(exec "$sim" --log "$tmp/rahmen.log")
sim_pid=$!
if ! read -r -t 10 -u "$sim_out" leitung || [[ -z $leitung ]]; then
  echo "Fehler: krv4sim meldet keine Leitung." >&2
  exit 1
fi
cat <&"$sim_out" >/dev/null &
export KRV4_COM1=$leitung

# The program's folder: its settings file opens COM 1 at address 1.
mkdir "$tmp/arbeit"
printf '[KRV4]\r\nadresse = 49\r\nlport = 1\r\nport = 1\r\n\r\n' >"$tmp/arbeit/krv4Steuerung.ini"
cd "$tmp/arbeit"
export XDG_RUNTIME_DIR=$tmp/laufzeit
mkdir -m 700 "$XDG_RUNTIME_DIR"
status=0
timeout -k 5 150 xvfb-run -a -s "-screen 0 1600x1200x24" \
  dbus-run-session -- /usr/bin/python3 "$hier/bedienung.py" "$programm" "$tmp/rahmen.log" || status=$?
if ((status == 77)); then exit 77; fi
if ((status != 0)); then
  echo "Rahmen an krv4sim:" >&2
  cat "$tmp/rahmen.log" >&2 || true
fi
exit "$status"
