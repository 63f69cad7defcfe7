#!/bin/sh
# Runs a Windows program under Wine for ctest: wine-run.sh WINE PREFIX PROGRAM ARGS...
# Quiet log, private prefix; the program's exit status is the result.
wine=$1
prefix=$2
shift 2
export WINEDEBUG=-all WINEPREFIX="$prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko prompt when the prefix is made
exec "$wine" "$@"
