#!/usr/bin/env bash
# The programs' PE headers: krv4steuerung.exe is a GUI program (no console
# window), and both import nothing but Windows' own DLLs: no Qt, C++ or GCC
# run-time DLL to ship beside them. With WINEPREFIX set, each imported DLL
# must also be one that Windows (here Wine's system32) brings. Qt's German
# texts are a resource of the GUI program: rcc's table of names holds its
# length, a hash and the name in UTF-16 (big-endian).
#   pe.sh KRV4STEUERUNG_EXE KRV4_EXE
set -uo pipefail
objdump=x86_64-w64-mingw32-objdump
fehler=0
falsch() { echo "FEHLER: $*" >&2; fehler=1; }
windows_dlls=
[[ -n ${WINEPREFIX:-} ]] && windows_dlls=$(ls "$WINEPREFIX/drive_c/windows/system32" | tr '[:upper:]' '[:lower:]')

pruefe() {  # EXE SUBSYSTEM
  local kopf dlls
  kopf=$("$objdump" -p "$1") || { falsch "$1 ist keine PE-Datei"; return; }
  grep -q "^Subsystem[[:space:]].*($2)" <<<"$kopf" ||
    falsch "$(basename "$1"): $(grep '^Subsystem' <<<"$kopf") statt $2"
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$kopf")
  [[ -n $dlls ]] || falsch "$(basename "$1"): keine Importe gelesen"
  while read -r dll; do
    [[ -z $dll ]] && continue
    case ${dll,,} in
      qt*|libstdc++*|libgcc*|libwinpthread*|libssp*|lib*.dll) falsch "$(basename "$1") braucht $dll";;
      api-ms-win-*) ;;  # API sets: names Windows itself resolves to its DLLs
      *) if [[ -n $windows_dlls ]] && ! grep -qx "${dll,,}" <<<"$windows_dlls"; then
           falsch "$(basename "$1") braucht $dll, das Windows nicht mitbringt"
         fi;;
    esac
  done <<<"$dlls"
  echo "$(basename "$1"): $2, $(wc -l <<<"$dlls") DLLs von Windows: $(tr '\n' ' ' <<<"$dlls")"
}
pruefe "$1" "Windows GUI"
LC_ALL=C grep -qaP '\x00\x0c[\x00-\xff]{4}\x00q\x00t\x00b\x00a\x00s\x00e\x00_\x00d\x00e\x00\.\x00q\x00m' "$1" ||
  falsch "$(basename "$1") enthält Qts deutsche Texte (qtbase_de.qm) nicht"
pruefe "$2" "Windows CUI"
exit $fehler
