# Sourced by the scripts: installs the Debian packages the build and the tests need.
KRV4_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev qt6-base-dev qt6-svg-dev qt6-translations-l10n
               libcli11-dev xvfb xauth xdotool imagemagick clang libclang-rt-14-dev
               dpkg-dev desktop-file-utils shared-mime-info poppler-utils dbus-daemon at-spi2-core python3-pyatspi)
# Only for the Windows build (scripts/test --windows, scripts/package --windows): the cross
# compiler, Wine with its fonts, and NSIS.
KRV4_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis)

# krv4_install_deps [further packages...]
krv4_install_deps() {
  local missing=()
  for p in "${KRV4_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installiere fehlende Pakete: ${missing[*]}"
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo=(sudo -n)
    else
      echo "Fehler: Pakete fehlen (${missing[*]}), und weder root noch sudo ist verfügbar." >&2
      echo "Bitte als root installieren: apt-get install ${missing[*]}" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q >/dev/null || { echo "Fehler: apt-get update schlug fehl." >&2; return 1; }
  "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null || { echo "Fehler: apt-get install schlug fehl." >&2; return 1; }
}
