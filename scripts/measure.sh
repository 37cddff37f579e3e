#!/usr/bin/env bash
# Measures what the game costs on this machine, SDL build under Xvfb with the
# dummy audio driver, and prints one table:
#   start-up    ms from exec to the first presented frame (median of 7 starts),
#               from the game's own BRAKKON_TIMINGS report
#   memory      resident set (VmRSS) in the menu and in a race at top speed
#   cpu         share of one core over 20 s, idle in the menu and racing with Up held
#   frame       the race frame benchmark against two frame-sized memcpy's
# Usage: scripts/measure.sh [--quick]   (--quick: 3 starts, 5 s of CPU)
# Other work on the machine skews every figure: measure on a quiet one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
starts=7
cpu_seconds=20
[[ ${1:-} == --quick ]] && { starts=3; cpu_seconds=5; }

"$root/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAKKON_BENCH=ON >/dev/null
game="$build/brakkon"
work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [[ -n $game_pid ]] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# A settings file of its own: the defaults, and none written into ~/.config.
export XDG_CONFIG_HOME="$work/config"

# A copy of the game's folder whose table no short drive beats, so a race ends in the menu.
mkdir -p "$work/game/Data/Save"
cp -r "$build/Data/Res" "$build/Data/Music" "$work/game/Data/"
printf '0\r\n1\r\n1\r\n\r\n\r\n' >"$work/game/Data/Save/options"
for _ in $(seq 10); do printf '\r\n1000000\r\n0\r\n0\r\n' >>"$work/game/Data/Save/hs"; done

start_game() {  # the game in the background, its report in $work/game.log
  (cd "$work/game" && BRAKKON_TIMINGS=1 exec "$game") >"$work/game.log" 2>&1 &
  game_pid=$!
}
stop_game() {
  kill "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
}
cpu_ticks() {  # user + system time of the game in clock ticks
  local stat
  stat=$(cat "/proc/$game_pid/stat")
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}
cpu_percent() {  # share of one core over $cpu_seconds s
  local before after
  before=$(cpu_ticks)
  sleep "$cpu_seconds"
  after=$(cpu_ticks)
  awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$cpu_seconds" \
    'BEGIN { printf "%.1f", 100 * t / hz / s }'
}
rss_mb() {
  awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$game_pid/status"
}

# Start-up: the wall clock before exec against the game's wall clock at its first frame.
startups=()
phases=""
for _ in $(seq "$starts"); do
  sync
  before=$(date +%s.%N)
  start_game
  for _ in $(seq 100); do grep -q 'first frame' "$work/game.log" && break; sleep 0.05; done
  line=$(grep 'first frame' "$work/game.log") || { cat "$work/game.log" >&2; exit 1; }
  shown=${line##*wall }
  startups+=("$(awk -v a="$before" -v b="$shown" 'BEGIN { printf "%.0f", (b - a) * 1000 }')")
  phases=$(grep 'timings' "$work/game.log")
  stop_game
done
startup=$(printf '%s\n' "${startups[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

# The menu, once it has slid in and stands still.
start_game
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1)
sleep 4
menu_rss=$(rss_mb)
menu_cpu=$(cpu_percent)

# A race: Start Game, the first car, past the banner, then Up held.
xdotool windowfocus --sync "$window" 2>/dev/null || true
for _ in 1 2; do
  xdotool keydown Return; sleep 0.15; xdotool keyup Return; sleep 1.5
done
sleep 2.5
xdotool keydown Up
sleep 2
race_cpu=$(cpu_percent)
race_rss=$(rss_mb)
xdotool keyup Up
stop_game

ratio=$("$build/brakkon_race_bench" --benchmark_min_time=1 2>/dev/null |
  awk '/^ratio/ { print $7 }')

echo "start-up phases of the last start (ms since exec; cpu = processor time used):"
echo "$phases" | sed 's/^brakkon: timings: /  /'
printf 'start-ups (ms): %s\n\n' "${startups[*]}"
printf '%-34s %10s %8s\n' "measure" "value" "goal"
printf '%-34s %10s %8s\n' "start-up to first frame (ms)" "$startup" "150"
printf '%-34s %10s %8s\n' "resident memory, menu (MB)" "$menu_rss" "40"
printf '%-34s %10s %8s\n' "resident memory, race (MB)" "$race_rss" "40"
printf '%-34s %10s %8s\n' "cpu idle in the menu (% of a core)" "$menu_cpu" "1.5"
printf '%-34s %10s %8s\n' "cpu racing, Up held (% of a core)" "$race_cpu" "6"
printf '%-34s %10s %8s\n' "race frame / memcpy pair" "$ratio" "3"
