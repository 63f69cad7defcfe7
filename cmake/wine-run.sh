#!/bin/sh
# Runs a Windows program under Wine for ctest: wine-run.sh WINE PREFIX PROGRAM ARGS...
# Quiet log, private prefix (made on first use, once even when ctest runs
# tests in parallel) with the settings of wine-settings.reg (Chinese fonts,
# frames drawn by Wine), and a tiny drive T: of its own whose root the
# drive-root tests may fill; the program's exit status is the result.
# Programs that open windows need an X display in DISPLAY (the test scripts
# start Xvfb; by hand: xvfb-run -a ctest ...).
wine=$1
prefix=$2
shift 2
export WINEDEBUG=-all WINEPREFIX="$prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko prompt when the prefix is made
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || exit 1
    "${wine%/*}/wineserver" -w 2>/dev/null || true
  fi
  # Older prefixes get the settings too; the mark names the file's version.
  settings_mark="$prefix/tolvane-settings-$(cksum <"$here/wine-settings.reg" | cut -d' ' -f1)"
  if [ ! -f "$settings_mark" ]; then
    "$wine" reg import "$(echo "Z:$here/wine-settings.reg" | tr / '\\')" >/dev/null 2>&1 || exit 1
    "${wine%/*}/wineserver" -w 2>/dev/null || true
    touch "$settings_mark"
  fi
  # Wine draws the title bar's buttons with Marlett, which a new prefix
  # lacks (Debian's fonts-wine has it); without it they show as letters.
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" || true
  fi
  if [ ! -e "$prefix/dosdevices/t:" ]; then
    mkdir -p "$prefix/drive_t" && ln -s ../drive_t "$prefix/dosdevices/t:"
  fi
) 9>"$prefix.lock" || { echo "wine-run.sh: cannot make the Wine prefix $prefix" >&2; exit 1; }
export TOLVANE_TEST_DRIVE=T:

exec "$wine" "$@"
