#!/usr/bin/env bash
# The online table in the real window: a result sent from the send prompt to our
# own score server, the high-score screen's online-table button, and the
# message the player sees once the server is gone.
# Usage: online_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>, with
# BRAKKON_SCORED naming the score server's executable.
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

scored=$(realpath "${BRAKKON_SCORED:?BRAKKON_SCORED must name brakkon-scored}")
server_pid=""
trap 'stop "$server_pid"; cleanup' EXIT

shot() {  # shot <name>: the window's picture now, as <name>.png
  import -window "$window" "$work/$1.png"
  echo "screenshot $work/$1.png"
}

# The table page as the server serves it.
table_page() {
  exec 5<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET /cgi/version.pl?prg=Brakkon&show&type=0 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&5
  cat <&5
  exec 5<&-
}

"$scored" --listen 127.0.0.1:0 --db "$work/scores.db" 2>"$work/scored.log" &
server_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/scored.log")
  [[ -n $port ]] && break
  sleep 0.1
done
[[ -n $port ]] || fail "the score server did not start: $(cat "$work/scored.log")"
echo "score server on port $port"

# The desktop's opener, replaced by one that writes down what it was given.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$@" >>"$work/opened.log"
EOF
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

mkdir -p "$work/game/Data"
cp -r "$data/Res" "$data/Music" "$work/game/Data/" || fail "no baked data in $data"
# A table every score beats, so the race ends in the name entry.
write_saves "$work/game/Data/Save" -5

xdotool mousemove 1023 767
(cd "$work/game" && BRAKKON_SCORE_HOST="127.0.0.1:$port" exec "$game") >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
xdotool windowactivate --sync "$window"
wait_settled

# A race ended at once by the finish question: the name entry.
race_to_name_entry() {
  press Return  # Start Game
  wait_settled
  press Return  # the first car
  sleep 3.5     # the level banner holds the keys off for 2 s
  press Escape
  press y
  sleep 0.5
}

race_to_name_entry
shot name-entry
for _ in $(seq 6); do press BackSpace; done
xdotool type --delay 120 TESTER
press Return
shot send-prompt
press Return  # OK
wait_settled    # the menu slides in and opens its high-score screen
shot after-send

page=""
for _ in $(seq 40); do
  page=$(table_page)
  grep -q 'TESTER' <<<"$page" && break
  sleep 0.2
done
grep -q 'TESTER' <<<"$page" ||
  fail "the table page does not show the result; server log: $(cat "$work/scored.log")"
echo "the table page shows TESTER"

# The high-score screen opens on its online-table button: the table, in the desktop's browser.
press Return
sleep 1
want="http://127.0.0.1:$port/cgi/version.pl?prg=Brakkon&show&type=0"
grep -qxF "$want" "$work/opened.log" 2>/dev/null ||
  fail "the online-table button did not open $want: $(cat "$work/opened.log" 2>/dev/null)"
echo "opened: $want"

# The server gone: OK tells the player in an information box.
stop "$server_pid"
server_pid=""
press Escape
press Up
press Up
wait_settled
race_to_name_entry
press Return
press Return  # OK
box=""
for _ in $(seq 50); do
  box=$(xwininfo -root -tree | awk '/"Information"/ {print $1}' | head -n1) || true
  [[ -n $box ]] && break
  sleep 0.2
done
[[ -n $box ]] || fail "no information box after OK with the server stopped"
import -window root "$work/no-server.png"
echo "screenshot $work/no-server.png"
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
xdotool key Return
sleep 3

press Escape
press Down
press Down
press Down
press Return
wait_exit "$game_pid" 10 || fail "Exit did not end the game within 10 s"
game_pid=""
((exit_status == 0)) ||
  fail "Exit ended the game with status $exit_status; game log: $(tail -n 20 "$work/game.log")"
echo "PASS"
