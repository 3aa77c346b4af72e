# Shell pieces shared by the end-to-end tests and the demo: an X server, the Wine desktop on
# it, the probe, and the processes started in the background. Sourced; the caller sets
# wine_run, probe_exe and work, and calls cleanup on exit.

background=()  # processes of ours still to be ended
end_background() {
  [ ${#background[@]} -gt 0 ] || return 0
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
  # Named, never all: a bare wait would wait for the X server too.
  wait "${background[@]}" 2>/dev/null
  background=()
}

cleanup() {
  end_background
  # The X server last, after the programs that use it.
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  return 0
}

# An X server of our own on a free display, which becomes DISPLAY.
start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"
}

# The probe's answer goes through a file: a Wine server or desktop process that a Wine start
# leaves behind would hold a pipe open, and the reader would wait for ever.
probe() {
  local status
  timeout 90 "$wine_run" "$probe_exe" "$@" >"$work/probe.out" 2>>"$work/probe.err"
  status=$?
  cat "$work/probe.out"
  return $status
}

# The Wine desktop's graphics driver is that of the process that made it: one made by a
# program without a display (a unit test, say) has none, and windows fail until it has gone,
# a moment after its last program. Waits until a window of ours shows on this display (the
# first desktop of a new prefix takes a while).
desktop_ready() {
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    "$wine_run" "$probe_exe" ready 3 >/dev/null 2>>"$work/probe.err" &
    local pid=$!
    background+=("$pid")
    for _ in $(seq 30); do
      if xdotool search --name '^oc-e2e-ready$' >/dev/null 2>&1; then
        end_background
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    end_background
    sleep 1.5
  done
  return 1
}

# The bytes of a printf %b text as hex, the way the probe takes and gives texts.
hex() { printf '%b' "$1" | od -An -v -tx1 | tr -d ' \n'; }

# Waits up to the given seconds for the background process to end; leaves its exit code in
# $code, or nothing when it still runs.
exit_code_of() {  # pid seconds
  local deadline=$((SECONDS + $2))
  code=""
  while kill -0 "$1" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  kill -0 "$1" 2>/dev/null && return 0
  wait "$1"
  code=$?
}
