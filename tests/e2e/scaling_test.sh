#!/usr/bin/env bash
# Full screen on a 1920x1080 desktop in the real window: the settings file written
# on the first start, the picture's rectangle in the sharp and the integer mode
# (black bars around, the picture up to its edges, not blank), and a settings
# file that is never written again.
# Usage: scaling_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
set -euo pipefail

export E2E_SCREEN=1920x1080x24
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

settings=$XDG_CONFIG_HOME/brakkon/settings.ini
mkdir -p "$work/game/Data/Save"
cp -r "$data/Res" "$work/game/Data/" || fail "no baked data in $data"
write_saves "$work/game/Data/Save" 0

# Mean of channel $3 (r, g, b or all) of crop $2 of screenshot $1.
mean() {
  local fx=mean
  [[ $3 != all ]] && fx=mean.$3
  "$convert" "$1" -crop "$2" +repage -format "%[fx:$fx]" info:
}

# Checks that screenshot $1 shows the picture in rectangle W H X Y and black elsewhere.
check_rect() {
  local shot=$1 w=$2 h=$3 x=$4 y=$5 what=$6 colours
  local right=$((1920 - x - w)) bottom=$((1080 - y - h))
  colours=$("$convert" "$shot" -crop "${w}x$h+$x+$y" +repage -format '%k' info:)
  echo "$what: ${w}x$h at $x,$y holds $colours colours"
  ((colours >= 16)) || fail "$what: the picture is blank ($colours colours): $shot"
  awk -v b="$(mean "$shot" "${w}x$h+$x+$y" b)" -v r="$(mean "$shot" "${w}x$h+$x+$y" r)" \
    'BEGIN {exit !(b > 0.08 && b > r)}' || fail "$what: not the menu's navy picture: $shot"
  # The picture reaches each edge of its rectangle, and nothing lies outside it.
  for edge in "4x$h+$x+$y" "4x$h+$((x + w - 4))+$y" "${w}x4+$x+$y" "${w}x4+$x+$((y + h - 4))"; do
    awk -v m="$(mean "$shot" "$edge" all)" 'BEGIN {exit !(m > 0.02)}' ||
      fail "$what: the picture does not reach its edge $edge: $shot"
  done
  local bars=()
  ((x > 0)) && bars+=("${x}x1080+0+0" "${right}x1080+$((x + w))+0")
  ((y > 0)) && bars+=("1920x$y+0+0" "1920x$bottom+0+$((y + h))")
  for bar in "${bars[@]}"; do
    [[ $(mean "$shot" "$bar" all) == 0 ]] || fail "$what: the bar $bar is not black: $shot"
  done
}

run_full_screen() {  # run_full_screen <shot name> [hook]: starts the game full screen, screenshots it
  (cd "$work/game" && exec "$game" --fullscreen) >"$work/$1.log" 2>&1 &
  game_pid=$!
  window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
  [[ -n $window ]] || fail "no window within 15 s; log: $(cat "$work/$1.log")"
  for _ in $(seq 50); do
    read -r _ _ fw fh <<<"$(geometry "$window")"
    [[ $fw == 1920 && $fh == 1080 ]] && break
    sleep 0.1
  done
  [[ $fw == 1920 && $fh == 1080 ]] || fail "full screen gave ${fw}x$fh, not 1920x1080"
  wait_settled
  import -window root "$work/$1.png"
  echo "screenshot $work/$1.png"
  [[ -n ${2:-} ]] && "$2"
  xdotool key alt+F4
  wait_exit "$game_pid" 10 || fail "the game did not end after Alt+F4"
  game_pid=""
}

# The pointer over the Options button (picture 676,200, so 240 + 1.8 x 676, 1.8 x 200
# on the screen) highlights it: pointer positions map back through the scaling.
hover_options() {
  xdotool mousemove 1457 360
  wait_settled
  import -window root "$work/hover.png"
  local changed
  changed=$("$convert" "$work/sharp.png" "$work/hover.png" -crop 414x62+1248+329 +repage \
    -compose difference -composite -threshold 10% -format '%[fx:int(mean * w * h)]' info:)
  echo "pointer over Options: $changed pixels of the button changed"
  ((changed > 500)) || fail "the pointer over Options did not highlight it: $work/hover.png"
}

# 1. No settings file: it is written with the defaults, and full screen is sharp:
# the 4:3 picture fills the height, 1440 wide, centred.
[[ ! -e $settings ]] || fail "a settings file exists before the first start"
run_full_screen sharp hover_options
[[ -f $settings ]] || fail "the first start wrote no settings file"
grep -qx 'scale = sharp' "$settings" || fail "the written settings lack 'scale = sharp'"
check_rect "$work/sharp.png" 1440 1080 240 0 "sharp"

# 2. integer: 800x600 (the largest whole factor that fits 1080 is 1), centred.
printf 'scale = integer\nwindow-scale = 7\n' >"$settings"
before=$(md5sum <"$settings")
run_full_screen integer
check_rect "$work/integer.png" 800 600 560 240 "integer"
# Sharp's smooth step blends neighbouring pixels; integer copies them.
sharp_colours=$("$convert" "$work/sharp.png" -format '%k' info:)
integer_colours=$("$convert" "$work/integer.png" -format '%k' info:)
((sharp_colours > 4 * integer_colours)) ||
  fail "sharp shows $sharp_colours colours, integer $integer_colours: no smooth step"
[[ $(md5sum <"$settings") == "$before" ]] || fail "the game wrote over the player's settings file"
grep -q "settings.ini:2: window-scale: '7' is not 1, 2, 3 or auto" "$work/integer.log" ||
  fail "no line on the bad window-scale: $(cat "$work/integer.log")"

# 3. --settings names the file and the values in force, with no display needed.
env -u DISPLAY "$game" --settings >"$work/settings.out" 2>"$work/settings.err"
grep -qx "settings file: $settings" "$work/settings.out" || fail "--settings: $(cat "$work/settings.out")"
grep -qx 'scale = integer' "$work/settings.out" || fail "--settings does not show scale = integer"
grep -qx 'window-scale = 1' "$work/settings.out" || fail "--settings does not show the default window-scale"

echo "PASS"
