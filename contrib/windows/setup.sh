#!/usr/bin/env bash
# The installer of a Windows build: its programs stripped, with the icons,
# into NSIS. Prints the installer's path.
#   setup.sh BUILD_DIR OUTPUT_DIR   -> OUTPUT_DIR/KRV4Steuerung-<Version>-setup.exe
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
aus=$(cd "$2" && pwd)
hier=$(cd "$(dirname "$0")" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "FEHLER: keine Version in $build/CMakeCache.txt" >&2; exit 1; }
quelle=$build/setup
rm -rf "$quelle"
mkdir -p "$quelle"
for exe in krv4steuerung.exe tools/krv4/krv4.exe; do
  [[ -f $build/$exe ]] || { echo "FEHLER: $build/$exe fehlt" >&2; exit 1; }
  x86_64-w64-mingw32-strip -o "$quelle/$(basename "$exe")" "$build/$exe"
done
cp "$hier"/*.ico "$quelle/"
setup=$aus/KRV4Steuerung-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DQUELLE="$quelle" -DAUSGABE="$setup" "$hier/krv4steuerung.nsi" >&2
echo "$setup"
