#!/usr/bin/env bash
# Builds the .deb of a build tree, unpacks it into a scratch root (dpkg -x)
# and checks what an installation would get: the programs, the desktop entry
# (desktop-file-validate), the icons, the file types and the dependencies.
#   deb_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fehler=0
falsch() { echo "FEHLER: $*" >&2; fehler=1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FEHLER: kein .deb entstanden" >&2; exit 1; }
deb=${debs[0]}
root=$scratch/root
dpkg -x "$deb" "$root" || exit 1

erwartet=(
  usr/bin/krv4steuerung
  usr/bin/krv4
  usr/bin/krv4sim
  usr/share/applications/krv4steuerung.desktop
  usr/share/icons/hicolor/scalable/apps/krv4steuerung.svg
  usr/share/icons/hicolor/scalable/mimetypes/application-x-krv4-programme.svg
  usr/share/icons/hicolor/scalable/mimetypes/application-x-krv4-kalibrierdaten.svg
  usr/share/mime/packages/krv4steuerung.xml
)
for f in "${erwartet[@]}"; do
  [[ -f $root/$f ]] || falsch "$f fehlt im Paket"
done
for p in krv4steuerung krv4 krv4sim; do
  [[ -x $root/usr/bin/$p ]] || falsch "usr/bin/$p ist nicht ausführbar"
done
# Nothing else: no test programs, no headers, no libraries.
unerwartet=$(cd "$root" && find . -type f | sed 's|^\./||' | sort | grep -vxF -f <(printf '%s\n' "${erwartet[@]}"))
[[ -z $unerwartet ]] || falsch "unerwartete Dateien: $unerwartet"

# The desktop entry: valid, German, opens .krv files with the program.
desktop=$root/usr/share/applications/krv4steuerung.desktop
if command -v desktop-file-validate >/dev/null; then
  ausgabe=$(desktop-file-validate "$desktop" 2>&1) || falsch "desktop-file-validate: $ausgabe"
  [[ -z $ausgabe ]] || falsch "desktop-file-validate meldet: $ausgabe"
else
  falsch "desktop-file-validate fehlt (desktop-file-utils)"
fi
grep -qx 'Exec=krv4steuerung %f' "$desktop" || falsch "Exec-Zeile falsch"
grep -qx 'Icon=krv4steuerung' "$desktop" || falsch "Icon-Zeile falsch"
grep -qx 'MimeType=application/x-krv4-programme;' "$desktop" || falsch "MimeType-Zeile falsch"

# The file types, compiled as the system would: names, German comments and
# icons reach the database.
if command -v update-mime-database >/dev/null; then
  update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || falsch "update-mime-database schlug fehl"
  grep -q ':application/x-krv4-programme:\*\.krv$' "$root/usr/share/mime/globs2" || falsch "*.krv nicht zugeordnet"
  grep -q ':application/x-krv4-kalibrierdaten:\*\.krk$' "$root/usr/share/mime/globs2" || falsch "*.krk nicht zugeordnet"
  grep -q 'KRV-4-Prüfprogramme' "$root/usr/share/mime/application/x-krv4-programme.xml" || falsch "deutscher Name der .krv fehlt"
  grep -q 'KRV-4-Kalibrierdaten' "$root/usr/share/mime/application/x-krv4-kalibrierdaten.xml" || falsch "deutscher Name der .krk fehlt"
  grep -qx 'application/x-krv4-programme:application-x-krv4-programme' "$root/usr/share/mime/icons" ||
    falsch "Symbol der .krv fehlt"
fi

# Dependencies come from dpkg-shlibdeps: the C++ run-time and Qt at least,
# with versions.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
  [[ ", $depends" == *", $lib (>= "* ]] || falsch "Abhängigkeit $lib fehlt: $depends"
done
[[ $(dpkg-deb -f "$deb" Package) == krv4steuerung ]] || falsch "Paketname falsch"
command -v file >/dev/null && file "$root/usr/bin/krv4steuerung" 2>/dev/null | grep -q 'not stripped' && falsch "Programme nicht gestrippt"

echo "Paket: $(basename "$deb")"
echo "Depends: $depends"
exit $fehler
