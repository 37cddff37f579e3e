#!/usr/bin/env bash
# The real window under Xvfb: the menu picture from the baked archives, full screen
# and back, idle processor use, closing through the window manager, and the error box
# shown when the data folder is missing.
# Usage: window_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
set -euo pipefail

readonly kMaxIdleCpuPercent=10
readonly kIdleSeconds=5
readonly kMinColours=16

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

# Checks that a screenshot shows the menu's navy picture: many colours, blue ahead.
check_picture() {
  local shot=$1 what=$2 colours blue red
  colours=$("$convert" "$shot" -format '%k' info:)
  blue=$("$convert" "$shot" -format '%[fx:mean.b]' info:)
  red=$("$convert" "$shot" -format '%[fx:mean.r]' info:)
  echo "$what: $colours colours, mean blue $blue, mean red $red"
  ((colours >= kMinColours)) || fail "$what shows only $colours colours: $shot"
  awk -v b="$blue" -v r="$red" 'BEGIN {exit !(b > 0.08 && b > r)}' ||
    fail "$what does not show the navy background: $shot"
}

# 1. With data: the window, its picture, full screen and back, idle load, close.
mkdir -p "$work/game/Data"
cp -r "$data/Res" "$work/game/Data/" || fail "no baked data in $data"
[[ -d $data/Music ]] && cp -r "$data/Music" "$work/game/Data/"
(cd "$work/game" && exec "$game") >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
read -r x y width height <<<"$(geometry "$window")"
echo "window $window at $x,$y size ${width}x$height"
[[ $width == 800 && $height == 600 ]] || fail "client area is ${width}x$height, not 800x600"

sleep 1.5
import -window "$window" "$work/window.png"
echo "screenshot $work/window.png"
check_picture "$work/window.png" "window"

xdotool windowactivate --sync "$window"
xdotool key alt+Return
sleep 1.5
read -r fx fy fwidth fheight <<<"$(geometry "$window")"
echo "full screen at $fx,$fy size ${fwidth}x$fheight"
[[ $fx == 0 && $fy == 0 && $fwidth == 1024 && $fheight == 768 ]] ||
  fail "full screen window is ${fwidth}x$fheight at $fx,$fy, not the whole 1024x768 screen"
import -window root "$work/fullscreen.png"
echo "screenshot $work/fullscreen.png"
check_picture "$work/fullscreen.png" "full screen"

xdotool key alt+Return
sleep 1.5
read -r bx by bwidth bheight <<<"$(geometry "$window")"
echo "back in a window at $bx,$by size ${bwidth}x$bheight"
[[ $bx == "$x" && $by == "$y" && $bwidth == 800 && $bheight == 600 ]] ||
  fail "window came back as ${bwidth}x$bheight at $bx,$by, not 800x600 at $x,$y"

ticks_per_second=$(getconf CLK_TCK)
start_ticks=$(cpu_ticks "$game_pid")
start_ns=$(date +%s%N)
sleep "$kIdleSeconds"
end_ticks=$(cpu_ticks "$game_pid")
end_ns=$(date +%s%N)
cpu_percent=$(awk -v t=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" \
  -v ns=$((end_ns - start_ns)) 'BEGIN {printf "%.1f", 100 * t / hz / (ns / 1e9)}')
echo "idle processor use: $cpu_percent% of one core over ${kIdleSeconds} s"
awk -v p="$cpu_percent" -v max="$kMaxIdleCpuPercent" 'BEGIN {exit !(p <= max)}' ||
  fail "idle processor use $cpu_percent% is above $kMaxIdleCpuPercent%"

xdotool windowactivate --sync "$window"
xdotool key alt+F4
wait_exit "$game_pid" 10 || fail "the game did not end within 10 s of closing its window"
game_pid=""
((exit_status == 0)) || fail "the game ended with status $exit_status after its window was closed"
if xdotool search --name '^Brakkon$' >/dev/null 2>&1; then
  fail "a window named Brakkon is left after the game ended"
fi
echo "closed by the window manager: exit status 0, no window left"

# 2. Without data: an error box, dismissed with Enter, then a failing exit status.
mkdir -p "$work/nodata"
(cd "$work/nodata" && exec "$game") >"$work/nodata.log" 2>&1 &
game_pid=$!
box=""
for _ in $(seq 150); do
  # The box has the game's title but not its window class.
  tree=$(xwininfo -root -tree)
  box=$(awk '/^ +0x[0-9a-f]+ "Brakkon"/ && !/"brakkon"/ && !found {print $1; found = 1}' <<<"$tree")
  [[ -n $box ]] && break
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $box ]] || fail "no message box appeared without the data folder; log: $(cat "$work/nodata.log")"
sleep 0.5
import -window root "$work/error_box.png"
echo "message box $box, screenshot $work/error_box.png"
xdotool windowfocus --sync "$box"
xdotool key Return
wait_exit "$game_pid" 10 || fail "the game did not end within 10 s of dismissing its error box"
game_pid=""
((exit_status != 0)) || fail "the game ended with status 0 although its data is missing"
echo "missing data: error box dismissed, exit status $exit_status"

# 3. Without a display to show a box on: the message goes to stderr.
(cd "$work/nodata" && SDL_VIDEODRIVER=dummy exec "$game") >"$work/dummy.out" 2>"$work/dummy.err" &
game_pid=$!
wait_exit "$game_pid" 10 || fail "the game did not end within 10 s under the dummy driver"
game_pid=""
((exit_status != 0)) || fail "the game ended with status 0 under the dummy driver without data"
[[ -s $work/dummy.err ]] || fail "no message on stderr under the dummy driver"
echo "dummy driver: exit status $exit_status, stderr: $(head -n1 "$work/dummy.err")"

echo "PASS"
