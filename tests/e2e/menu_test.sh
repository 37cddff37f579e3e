#!/usr/bin/env bash
# The front end in a real window under Xvfb, driven by xdotool: arrows, Enter,
# Esc, a pointer hover and click, Alt+Enter to full screen and back; one
# screenshot per screen; Exit writes both save files.
# Usage: menu_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

# A held key long enough for one tick to see it.
press() {
  xdotool keydown "$1"
  sleep 0.15
  xdotool keyup "$1"
  sleep 0.25
}

shot() {  # shot <name>: the window's picture as <name>.png
  sleep 0.4
  import -window "$window" "$work/$1.png"
  echo "screenshot $work/$1.png"
}

# Pixels that differ between two screenshots inside the left work area.
left_area_change() {
  "$convert" "$work/$1.png" "$work/$2.png" -crop 530x370+14+115 +repage \
    -compose difference -composite -threshold 8% -format '%[fx:mean*w*h]' info: |
    awk '{printf "%d", $1}'
}

expect_screen() {  # expect_screen <name>: it shows something of its own on the left
  local changed
  changed=$(left_area_change menu "$1")
  echo "$1: $changed pixels differ from the menu on the left"
  ((changed > 20000)) || fail "$1 does not look different from the main menu"
}

mkdir -p "$work/game/Data"
cp -r "$data/Res" "$data/Music" "$data/Save" "$work/game/Data/" ||
  fail "no baked data in $data"
cp "$work/game/Data/Save/options" "$work/options.expected"
cp "$work/game/Data/Save/hs" "$work/hs.expected"
# Dated in the past, so the test can tell the game wrote them again.
touch -d '2001-01-01' "$work/game/Data/Save/options" "$work/game/Data/Save/hs"

(cd "$work/game" && exec "$game") >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
xdotool windowactivate --sync "$window"
sleep 3  # the panels and buttons slide in
shot menu

# Keys: Down to Options, Enter opens it, Esc closes it.
press Down
press Return
shot options
expect_screen options
press Escape

press Down
press Return
shot highscores
expect_screen highscores
press Escape

press Down
press Return
shot help
expect_screen help
# The pointer: hover the help screen's Next button and click it.
read -r nx ny < <(echo 500 448)
xdotool mousemove --window "$window" "$nx" "$ny"
sleep 0.2
xdotool click 1
shot help-page2
changed=$(left_area_change help help-page2)
echo "help page 2: $changed pixels differ from page 1"
((changed > 5000)) || fail "clicking Next did not turn the help page"
press Escape

# Hover Start Game and click it: the car selection.
xdotool mousemove --window "$window" 675 141
sleep 0.2
xdotool click 1
shot cars
expect_screen cars
press Escape

# Alt+Enter: full screen and back, the game goes on.
# The switch takes a moment, longer on a busy machine: wait up to 10 s for each size.
wait_size() {  # wait_size <width> <height>: sets fw and fh to the size last seen
  for _ in $(seq 50); do
    read -r _ _ fw fh <<<"$(geometry "$window")"
    [[ $fw == "$1" && $fh == "$2" ]] && return 0
    sleep 0.2
  done
  return 1
}
xdotool key alt+Return
wait_size 1024 768 || fail "Alt+Enter gave ${fw}x$fh, not full screen"
sleep 0.5
import -window root "$work/fullscreen.png"
echo "screenshot $work/fullscreen.png"
xdotool key alt+Return
wait_size 800 600 || fail "the second Alt+Enter gave ${fw}x$fh, not the window"
sleep 0.5

# Exit, by the pointer.
xdotool mousemove --window "$window" 675 450
sleep 0.2
shot exit-highlighted
xdotool click 1
wait_exit "$game_pid" 10 || fail "Exit did not end the game within 10 s"
game_pid=""
((exit_status == 0)) || fail "Exit ended the game with status $exit_status"
for f in options hs; do
  (($(stat -c %Y "$work/game/Data/Save/$f") > 978307200)) || fail "Exit did not write Data/Save/$f"
done
cmp "$work/game/Data/Save/options" "$work/options.expected" ||
  fail "the options file differs from what the game read"
cmp "$work/game/Data/Save/hs" "$work/hs.expected" ||
  fail "the high-score file differs from what the game read"
echo "Exit: status 0, options and high scores written back byte for byte"
echo "PASS"
