#!/usr/bin/env bash
# The game's sound under Xvfb: start-up plays the menu music (read back through
# SDL's disk driver, which writes the mixed output to a file), the Music and Sound
# options keep it silent, and a machine without a sound device runs the game
# silently and closes normally.
# Usage: audio_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
set -euo pipefail

readonly kListenSeconds=3
readonly kMinRms=300            # 16-bit units over each half second; the tune is far louder
readonly kMaxAudioCpuPercent=10 # of one core, for the audio thread alone

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

# make_game <dir> <music 0|1> <sound 0|1>: the baked data and an options file.
make_game() {
  local dir=$1
  mkdir -p "$dir/Data/Save"
  cp -r "$data/Res" "$data/Music" "$dir/Data/" || fail "no baked data in $data"
  printf '0\r\n%s\r\n%s\r\n\r\n\r\n' "$2" "$3" >"$dir/Data/Save/options"
}

# start_game <dir> <log> [VAR=value...]: runs the game there and waits for its window.
start_game() {
  local dir=$1 log=$2
  shift 2
  (cd "$dir" && exec env "$@" "$game") >"$log" 2>&1 &
  game_pid=$!
  window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
  [[ -n $window ]] || fail "no window named Brakkon within 15 s; log: $(cat "$log")"
}

close_game() {
  xdotool windowactivate --sync "$window"
  xdotool key alt+F4
  wait_exit "$game_pid" 10 || fail "the game did not end within 10 s of closing its window"
  game_pid=""
  ((exit_status == 0)) || fail "the game ended with status $exit_status after its window was closed"
}

# rms_report <file> <skip-seconds>: "seconds min-rms max-rms peak" of a 44100 Hz stereo
# 16-bit file, the RMS taken over each whole half second after the first <skip-seconds>.
rms_report() {
  od -An -v -t d2 -w4 "$1" | awk -v skip="$2" '
    { frame++; if (frame <= skip * 44100) next
      s = $1 * $1 + $2 * $2; sum += s; n++
      if ($1 > peak || -$1 > peak) peak = ($1 < 0 ? -$1 : $1)
      if (n == 22050) { r = sqrt(sum / (2 * n)); if (min == "" || r < min) min = r; if (r > max) max = r; sum = 0; n = 0 } }
    END { printf "%.2f %.0f %.0f %d\n", frame / 44100, min == "" ? 0 : min, max, peak }'
}

audio_thread() {  # the /proc entry of SDL's playback thread in process $1
  local task
  for task in /proc/"$1"/task/*; do
    [[ $(cat "$task/comm") == SDLAudioP* ]] && { echo "$task"; return 0; }
  done
  return 1
}

thread_ticks() {  # user + system time of the thread at /proc entry $1 in clock ticks
  local stat
  stat=$(cat "$1/stat")
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}

ticks_per_second=$(getconf CLK_TCK)
percent() {  # percent <ticks> <nanoseconds>
  awk -v t="$1" -v hz="$ticks_per_second" -v ns="$2" 'BEGIN {printf "%.1f", 100 * t / hz / (ns / 1e9)}'
}

# 1. Music and sound on: the menu tune comes out of the device from start-up on.
make_game "$work/music" 1 1
start_game "$work/music" "$work/music.log" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw"
sleep 1
tid=$(audio_thread "$game_pid") || fail "no SDL audio thread in the game; log: $(cat "$work/music.log")"
start_audio=$(thread_ticks "$tid")
start_all=$(cpu_ticks "$game_pid")
start_ns=$(date +%s%N)
sleep "$kListenSeconds"
end_audio=$(thread_ticks "$tid")
end_all=$(cpu_ticks "$game_pid")
end_ns=$(date +%s%N)
audio_cpu=$(percent $((end_audio - start_audio)) $((end_ns - start_ns)))
all_cpu=$(percent $((end_all - start_all)) $((end_ns - start_ns)))
echo "processor use with the menu music: audio thread $audio_cpu%, whole game $all_cpu% of one core"
awk -v p="$audio_cpu" -v max="$kMaxAudioCpuPercent" 'BEGIN {exit !(p <= max)}' ||
  fail "the audio thread uses $audio_cpu% of a core, above $kMaxAudioCpuPercent%"
close_game
read -r seconds min_rms max_rms peak <<<"$(rms_report "$work/music.raw" 1)"
echo "menu music: $seconds s written, RMS per half second $min_rms..$max_rms, peak $peak"
awk -v s="$seconds" -v want="$kListenSeconds" 'BEGIN {exit !(s >= want)}' ||
  fail "only $seconds s of sound were written"
((min_rms >= kMinRms)) || fail "a half second of the menu music is silent (RMS $min_rms)"

# 2. Music and sound off: nothing but silence reaches the device.
make_game "$work/quiet" 0 0
start_game "$work/quiet" "$work/quiet.log" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/quiet.raw"
sleep 2
close_game
read -r seconds min_rms max_rms peak <<<"$(rms_report "$work/quiet.raw" 0)"
echo "music and sound off: $seconds s written, peak $peak"
((peak == 0)) || fail "sound came out with music and sound off (peak $peak)"

# 3. No sound device: the game runs, shows no message, and closes normally.
make_game "$work/nodevice" 1 1
start_game "$work/nodevice" "$work/nodevice.log" SDL_AUDIODRIVER=nonexistent
sleep 2
kill -0 "$game_pid" 2>/dev/null || fail "the game ended without a sound device; log: $(cat "$work/nodevice.log")"
boxes=$(xwininfo -root -tree | awk '/^ +0x[0-9a-f]+ "Brakkon"/ && !/"brakkon"/' | wc -l)
((boxes == 0)) || fail "a message box appeared without a sound device"
close_game
[[ ! -s $work/nodevice.log ]] || fail "the game reported something without a sound device: $(cat "$work/nodevice.log")"
echo "no sound device: ran silently, no message, exit status 0"

echo "PASS"
