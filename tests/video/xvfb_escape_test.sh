#!/usr/bin/env bash
# The display on a real X server: start Xvfb, run the window probe on it, check that its
# window shows the probe's frame, press Escape, and expect the program to end with code 0.
set -euo pipefail
probe=$1
for tool in Xvfb xdotool xwd; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/setup.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
probe_pid=""
cleanup() {
  # The probe first, for good: without its X server it could wait on the connection.
  if [[ -n $probe_pid ]]; then kill -9 "$probe_pid" 2>/dev/null || true; wait "$probe_pid" 2>/dev/null || true; fi
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the descriptor. A wide screen, so
# the 4:3 picture must come with bars at its sides.
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
# SDL's software renderer: no GL stack to load on a server without a GPU.
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software
# In a sanitizer build, memory errors still stop the probe, but not the few blocks that SDL's
# X11 and D-Bus libraries keep until exit: the same code of ours is leak-checked by the unit
# tests on SDL's dummy driver.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

"$probe" >"$work/probe.log" 2>&1 &
probe_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vokar$' | head -n1) || true
[[ -n $window ]] || { echo "the window never appeared"; cat "$work/probe.log"; exit 1; }
# The whole screen, as a person would see it (the window's own visual may be a DirectColor
# one). A slow (sanitizer) build may take a while to show its first frame.
shown=""
for _ in $(seq 30); do
  xwd -silent -root >"$work/screen.xwd"
  if "$probe" --check "$work/screen.xwd" >"$work/check.log" 2>&1; then shown=1; break; fi
  sleep 0.5
done
cat "$work/check.log"
[[ -n $shown ]] || { echo "the window does not show the frame"; cat "$work/probe.log"; exit 1; }

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers Escape
code=""
for _ in $(seq 100); do
  if ! kill -0 "$probe_pid" 2>/dev/null; then
    set +e
    wait "$probe_pid"
    code=$?
    set -e
    probe_pid=""
    break
  fi
  sleep 0.1
done
[[ -n $code ]] || { echo "still running 10 s after Escape"; cat "$work/probe.log"; exit 1; }
cat "$work/probe.log"
[[ $code -eq 0 ]] || { echo "exit code $code, expected 0"; exit 1; }
grep -q "window closed" "$work/probe.log" || { echo "the shell's shutdown did not run"; exit 1; }
echo "window shown, Escape ended the program with code 0"
