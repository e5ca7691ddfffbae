#!/usr/bin/env bash
# The installer in a fresh Wine prefix of its own: silent install, the
# files, registry keys and start-menu entries; a .krv opened by the shell
# ("wine start", as a double-click) starts the program with that file; a
# silent uninstall takes back everything it made and leaves the operator's
# files.
#   installer.sh SETUP_EXE DATA_FILE(.krv)
set -uo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
beispiel=$2
arbeit=$(mktemp -d)
xvfb_pid= prog_pid=
aufraeumen() {
  wineserver -k 2>/dev/null
  [[ -n $prog_pid ]] && kill "$prog_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$arbeit"
}
trap aufraeumen EXIT
source "$(dirname "$0")/wine.sh"
fehler=0
falsch() { echo "FEHLER: $*" >&2; fehler=1; }

krv4_xvfb "$arbeit" || exit 1
krv4_wine_prefix "$arbeit/wine" && krv4_wine_server || exit 1
c=$WINEPREFIX/drive_c

# Wine's paths of the folders the installer uses, as Unix paths.
unix() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
ordner() { wine cmd /c echo "$1" </dev/null 2>/dev/null | tr -d '\r'; }
programme=$(unix "$(ordner '%ProgramFiles%')\\KRV4 Steuerung")
startmenue=$(unix "$(ordner '%AppData%')\\Microsoft\\Windows\\Start Menu\\Programs\\KRV4 Steuerung")
dokumente=$(unix "$(ordner '%UserProfile%')\\Documents\\KRV4 Steuerung")
regwert() {  # KEY [VALUE]: the value's data (the default value without VALUE), empty when missing
  local datei=$arbeit/export.reg name=${2:+\"$2\"}
  rm -f "$datei"
  wine regedit /E "$(winepath -w "$datei" 2>/dev/null)" "HKEY_LOCAL_MACHINE${1#HKLM}" </dev/null >/dev/null 2>&1
  [[ -f $datei ]] || return 0
  iconv -f UTF-16 -t UTF-8 "$datei" | tr -d '\r' |
    awk -v n="${name:-@}" '/^\[/ { h++; next } h == 1 && index($0, n "=") == 1 { v = substr($0, length(n) + 2); gsub(/^"|"$/, "", v); gsub(/\\\\/, "\\", v); gsub(/\\"/, "\"", v); print v; exit }'
}
schluessel_da() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
uninst='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KRV4Steuerung'

wine "$setup" /S </dev/null >/dev/null 2>&1
rc=$?
[[ $rc -eq 0 ]] || falsch "Installation: Exit $rc"
for f in krv4steuerung.exe krv4.exe uninstall.exe application-x-krv4-programme.ico application-x-krv4-kalibrierdaten.ico; do
  [[ -f $programme/$f ]] || falsch "$f fehlt in $programme"
done
[[ -d $dokumente ]] || falsch "Arbeitsordner $dokumente fehlt"
for lnk in "KRV4 Steuerung.lnk" "KRV4 Steuerung (Service).lnk"; do
  [[ -f $startmenue/$lnk ]] || falsch "Startmenü: $lnk fehlt"
done
# The shortcut's target, arguments and working directory, as the shell link
# holds them (UTF-16 strings in the .lnk).
lnktext() { strings -e l "$1"; }
lnk=$(lnktext "$startmenue/KRV4 Steuerung.lnk")
grep -qi 'Documents\\KRV4 Steuerung$' <<<"$lnk" || falsch "Arbeitsordner der Verknüpfung: $lnk"
grep -q -- '-p=SrvModeOpen' <<<"$(lnktext "$startmenue/KRV4 Steuerung (Service).lnk")" ||
  falsch "Service-Verknüpfung ohne -p=SrvModeOpen"
grep -q -- '-p=SrvModeOpen' <<<"$lnk" && falsch "die normale Verknüpfung hat den Service-Schalter"

[[ $(regwert "$uninst" DisplayName) == "KRV4 Steuerung" ]] || falsch "Programme und Features: kein Eintrag"
[[ $(regwert "$uninst" UninstallString) == *uninstall.exe* ]] || falsch "UninstallString: $(regwert "$uninst" UninstallString)"
[[ $(regwert 'HKLM\Software\Classes\.krv') == KRV4Steuerung.Programme ]] || falsch ".krv nicht eingetragen"
[[ $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Programme') == "KRV-4-Prüfprogramme" ]] ||
  falsch "Dateityp .krv heißt \"$(regwert 'HKLM\Software\Classes\KRV4Steuerung.Programme')\""
[[ $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Kalibrierdaten') == "KRV-4-Kalibrierdaten" ]] || falsch ".krk nicht eingetragen"
[[ $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Programme\DefaultIcon') == *programme.ico ]] || falsch ".krv ohne Symbol"
[[ $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Kalibrierdaten\DefaultIcon') == *kalibrierdaten.ico ]] || falsch ".krk ohne Symbol"
[[ $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Programme\shell\open\command') == *krv4steuerung.exe*%1* ]] ||
  falsch "Öffnen-Befehl: $(regwert 'HKLM\Software\Classes\KRV4Steuerung.Programme\shell\open\command')"

# A data file of the operator's, opened as a double-click does: the
# program's title names it.
datei=$dokumente/Auftrag.krv
cp "$beispiel" "$datei" || falsch "Beispieldatei $beispiel fehlt"
(cd "$dokumente" && exec wine start /wait /unix "$datei" </dev/null >/dev/null 2>&1) &
prog_pid=$!
fenster=$(timeout 60 xdotool search --sync --onlyvisible --name '^KRV4 Steuerung - Auftrag\.krv$' 2>/dev/null | head -n1)
if [[ -n $fenster ]]; then
  echo "Doppelklick auf Auftrag.krv: \"$(xdotool getwindowname "$fenster")\""
  xdotool windowfocus --sync "$fenster" key --clearmodifiers ctrl+q
else
  falsch "kein Fenster \"KRV4 Steuerung - Auftrag.krv\" nach wine start: $(xwininfo -root -tree | grep -i krv4)"
fi
timeout 60 tail --pid="$prog_pid" -f /dev/null || falsch "das Programm endet nicht"

# The uninstaller runs on from a copy of itself: a server of its own, which
# ends after it.
wineserver -k

wine "$programme/uninstall.exe" /S </dev/null >/dev/null 2>&1
timeout 60 wineserver -w || falsch "die Deinstallation endet nicht"
[[ -e $programme ]] && falsch "nach der Deinstallation noch da: $(ls -A "$programme")"
[[ -e $startmenue ]] && falsch "Startmenü-Ordner noch da"
schluessel_da "$uninst" && falsch "Eintrag in Programme und Features noch da"
for k in .krv .krk KRV4Steuerung.Programme KRV4Steuerung.Kalibrierdaten; do
  schluessel_da "HKLM\\Software\\Classes\\$k" && falsch "Registry: $k noch da"
done
[[ -f $datei ]] || falsch "die Datei des Bedieners ist weg"
[[ -f $dokumente/krv4Steuerung.ini ]] || falsch "die Einstellungsdatei des Bedieners ist weg"
[[ $fehler -eq 0 ]] && echo "Installation, Dateitypen, Startmenü und Deinstallation wie erwartet"
exit $fehler
