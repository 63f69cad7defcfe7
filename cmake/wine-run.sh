#!/bin/sh
# Runs a Windows program under Wine for ctest: wine-run.sh WINE PREFIX PROGRAM ARGS...
# Quiet log, private prefix (made on first use, once even when ctest runs
# tests in parallel), and a tiny drive T: of its own whose root the
# drive-root tests may fill; the program's exit status is the result.
wine=$1
prefix=$2
shift 2
export WINEDEBUG=-all WINEPREFIX="$prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko prompt when the prefix is made

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || exit 1
    "${wine%/*}/wineserver" -w 2>/dev/null || true
  fi
  if [ ! -e "$prefix/dosdevices/t:" ]; then
    mkdir -p "$prefix/drive_t" && ln -s ../drive_t "$prefix/dosdevices/t:"
  fi
) 9>"$prefix.lock" || { echo "wine-run.sh: cannot make the Wine prefix $prefix" >&2; exit 1; }
export TOLVANE_TEST_DRIVE=T:

exec "$wine" "$@"
