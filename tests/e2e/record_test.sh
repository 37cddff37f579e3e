#!/usr/bin/env bash
# A race played in the real window with --record, then played back by
# brakkon-replay: the playback ends with the score the game stored.
# Usage: record_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>, with
# BRAKKON_REPLAY naming the replay tool's executable.
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

replay=$(realpath "${BRAKKON_REPLAY:?BRAKKON_REPLAY must name brakkon-replay}")

mkdir -p "$work/game/Data"
cp -r "$data/Res" "$data/Music" "$work/game/Data/" || fail "no baked data in $data"
# Every score beats this table, so the race ends in the name entry and its
# score is written to the table at exit.
write_saves "$work/game/Data/Save" -5

xdotool mousemove 1023 767
(cd "$work/game" && exec "$game" --record "$work/race.rec") >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
xdotool windowactivate --sync "$window"
wait_settled

press Return  # Start Game
wait_settled
press Return  # the first car
sleep 3
# Drive: accelerate, weave, fire now and then.
xdotool keydown Up
for key in Left Right space Left Right; do
  sleep 0.8
  xdotool keydown "$key"
  sleep 0.3
  xdotool keyup "$key"
done
xdotool keyup Up
press Escape
press y
sleep 0.5
for _ in $(seq 6); do press BackSpace; done
xdotool type --delay 120 REC
press Return
press Right  # Cancel
press Return
wait_settled
press Escape
press Down
press Down
press Down
press Return
wait_exit "$game_pid" 10 || fail "Exit did not end the game within 10 s"
game_pid=""
((exit_status == 0)) || fail "Exit ended the game with status $exit_status"

[[ -s $work/race.rec ]] || fail "no recording was written"
stored=$(tr -d '\r' <"$work/game/Data/Save/hs" | awk 'prev == "REC" {print; exit} {prev = $0}')
[[ -n $stored ]] || fail "the table holds no REC entry: $(cat "$work/game/Data/Save/hs")"
echo "the game stored REC with $stored points"

"$replay" --data "$work/game" "$work/race.rec" >"$work/replay.jsonl" 2>"$work/replay.err" ||
  fail "the replay failed: $(cat "$work/replay.err")"
last=$(tail -n1 "$work/replay.jsonl")
echo "playback ends: ${last:0:160}"
score=$(sed -n 's/.*"score":\([0-9-]*\).*/\1/p' <<<"$last")
state=$(sed -n 's/.*"state":\([0-9]*\).*/\1/p' <<<"$last")
[[ $score == "$stored" ]] || fail "the playback ends with $score points, the game stored $stored"
[[ $state == 71 ]] || fail "the playback ends in state $state, not in the name entry"
# The recording covers ticks 0 to end - 1; the playback ends on the last of them.
tick=$(sed -n 's/.*"tick":\([0-9]*\).*/\1/p' <<<"$last")
end=$(awk '$2 == "end" {print $1}' "$work/race.rec")
[[ -n $end && $tick == $((end - 1)) ]] || fail "the playback ends at tick $tick, the recording at $end"
echo "the playback ends on the recording's last tick, $tick"
echo "PASS"
