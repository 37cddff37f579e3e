#!/usr/bin/env bash
# A race in the real window under Xvfb, driven by xdotool from the menu back to the menu.
# Usage: race_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

# Regions as crop geometries of the 800x600 window.
readonly kRoad=520x600+140+0        # between the panels: the road, its objects and the car
readonly kLeftArea=530x370+14+115   # the menu's work area, where its screens differ
readonly kPauseText=100x50+390+240  # "PAUSE" and "LEVEL 1" start at x 392, y 250
readonly kPromptText=100x50+280+240 # "FINISH" of the finish question starts at x 282
readonly kMinBigText=200            # pixels of the big font's cream body in such a region
readonly kMinRoadChange=3000        # pixels that change when the road scrolls a few px

shot() {  # shot <name>: the window's picture now, as <name>.png
  import -window "$window" "$work/$1.png"
}

keep() {  # keep <name>: a screenshot worth looking at, reported by name
  shot "$1"
  echo "screenshot $work/$1.png"
}

# Pixels that differ clearly between screenshots $1 and $2, inside crop $3.
changed() {
  "$convert" "$work/$1.png" "$work/$2.png" -crop "$3" +repage \
    -compose difference -composite -threshold 8% -format '%[fx:mean*w*h]' info: |
    awk '{printf "%d", $1}'
}

# Pixels in crop $2 of screenshot $1 with the big font's colour: full red, cream
# to yellow; the road's markings are greyer and nothing else on it is that colour.
big_text() {
  "$convert" "$work/$1.png" -crop "$2" +repage -fx 'r > 0.97 && b < 0.93 && r - b > 0.06' \
    -format '%[fx:mean*w*h]' info: | awk '{printf "%d", $1}'
}

# Waits up to $1 seconds for the window to stand still: two screenshots 0.3 s apart
# equal to the pixel; the last one is kept as $2.
wait_still() {
  local seconds=$1 name=$2 deadline=$((SECONDS + $1))
  shot "$name"
  while ((SECONDS < deadline)); do
    sleep 0.3
    mv "$work/$name.png" "$work/$name-before.png"
    shot "$name"
    if (($(changed "$name-before" "$name" 800x600+0+0) == 0)); then
      rm -f "$work/$name-before.png"
      echo "screenshot $work/$name.png"
      return 0
    fi
  done
  fail "the window did not stand still within $seconds s: $work/$name.png"
}

# With Up held, the road moves: two screenshots a moment apart differ between the
# panels. Polls for a few seconds, since a wall met on the way stops the car for 2 s.
expect_road_moves() {
  local what=$1 moved=0
  xdotool keydown Up
  for _ in $(seq 12); do
    shot "$what-a"
    sleep 0.2
    shot "$what"
    moved=$(changed "$what-a" "$what" "$kRoad")
    ((moved >= kMinRoadChange)) && break
  done
  xdotool keyup Up
  echo "$what: $moved pixels of the road changed in 0.2 s"
  ((moved >= kMinRoadChange)) || fail "$what: the road does not move with Up held: $work/$what.png"
  echo "screenshot $work/$what.png"
}

# A held race presents nothing: a screenshot now and one 0.5 s later are equal.
expect_standing() {
  local what=$1 moved
  shot "$what"
  sleep 0.5
  shot "$what-later"
  moved=$(changed "$what" "$what-later" 800x600+0+0)
  echo "$what: $moved pixels changed in 0.5 s"
  ((moved == 0)) || fail "$what: the window still changes: $work/$what.png $work/$what-later.png"
  echo "screenshot $work/$what.png"
}

mkdir -p "$work/game/Data"
cp -r "$data/Res" "$data/Music" "$work/game/Data/" || fail "no baked data in $data"
# A table no short drive can beat: the race ends on the menu, never in the name entry.
write_saves "$work/game/Data/Save" 1000000

# The pointer off the window's way, so no hover moves a highlight.
xdotool mousemove 1023 767
(cd "$work/game" && exec "$game") >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
xdotool windowactivate --sync "$window"

# The main menu, once its panels and buttons have slid in; Start Game is highlighted.
wait_still 15 menu
# The high-score screen as the menu opens it, to know it again after the race.
press Down
press Down
press Return
wait_still 5 highscores
(($(changed menu highscores "$kLeftArea") > 20000)) ||
  fail "High Scores did not open the high-score screen: $work/highscores.png"
press Escape
press Up
press Up

press Return
wait_still 5 cars
(($(changed menu cars "$kLeftArea") > 20000)) ||
  fail "Enter on Start Game did not open the car selection: $work/cars.png"

# Enter on the first car: the race, with its level banner for 2 s.
press Return
deadline=$((SECONDS + 5))
until shot banner && (($(big_text banner "$kPauseText") >= kMinBigText)); do
  ((SECONDS < deadline)) || fail "no level banner within 5 s of choosing a car: $work/banner.png"
  sleep 0.2
done
echo "screenshot $work/banner.png"
(($(changed cars banner "$kLeftArea") > 20000)) || fail "the race screen looks like the car selection"
deadline=$((SECONDS + 5))
until shot race && (($(big_text race "$kPauseText") == 0)); do
  ((SECONDS < deadline)) || fail "the level banner stayed longer than 5 s: $work/race.png"
  sleep 0.2
done
echo "screenshot $work/race.png"

expect_road_moves driving

press p
expect_standing paused
pause_text=$(big_text paused "$kPauseText")
echo "paused: $pause_text pixels of big text where PAUSE stands, $(big_text driving "$kPauseText") when driving"
((pause_text >= kMinBigText)) || fail "P did not show PAUSE: $work/paused.png"
(($(big_text paused "$kPromptText") < kMinBigText / 4)) ||
  fail "the pause shows more text than PAUSE: $work/paused.png"

press p
expect_road_moves resumed

press Escape
expect_standing question
question_text=$(big_text question "$kPromptText")
echo "question: $question_text pixels of big text where FINISH stands"
((question_text >= kMinBigText)) || fail "Esc did not ask FINISH RACE? Y/N: $work/question.png"

press n
expect_road_moves answered-no

# Esc and Y: the score stays below the whole table, so no name entry; the menu
# slides in and opens its high-score screen.
press Escape
expect_standing question-again
(($(big_text question-again "$kPromptText") >= kMinBigText)) ||
  fail "the second Esc did not ask FINISH RACE? Y/N: $work/question-again.png"
press y
deadline=$((SECONDS + 15))
until shot after-race && (($(changed highscores after-race 800x600+0+0) < 500)); do
  ((SECONDS < deadline)) ||
    fail "the high-score screen did not come back within 15 s of Y: $work/after-race.png"
  sleep 0.3
done
echo "screenshot $work/after-race.png"
echo "after the race: the high-score screen, $(changed highscores after-race 800x600+0+0) pixels off the one the menu opened"

# Back to the menu, where High Scores stays highlighted; three down to Exit.
press Escape
press Down
press Down
press Down
keep exit-highlighted
press Return
wait_exit "$game_pid" 10 || fail "Exit did not end the game within 10 s"
game_pid=""
((exit_status == 0)) ||
  fail "Exit ended the game with status $exit_status; game log: $(tail -n 20 "$work/game.log")"
echo "Exit: status 0"
echo "PASS"
