#!/usr/bin/env bash
# End-to-end tests of game.exe: the real program under Wine (code page 932) in an X server of
# their own, a game module that records what run receives, dialogs read through the probe and
# answered with real keys. Every wait has a deadline; every process started here is ended here.
#
#   e2e.sh GAME_EXE GAME_MODULE MODULE_WITHOUT_RUN PROBE_EXE WORK_DIR   (OC_WINEPREFIX: the prefix)
set -uo pipefail
game_exe=$1 game_module=$2 silent_module=$3 probe_exe=$4 work=$5
wine_run="$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run"
started=$SECONDS

rm -rf "$work"
mkdir -p "$work"

source "$(dirname "$0")/desktop.sh"
trap cleanup EXIT
start_display || { echo "FAIL: Xvfb did not start"; exit 1; }

# --- fixtures -----------------------------------------------------------------------------
settings='[\x90\xdd\x92\xe8]\r\n'                      # "設定" (settings)
title='E2E \x95\x5c\x83\x66\x83\x82'                   # "E2E 表デモ": 表 is 95 5C
file_error='\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x47\x83\x89\x81\x5b'  # "ファイルエラー" (File error)
# "ファイル GAME.INI が開けません。" (Cannot open file GAME.INI.)
cannot_open='\x83\x74\x83\x40\x83\x43\x83\x8b GAME.INI \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81\x42'
# "DirectX8.1以降がインストールされていません。" LF "DirectXをインストール後、実行してください"
directx_missing='DirectX8.1\x88\xc8\x8d\x7e\x82\xaa\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42\nDirectX\x82\xf0\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x8c\xe3\x81\x41\x8e\xc0\x8d\x73\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2'
error_message='\x83\x47\x83\x89\x81\x5b\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57'  # "エラーメッセージ"
# Windows makes an MB_TOPMOST box top-most; Wine 8 does so for MB_SYSTEMMODAL boxes alone, so
# under Wine the file-error and module boxes show as not top-most. The unit tests check their
# type bits.
topmost_box=0
module_failed='DLL\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42'

# A game directory: game.exe, and the given module as system.dll.
lay_out() {  # name [module]
  dir="$work/$1"
  mkdir -p "$dir"
  cp "$game_exe" "$dir/game.exe"
  [ -n "${2:-}" ] && cp "$2" "$dir/system.dll"
  return 0
}
write_settings() { printf "%b" "$settings$1" >"$dir/GAME.INI"; }

# Starts game.exe in $dir in the background with extra environment, for a minute at most
# should a test lose it; start N writes out.N and err.N.
starts=0
game_pids=()
start_game() {  # [NAME=VALUE...]
  starts=$((starts + 1))
  (cd "$dir" && exec env "$@" timeout 60 "$wine_run" game.exe >"out.$starts" 2>"err.$starts") &
  game_pids[$starts]=$!
  background+=("$!")
  last_start=$starts
}

# Leaves in $code the exit code of start N, waiting up to the given seconds.
exit_of() { exit_code_of "${game_pids[$1]}" "$2"; }

run_log() { cat "$dir/run.log" 2>/dev/null; }

# Waits for the dialog with the caption (other than handle $2), checks its text and whether
# it is top-most; leaves its handle in $dialog.
expect_dialog() {  # caption text topmost [other handle]
  local shown
  shown=$(probe dialog "$(hex "$1")" 20 ${4:-}) || { fail "no dialog with caption $(hex "$1")"; return 1; }
  dialog=$(sed -n 's/^dialog //p' <<<"$shown")
  grep -qx "child Static $(hex "$2")" <<<"$shown" || { fail "dialog text: $shown"; return 1; }
  grep -qx "topmost $3" <<<"$shown" || { fail "dialog top-most should be $3: $shown"; return 1; }
}

# A key to the dialog with the caption. The X server gives the key to the focused window, so
# the dialog's X window (named by Wine after the caption, in UTF-8) is focused first.
press() {  # caption key
  local name window
  name=$(printf '%b' "$1" | iconv -f CP932 -t UTF-8 | sed 's/[][\\.*^$+?(){}|]/\\&/g')
  window=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | tail -n1)
  [ -n "$window" ] || { fail "no X window for the dialog $(hex "$1")"; return 1; }
  xdotool windowfocus "$window" key "$2"
}

failed=0 passed=0 failures=()
fail() { reason="$*"; return 1; }
expect_eq() {  # what expected actual
  [ "$2" = "$3" ] || { fail "$1: expected '$2', got '$3'"; return 1; }
}

run_case() {
  reason=""
  local case_start=$SECONDS
  if "$1"; then
    passed=$((passed + 1))
    echo "PASS $1 ($((SECONDS - case_start)) s)"
  else
    failed=$((failed + 1))
    echo "FAIL $1: $reason"
  fi
  # Whatever a case left running ends with it.
  end_background
}

# --- cases --------------------------------------------------------------------------------
title_reaches_run() {
  lay_out title_reaches_run "$game_module"
  write_settings "Name=OCE2ETitle\r\nTitle=$title\r\n"
  start_game
  exit_of $last_start 30; expect_eq "exit code" 0 "$code" &&
    expect_eq "run.log" "run instance=program show=10 title=$(hex "$title")" "$(run_log)"
}

empty_title_is_null() {
  lay_out empty_title_is_null "$game_module"
  write_settings "Name=OCE2EEmpty\r\nTitle=\r\n"
  start_game
  exit_of $last_start 30; expect_eq "exit code" 0 "$code" &&
    expect_eq "run.log" "run instance=program show=10 title=null" "$(run_log)"
}

# The first game holds the event named Name and shows its window; a second start brings
# that window to the front and ends, without a second run.
second_start() {  # case, Name, Title (empty: none, and the window is found by its class alone)
  local name=$2 shown_title title_hex=-
  lay_out "$1" "$game_module"
  write_settings "Name=$name\r\nTitle=$3\r\n"
  if [ -n "$3" ]; then title_hex=$(hex "$3"); shown_title=$title_hex; else shown_title=null; fi
  start_game OC_E2E_HOLD="$name"
  local first=$last_start
  probe window "$name" "$title_hex" 20 >/dev/null || { fail "no game window"; return 1; }
  probe event "$name" || { fail "no event named $name while the game runs"; return 1; }

  rm -f "$work/cover.out"
  "$wine_run" "$probe_exe" cover 20 >"$work/cover.out" 2>>"$work/probe.err" &
  background+=("$!")
  for _ in $(seq 100); do grep -q shown "$work/cover.out" 2>/dev/null && break; sleep 0.1; done
  probe foreground "$name" "$title_hex" && { fail "the cover window did not take the foreground"; return 1; }

  start_game
  exit_of $last_start 30; expect_eq "second start's exit code" 0 "$code" || return 1
  probe foreground "$name" "$title_hex" || { fail "the game is not in the foreground"; return 1; }
  expect_eq "run.log" "run instance=program show=10 title=$shown_title" "$(run_log)" || return 1

  probe close "$name" "$title_hex" || { fail "cannot close the game window"; return 1; }
  exit_of $first 20; expect_eq "first start's exit code" 0 "$code" || return 1
  probe event "$name" && { fail "the event outlived the game"; return 1; }
  return 0
}
second_start_brings_the_game_forward() { second_start second_start OCE2EGame "$title"; }
second_start_without_title_finds_the_game_by_class() { second_start second_start_untitled OCE2EUntitled ""; }

directx_missing() {  # library to disable, its debug line
  write_settings "Name=OCE2EDirectX\r\nTitle=$title\r\n"
  start_game WINEDLLOVERRIDES="$1=d" WINEDEBUG=-all,+debugstr
  expect_dialog information "$directx_missing" 0 || return 1
  press information Return || return 1
  exit_of $last_start 20; expect_eq "exit code" 0 "$code" || return 1
  expect_eq "run.log" "" "$(run_log)" || return 1
  grep -qF "$2" "$dir/err.$last_start" || { fail "no debug line '$2'"; return 1; }
}
no_d3d8_is_no_directx() {
  lay_out no_d3d8 "$game_module"
  directx_missing d3d8 "Couldn't LoadLibrary D3D8.DLL"
}
no_dpnhpast_is_directx_8_0() {
  lay_out no_dpnhpast "$game_module"
  directx_missing dpnhpast "Couldn't LoadLibrary dpnhpast.dll"
}

missing_module_is_reported() {
  lay_out missing_module
  write_settings "Name=OCE2EModule\r\nTitle=$title\r\n"
  start_game
  expect_dialog "$error_message" "$module_failed" "$topmost_box" || return 1
  press "$error_message" Return || return 1
  exit_of $last_start 20; expect_eq "exit code" 0 "$code"
}

module_without_run_ends_quietly() {
  lay_out module_without_run "$silent_module"
  write_settings "Name=OCE2ESilent\r\nTitle=$title\r\n"
  start_game
  # A dialog would hold the program past the deadline.
  exit_of $last_start 20; expect_eq "exit code" 0 "$code"
}

missing_settings_ignored_twice() {
  lay_out missing_settings_ignore "$game_module"
  start_game
  expect_dialog "$file_error" "$cannot_open" "$topmost_box" || return 1
  press "$file_error" i || return 1
  expect_dialog "$file_error" "$cannot_open" "$topmost_box" "$dialog" || return 1
  press "$file_error" i || return 1
  exit_of $last_start 20; expect_eq "exit code" 0 "$code" &&
    expect_eq "run.log" "run instance=program show=10 title=null" "$(run_log)"
}

missing_settings_abort() {
  lay_out missing_settings_abort "$game_module"
  start_game
  expect_dialog "$file_error" "$cannot_open" "$topmost_box" || return 1
  press "$file_error" a || return 1
  # The exception leaves WinMain: the runtime ends the process abnormally (3 under Wine).
  exit_of $last_start 20; expect_eq "exit code" 3 "$code" &&
    expect_eq "run.log" "" "$(run_log)"
}

missing_settings_retry_after_it_appeared() {
  lay_out missing_settings_retry "$game_module"
  start_game
  expect_dialog "$file_error" "$cannot_open" "$topmost_box" || return 1
  write_settings "Name=OCE2ERetry\r\nTitle=$title\r\n"
  press "$file_error" r || return 1
  # The second read finds the file: no second dialog holds the program.
  exit_of $last_start 20; expect_eq "exit code" 0 "$code" &&
    expect_eq "run.log" "run instance=program show=10 title=$(hex "$title")" "$(run_log)"
}

# --- run ----------------------------------------------------------------------------------
desktop_ready || { echo "FAIL: no window shows on $DISPLAY"; exit 1; }
echo "desktop ready on $DISPLAY after $((SECONDS - started)) s"
for each in title_reaches_run empty_title_is_null second_start_brings_the_game_forward \
  second_start_without_title_finds_the_game_by_class \
  no_d3d8_is_no_directx no_dpnhpast_is_directx_8_0 missing_module_is_reported \
  module_without_run_ends_quietly missing_settings_ignored_twice missing_settings_abort \
  missing_settings_retry_after_it_appeared; do
  run_case "$each"
done
echo "end-to-end: $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
