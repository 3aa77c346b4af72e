#!/usr/bin/env bash
# Makes the Wine prefix when it is missing, keeps a Wine server running for it, and starts
# Wine's own services with their output going nowhere: services started by a test program
# would inherit its output pipe and keep the test runner waiting for them.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i </dev/null >/dev/null 2>&1 || true
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
