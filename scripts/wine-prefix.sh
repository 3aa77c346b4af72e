#!/usr/bin/env bash
# Makes the Wine prefix when it is missing and keeps a Wine server running for it, so that
# the programs started afterwards do not pay for either.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
wineserver -p 2>/dev/null || true
