#!/usr/bin/env bash
# Screenshots of full screen in every scaling mode at several desktop sizes, with
# a zoomed-in crop of the road of a race frame, for comparing the modes by eye.
# Usage: scripts/scale_shots.sh <build-dir> <out-dir> [WxH ...]
set -euo pipefail
build=$(realpath "$1")
out=$2
shift 2
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(1920x1080 2560x1440 1366x768)
mkdir -p "$out"
out=$(realpath "$out")
convert=/usr/bin/convert
for size in "${sizes[@]}"; do
  work=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
  export XDG_CONFIG_HOME="$work/config"
  for mode in sharp integer smooth; do
    mkdir -p "$work/game/Data/Save" "$XDG_CONFIG_HOME/brakkon"
    ln -sfn "$build/Data/Res" "$work/game/Data/Res"
    printf '1\r\n0\r\n0\r\n\r\n\r\n' >"$work/game/Data/Save/options"  # full screen, silent
    printf 'scale = %s\n' "$mode" >"$XDG_CONFIG_HOME/brakkon/settings.ini"
    (cd "$work/game" && exec "$build/brakkon") >"$work/game.log" 2>&1 &
    game=$!
    window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1)
    sleep 2.5
    # Start a race: Enter on Start, Enter on the first car, then drive up.
    xdotool key Return; sleep 0.8; xdotool key Return; sleep 3.5
    xdotool keydown Up; sleep 1.5
    import -window root "$out/$mode-$size.png"
    xdotool keyup Up
    "$convert" "$out/$mode-$size.png" -gravity center -crop 240x160+0+0 +repage \
      -filter point -resize 400% "$out/$mode-$size-zoom.png"
    kill "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
    echo "$out/$mode-$size.png"
  done
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
done
