#!/usr/bin/env bash
# Random play in the real window under Xvfb, driven by xdotool: first the four
# highlight sequences (a sub-screen open, the pointer on a main-menu button and
# an arrow in the same tick), then random keys, pointer moves drawn toward the
# buttons and clicks for SECONDS (default 60). Exit clicked ends the game
# cleanly and it starts again; any other end fails with the events before it.
# Usage: monkey_test.sh <path-to-brakkon> <baked-data-dir> <work-dir> [SECONDS] [SEED]
set -euo pipefail

seconds=${4:-60}
seed=${5:-$$}
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$1" "$2" "$3"
RANDOM=$seed

# The desktop's opener and browser stand-in: it only writes down what it was given.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$@" >>"$work/opened.log"
EOF
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

mkdir -p "$work/game/Data"
cp -r "$data/Res" "$data/Music" "$data/Save" "$work/game/Data/" || fail "no baked data in $data"

events="$work/events.log"
: >"$events"
note() { echo "$*" >>"$events"; }

starts=0
clean_exits=0
actions=0
boxes=0

start_game() {
  (cd "$work/game" && exec "$game") >>"$work/game.log" 2>&1 &
  game_pid=$!
  starts=$((starts + 1))
  note "start $starts (pid $game_pid)"
  window=$(timeout 15 xdotool search --sync --onlyvisible --pid "$game_pid" --name '^Brakkon$' |
    head -n1) || true
  [[ -n $window ]] || died "no window within 15 s"
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  sleep 2.5  # the panels and buttons slide in
  measure_window
}

died() {
  local why=$1
  echo "the events before it (the last 40 of $(wc -l <"$events")):" >&2
  tail -n 40 "$events" >&2
  echo "game log:" >&2
  tail -n 20 "$work/game.log" >&2
  fail "$why"
}

# After each action: a message box is answered; a game that ended cleanly
# (status 0: Exit clicked, or the window closed) starts again, any other end fails.
check_alive() {
  local box
  # A message box shows only after a click or a key on a few screens; looking
  # for one every few actions keeps the pace up.
  ((actions % 4 == 0)) || { kill -0 "$game_pid" 2>/dev/null && return 0; }
  for box in $(xdotool search --name '^(Information|Brakkon)$' 2>/dev/null || true); do
    [[ $box == "$window" ]] && continue
    boxes=$((boxes + 1))
    note "answer message box $box ($(xprop -id "$box" WM_NAME 2>/dev/null | cut -d'"' -f2))"
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || true
    sleep 0.2
    xdotool windowactivate "$window" 2>/dev/null || true
  done
  kill -0 "$game_pid" 2>/dev/null && return 0
  exit_status=0
  wait "$game_pid" || exit_status=$?
  game_pid=""
  if ((exit_status == 0)); then
    clean_exits=$((clean_exits + 1))
    note "clean exit"
    start_game
    return 0
  fi
  died "the game ended with status $exit_status"
}

# The window's size, read again after a start and a switch of the display mode.
win_w=800
win_h=600
measure_window() {
  read -r _ _ win_w win_h < <(geometry "$window") || true
}

# Picture position to the window's: full screen (Alt+Enter) scales and letterboxes.
to_window() {
  local px=$1 py=$2 w=$win_w h=$win_h
  ((w > 0 && h > 0)) || { echo "$px $py"; return; }
  local scale_w=$((w * 1000 / 800)) scale_h=$((h * 1000 / 600)) scale ox oy
  scale=$((scale_w < scale_h ? scale_w : scale_h))
  ox=$(((w - 800 * scale / 1000) / 2))
  oy=$(((h - 600 * scale / 1000) / 2))
  local wx=$((ox + px * scale / 1000)) wy=$((oy + py * scale / 1000))
  # xdotool takes a negative number for an option: the window's edge stands in.
  echo "$((wx < 0 ? 0 : wx)) $((wy < 0 ? 0 : wy))"
}

point_at() {  # point_at <picture x> <picture y>
  local wx wy
  read -r wx wy < <(to_window "$1" "$2")
  note "move $1 $2"
  xdotool mousemove --window "$window" "$wx" "$wy" 2>/dev/null || true
}

key() {  # key <keysym> [hold seconds]
  note "key $1"
  xdotool keydown --window "$window" "$1" 2>/dev/null || true
  sleep "${2:-0.1}"
  xdotool keyup --window "$window" "$1" 2>/dev/null || true
  sleep 0.1
}

# Buttons in picture coordinates: x y width height.
readonly menu_buttons=("555 115 240 52" "555 175 240 52" "555 238 240 52" "555 300 240 52"
  "555 362 240 52" "555 424 240 52")
readonly screen_buttons=("41 161 110 220" "162 161 110 220" "282 161 110 220" "406 161 110 220"
  "22 140 514 28" "22 188 514 28" "22 236 514 28" "22 284 514 28" "27 412 248 40"
  "283 412 248 40" "36 428 60 40" "462 428 60 40" "235 305 160 50" "405 305 160 50")

inside() {  # inside "x y w h": a random point of that rectangle, edges included
  local x y w h
  read -r x y w h <<<"$1"
  echo "$((x + RANDOM % (w + 1))) $((y + RANDOM % (h + 1)))"
}

# The pointer onto main-menu button $1 and key $2 pressed in one go, so the
# hover and the arrow land in the same tick; then the arrow twice more.
hover_and_arrow() {
  local slot=$1 arrow=$2 px py wx wy
  read -r px py <<<"$(inside "${menu_buttons[slot - 1]}")"
  read -r wx wy < <(to_window "$px" "$py")
  note "move $px $py + key $arrow"
  xdotool mousemove --window "$window" "$wx" "$wy" keydown --window "$window" "$arrow" 2>/dev/null || true
  sleep 0.1
  xdotool keyup --window "$window" "$arrow" 2>/dev/null || true
  sleep 0.15
  key "$arrow"
  key "$arrow"
  check_alive
}

start_game

echo "== the four highlight sequences"
# Car selection: Enter on START; the pointer resting on START; Left twice and more.
key Return
point_at 600 140
sleep 0.2
key Left
key Left
key Left
check_alive
key Escape
sleep 0.3
# Options, high scores, help: each opened by its own button, then the pointer on
# START with the arrow that walks away from the screen's slots.
for entry in "2 Up" "3 Left" "4 Left" "2 Down" "3 Right"; do
  read -r slot arrow <<<"$entry"
  point_at 600 $((140 + (slot - 1) * 62))
  sleep 0.15
  note "click"
  xdotool click 1
  sleep 0.3
  hover_and_arrow 1 "$arrow"
  key Escape
  sleep 0.3
done
check_alive
echo "the game runs after every sequence"

echo "== random play for $seconds s (seed $seed)"
readonly keys=(Up Down Left Right Up Down Left Right Return Return Escape space BackSpace p y n
  Control_L a e k w z 3)
end=$((SECONDS + seconds))
while ((SECONDS < end)); do
  actions=$((actions + 1))
  roll=$((RANDOM % 100))
  if ((roll < 40)); then
    key "${keys[RANDOM % ${#keys[@]}]}" "0.0$((RANDOM % 9 + 1))"
  elif ((roll < 55)); then
    read -r px py <<<"$(inside "${menu_buttons[RANDOM % 5]}")"
    point_at "$px" "$py"
  elif ((roll < 65)); then
    read -r px py <<<"$(inside "${screen_buttons[RANDOM % ${#screen_buttons[@]}]}")"
    point_at "$px" "$py"
  elif ((roll < 70)); then
    hover_and_arrow $((RANDOM % 5 + 1)) "${keys[RANDOM % 4]}"
  elif ((roll < 85)); then
    note "click"
    xdotool click 1 2>/dev/null || true
    sleep 0.05
  elif ((roll < 88)); then
    # Exit, now and then: the game ends cleanly and starts again.
    read -r px py <<<"$(inside "${menu_buttons[5]}")"
    point_at "$px" "$py"
    note "click"
    xdotool click 1 2>/dev/null || true
    sleep 0.3
  elif ((roll < 90)); then
    note "key alt+Return"
    xdotool key --window "$window" alt+Return 2>/dev/null || true
    sleep 0.5
    measure_window
  elif ((roll < 97)); then
    # In a race: Up held a while, so the road moves and things happen.
    key Up "0.$((RANDOM % 9 + 1))"
  else
    point_at $((RANDOM % 840 - 20)) $((RANDOM % 640 - 20))
  fi
  check_alive
done

echo "actions $actions, starts $starts, clean exits $clean_exits, message boxes answered $boxes, events logged $(wc -l <"$events")"
kill -0 "$game_pid" 2>/dev/null || died "the game is gone at the end"
echo "PASS"
