#!/usr/bin/env bash
# Installs the game component of a Windows build into a scratch prefix, as the win32 preset
# installs it into dist/win32, and checks what lands there with objdump.
set -euo pipefail
build=$1 objdump=$2 prefix=$3
rm -rf "$prefix"
cmake --install "$build" --component game --prefix "$prefix" >/dev/null

failures=0
expect() {  # what, pattern that the headers of a file must show
  if ! grep -Eq "$2" <<<"$headers"; then
    echo "FAIL $file: $1"
    failures=$((failures + 1))
  fi
}

for file in game.exe system.dll; do
  [ -f "$prefix/$file" ] || { echo "FAIL $file is not installed"; exit 1; }
done

file=game.exe
headers=$("$objdump" -p "$prefix/$file")
expect "PE32" 'Magic[[:space:]]+010b[[:space:]]+\(PE32\)'
expect "subsystem version 4" 'MajorSubsystemVersion[[:space:]]+4$'
expect "subsystem version .0" 'MinorSubsystemVersion[[:space:]]+0$'
expect "Windows GUI" 'Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)'
expect "stripped" 'symbols stripped'
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt)\.dll$'
for file in game.exe system.dll; do
  headers=$("$objdump" -p "$prefix/$file")
  while read -r dll; do
    if ! grep -Eq "$system_dlls" <<<"$dll"; then
      echo "FAIL $file imports $dll"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
done
file=system.dll
headers=$("$objdump" -p "$prefix/$file")
expect "run exported under its decorated name" '\] \?run@@YGHPAUHINSTANCE__@@HPBD@Z$'

size=$(stat -c %s "$prefix/game.exe")
echo "game.exe: $size bytes; system.dll: $(stat -c %s "$prefix/system.dll") bytes"
[ "$failures" -eq 0 ] || exit 1
echo "installed layout and headers as expected"
