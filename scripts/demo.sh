#!/usr/bin/env bash
# The main job: builds the Windows program and lays out the demo game in dist/demo (the
# launcher, the sample game module, its packed GAME.INI); starts it under Wine (inside an X server of
# its own when there is no display), waits for the game window and saves a screenshot; starts
# the launcher a second time to show that it brings the running game to the front and ends;
# closes the game and reports what happened. Every wait has a deadline.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

echo "=== build and install (win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)"
cmake --install build/win32 >/dev/null

# --- the demo game ------------------------------------------------------------------------
demo=$root/dist/demo
name=OCDemoGame
title='\x83\x66\x83\x82\x83\x51\x81\x5b\x83\x80'  # "デモゲーム" (demo game)

# Where the game finds its settings: GAME.INI inside the pack the build made
# (examples/CMakeLists.txt, with the Name and Title above), none on disk.
place_settings() {
  cp dist/win32/GAME.pak "$demo/"
}

lay_out_demo() {
  rm -rf "$demo"
  mkdir -p "$demo"
  cp dist/win32/game.exe dist/win32/system.dll "$demo/"
  place_settings
}

lay_out_demo
echo "=== laid out $demo: $(cd "$demo" && echo *)"

# --- the run ------------------------------------------------------------------------------
work=$root/build/win32/demo
rm -rf "$work"
mkdir -p "$work"
wine_run=$root/cmake/wine-run
probe_exe=$root/build/win32/tests/e2e/e2e_probe.exe
export OC_WINEPREFIX=$root/build/win32/wineprefix
# Its server keeps running for later Wine starts; it must not hold our output open.
bash scripts/wine-prefix.sh "$OC_WINEPREFIX" >/dev/null 2>&1
source tests/e2e/desktop.sh
trap cleanup EXIT
set +e

if [ -z "${DISPLAY:-}" ]; then
  start_display || { echo "demo: Xvfb did not start"; exit 1; }
  echo "=== no display: an X server of our own on $DISPLAY"
fi
desktop_ready || { echo "demo: no window shows on $DISPLAY"; exit 1; }

start_launcher() {  # log name; the pid is left in $launcher
  (cd "$demo" && exec timeout 300 "$wine_run" game.exe >"$work/$1.out" 2>"$work/$1.err") &
  launcher=$!
  background+=("$launcher")
}

failures=0
report() { echo "  $*"; }
problem() {
  echo "  PROBLEM: $*"
  failures=$((failures + 1))
}

echo "=== first start: game.exe"
start_launcher first
first=$launcher
if probe window "$name" "$(hex "$title")" 60 >/dev/null; then
  report "the game window is up (class $name, text $(printf '%b' "$title" | iconv -f CP932 -t UTF-8))"
  sleep 2  # painted
  import -window root "$demo/screenshot.png" && report "screenshot: $demo/screenshot.png"
else
  problem "no game window within 60 s"
fi

echo "=== second start: game.exe again, while the game runs"
# A window of the probe's takes the foreground first, so that the game's return to the
# front shows.
"$wine_run" "$probe_exe" cover 30 >"$work/cover.out" 2>>"$work/probe.err" &
cover=$!
background+=("$cover")
for _ in $(seq 100); do grep -q shown "$work/cover.out" 2>/dev/null && break; sleep 0.1; done
if probe foreground "$name" "$(hex "$title")"; then
  report "before: the game is still in front (the cover window could not take the foreground)"
else
  report "before: another window is in front of the game"
fi
second_started=$SECONDS
start_launcher second
exit_code_of "$launcher" 60
second_code=$code
if [ "$second_code" = 0 ]; then
  report "the second launcher ended with exit code 0 after $((SECONDS - second_started)) s"
else
  problem "the second launcher ended with exit code '${second_code:-still running}'"
fi
if probe foreground "$name" "$(hex "$title")"; then
  report "after: the running game is in front again"
else
  problem "the game did not come to the front"
fi
kill "$cover" 2>/dev/null

echo "=== closing the game"
probe close "$name" "$(hex "$title")" || problem "could not close the game window"
exit_code_of "$first" 30
first_code=$code
if [ "$first_code" = 0 ]; then
  report "the game window closed; the first launcher ended with exit code 0"
else
  problem "the first launcher ended with exit code '${first_code:-still running}'"
fi

echo "=== demo: first start exit code ${first_code:-none}, second start exit code ${second_code:-none}," \
  "screenshot $demo/screenshot.png"
[ "$failures" -eq 0 ]
