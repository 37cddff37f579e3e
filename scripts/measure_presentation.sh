#!/usr/bin/env bash
# Start-up and processor time of the presentation paths, full screen on a
# 1920x1080 Xvfb desktop: the software renderer in each scaling mode, the window
# at its natural size, and the OpenGL renderer (Mesa's llvmpipe here, what the
# accelerated path would load without a GPU) forced with SDL_RENDER_DRIVER.
# Prints one line per case: median start-up to the first frame over 3 starts,
# and the share of one core over 10 s of a race with Up held.
# Usage: scripts/measure_presentation.sh [build-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=$(realpath "${1:-$root/build}")
work=$(mktemp -d)
xvfb=""
game=""
cleanup() {
  [[ -n $game ]] && kill "$game" 2>/dev/null && wait "$game" 2>/dev/null
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/game/Data/Save" "$XDG_CONFIG_HOME/brakkon"
ln -s "$build/Data/Res" "$work/game/Data/Res"
for _ in $(seq 10); do printf '\r\n1000000\r\n0\r\n0\r\n' >>"$work/game/Data/Save/hs"; done
hz=$(getconf CLK_TCK)

start() {  # start <fullscreen 0|1> <scale> <renderer or ->
  printf '%s\r\n0\r\n0\r\n\r\n\r\n' "$1" >"$work/game/Data/Save/options"
  printf 'scale = %s\n' "$2" >"$XDG_CONFIG_HOME/brakkon/settings.ini"
  local driver=()
  [[ $3 != - ]] && driver=(SDL_RENDER_DRIVER="$3")
  (cd "$work/game" && exec env "${driver[@]}" BRAKKON_TIMINGS=1 "$build/brakkon") 2>"$work/err" &
  game=$!
  timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' >/dev/null
  for _ in $(seq 50); do grep -q 'first frame' "$work/err" && break; sleep 0.1; done
}
stop() {
  kill "$game" 2>/dev/null || true
  wait "$game" 2>/dev/null || true
  game=""
}

measure() {  # measure <label> <fullscreen> <scale> <renderer>
  local starts=()
  for _ in 1 2 3; do
    start "$2" "$3" "$4"
    starts+=("$(awk '/first frame/ {print $5}' "$work/err")")
    stop
  done
  start "$2" "$3" "$4"
  sleep 2
  xdotool key Return; sleep 0.8; xdotool key Return; sleep 3
  xdotool keydown Up
  local a b
  a=$(awk '{print $14 + $15}' "/proc/$game/stat")
  sleep 10
  b=$(awk '{print $14 + $15}' "/proc/$game/stat")
  xdotool keyup Up
  local rss
  rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$game/status")
  stop
  local median
  median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 2p)
  printf '%-34s start-up %6s ms   race cpu %5.1f %%   rss %5s MB\n' "$1" "$median" \
    "$(awk -v t=$((b - a)) -v hz="$hz" 'BEGIN {print 100 * t / hz / 10}')" "$rss"
}

measure "window 800x600, software" 0 sharp -
measure "full screen sharp, software" 1 sharp -
measure "full screen integer, software" 1 integer -
measure "full screen smooth, software" 1 smooth -
measure "full screen sharp, opengl (llvmpipe)" 1 sharp opengl
measure "window 800x600, opengl (llvmpipe)" 0 sharp opengl
