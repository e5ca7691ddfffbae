# Sourced by the Windows tests: a Wine prefix of their own and Wine's COM1
# on a Linux pseudo-terminal.

# krv4_wine_prefix DIR: a 64-bit prefix, made once without the Mono and Gecko
# installers (Wine would download them), and the same every time.
krv4_wine_prefix() {
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [[ -f $WINEPREFIX/system.reg ]] && return 0
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  # Debian's Wine keeps its own fonts (Tahoma, the face of Windows' dialog
  # font) out of new prefixes: without them every text falls to a serif face.
  local fonts
  for fonts in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    [[ -d $fonts ]] && cp -n "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  done
  [[ -f $WINEPREFIX/system.reg ]] || { echo "FEHLER: Wine-Präfix $WINEPREFIX nicht angelegt" >&2; return 1; }
}

# krv4_ptyleitung DIR: Wine sets the line with the C library's tcsetattr(),
# which refuses 7O1 on a pseudo-terminal (see ptyleitung.c); the library
# that mends it, for LD_PRELOAD.
krv4_ptyleitung() {
  cc -shared -fPIC -O2 -o "$1/ptyleitung.so" "$(dirname "${BASH_SOURCE[0]}")/ptyleitung.c" ||
    { echo "FEHLER: ptyleitung.c lässt sich nicht übersetzen" >&2; return 1; }
}

# krv4_wine_com1 LINE: Wine's COM1 is LINE (registry HKLM\Software\Wine\Ports,
# from which Wine's mount manager makes dosdevices/com1 when Wine starts: a
# fresh start, and the link itself for the meantime). The server then stays.
krv4_wine_com1() {
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$1" /f </dev/null >/dev/null 2>&1 ||
    { echo "FEHLER: COM1 lässt sich in Wine nicht eintragen" >&2; return 1; }
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  ln -sfn "$1" "$WINEPREFIX/dosdevices/com1"
  krv4_wine_server
}

# krv4_wine_server: a Wine server that stays (until wineserver -k), with
# Wine's own services. They start with the first program and keep its
# output open, so that first program is a quiet one.
krv4_wine_server() {
  wineserver -p >/dev/null 2>&1
  wine reg query 'HKLM\Software\Wine\Ports' </dev/null >/dev/null 2>&1
}

# krv4_sim SIM DIR [ARGS...]: starts krv4sim in the background (sim_pid) and
# puts the path of its pseudo-terminal into $leitung.
krv4_sim() {
  local sim=$1 dir=$2
  shift 2
  "$sim" --path-file "$dir/leitung" "$@" >"$dir/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [[ -s $dir/leitung ]] && break; sleep 0.05; done
  leitung=$(cat "$dir/leitung" 2>/dev/null)
  [[ -n $leitung ]] || { echo "FEHLER: krv4sim meldet keine Leitung" >&2; return 1; }
}

# krv4_xvfb DIR: a virtual display of its own for the Wine programs; sets
# DISPLAY and xvfb_pid.
krv4_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$1/anzeige" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s $1/anzeige ]] && break; sleep 0.05; done
  [[ -s $1/anzeige ]] || { echo "Xvfb startet nicht" >&2; return 1; }
  export DISPLAY=:$(cat "$1/anzeige")
}
