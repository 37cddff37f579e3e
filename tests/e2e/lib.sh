# Shared by the end-to-end scripts: arguments, tools, clean-up, waiting, and a
# display of our own (Xvfb with openbox) for the game's window.
# Sourced with the script's arguments: <path-to-brakkon> <baked-data-dir> <work-dir>;
# sets `game`, `data` and `work` (emptied first).

if [[ $# -ne 3 ]]; then
  echo "usage: $0 <path-to-brakkon> <baked-data-dir> <work-dir>" >&2
  exit 2
fi
game=$(realpath "$1")
data=$(realpath "$2")
work=$3

[[ -n $work && $work != / ]] || { echo "refusing work dir '$work'" >&2; exit 2; }
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

convert=/usr/bin/convert  # ImageMagick itself, whatever else is first in PATH
for tool in Xvfb xdotool xwininfo xprop openbox import "$convert"; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is not installed (xvfb xdotool x11-utils openbox imagemagick)" >&2
    exit 1
  fi
done

xvfb_pid=""
wm_pid=""
game_pid=""

stop() {  # stop <pid>: asks politely, then insists
  local pid=$1
  [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  stop "$game_pid"
  stop "$wm_pid"
  stop "$xvfb_pid"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $2 seconds for process $1 to end; its exit status lands in $exit_status.
wait_exit() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 1
  exit_status=0
  wait "$pid" || exit_status=$?
  return 0
}

cpu_ticks() {  # user + system time of process $1 in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }  # the name may hold spaces; fields restart after it at field 3
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}

# write_saves <Data/Save folder> <score>: the table holds ten nameless entries of
# <score> (a nameless table's check line is empty, so the options file matches
# it), window mode, music and sound on, no country.
write_saves() {
  local folder=$1 score=$2
  mkdir -p "$folder"
  printf '0\r\n1\r\n1\r\n\r\n\r\n' >"$folder/options"
  : >"$folder/hs"
  for _ in $(seq 10); do printf '\r\n%s\r\n0\r\n0\r\n' "$score" >>"$folder/hs"; done
}

# A key held long enough for one tick to see it, then released.
press() {
  xdotool keydown "$1"
  sleep 0.15
  xdotool keyup "$1"
  sleep 0.25
}

# Waits until two screenshots of $window 0.3 s apart are equal (a menu has slid in).
wait_settled() {
  for _ in $(seq 60); do
    import -window "$window" "$work/still-a.png"
    sleep 0.3
    import -window "$window" "$work/still-b.png"
    [[ $("$convert" "$work/still-a.png" "$work/still-b.png" -compose difference -composite \
      -format '%[fx:maxima]' info:) == 0 ]] && return 0
  done
  fail "the window did not stand still"
}

geometry() {  # x y width height of window $1
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# A display of its own, on a number the server picks; E2E_SCREEN sets its size.
Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/xvfb.display" \
  2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s $work/xvfb.display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
[[ -s $work/xvfb.display ]] || fail "Xvfb gave no display number"
DISPLAY=":$(head -n1 "$work/xvfb.display")"
export DISPLAY
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# The game's settings file goes here, never into the real ~/.config.
export XDG_CONFIG_HOME="$work/config"
echo "display $DISPLAY"

# A window manager, so the window gets a frame and Alt+F4 asks it to close as its
# close button does (WM_DELETE_WINDOW, which SDL turns into its quit event).
cat >"$work/openbox.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <keyboard>
    <keybind key="A-F4"><action name="Close"/></keybind>
  </keyboard>
</openbox_config>
EOF
openbox --config-file "$work/openbox.xml" >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"
