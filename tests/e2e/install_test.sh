#!/usr/bin/env bash
# An install into a temporary prefix and the Debian package: their files, the
# desktop entries' validity, and the installed game playing in the player's own folder.
# Usage: install_test.sh <path-to-brakkon> <baked-data-dir> <work-dir>
# (BRAKKON_BUILD_DIR names the build tree; CMAKE_COMMAND and CPACK_COMMAND the tools.)
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh" "$@"

build=${BRAKKON_BUILD_DIR:?the build tree}
cmake=${CMAKE_COMMAND:-cmake}
cpack=${CPACK_COMMAND:-cpack}
readonly app_id=org.brakkon.Brakkon
for tool in desktop-file-validate appstreamcli dpkg-deb identify; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (desktop-file-utils appstream dpkg imagemagick)"
done

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 5 "$work/install.log")"

expected=(
  bin/brakkon
  share/brakkon/Data/Res/Res1.dxg share/brakkon/Data/Res/Res3.dxg share/brakkon/Data/Res/Sounds.dxw
  share/brakkon/Data/Music/Menu.xm share/brakkon/Data/Music/Race.xm
  share/brakkon/Data/Save/options share/brakkon/Data/Save/hs
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
)
for size in 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x$size/apps/brakkon.png"); done
for file in "${expected[@]}"; do
  [[ -f $prefix/$file && -s $prefix/$file ]] || fail "the install lacks $file"
done
[[ -x $prefix/bin/brakkon ]] || fail "bin/brakkon is not executable"
for size in 32 48 64 128 256; do
  dims=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/brakkon.png")
  [[ $dims == "${size}x$size" ]] || fail "the ${size}x$size icon is $dims"
done
# The installed defaults are the bake's, not the build tree's played-on saves.
cmp -s "$prefix/share/brakkon/Data/Save/hs" "$build/install-saves/Data/Save/hs" ||
  fail "the installed high-score table is not the default one"
echo "install: ${#expected[@]} files in place under $prefix"

desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate refused the desktop file"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli refused the metainfo file"
echo "desktop file and metainfo: valid"

[[ $("$prefix/bin/brakkon" --version) =~ ^brakkon\ [0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  fail "--version printed '$("$prefix/bin/brakkon" --version)'"
status=0
"$prefix/bin/brakkon" --no-such-option >/dev/null 2>"$work/usage.err" || status=$?
((status == 2)) || fail "an unknown option ended with status $status, not 2"
grep -q -- '--fullscreen' "$work/usage.err" || fail "an unknown option did not print the help on stderr"

listing() {  # every path under $1 with its size and modification time
  (cd "$1" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort)
}
listing "$prefix" >"$work/prefix-before.txt"

# A fresh player: no XDG_DATA_HOME, a home of its own, started in an empty folder.
home=$work/home
user=$home/.local/share/brakkon
mkdir -p "$home" "$work/cwd"
xdotool mousemove 1023 767
(cd "$work/cwd" && exec env -u XDG_DATA_HOME HOME="$home" "$prefix/bin/brakkon") \
  >"$work/game.log" 2>&1 &
game_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brakkon$' | head -n1) || true
[[ -n $window ]] || fail "no window named Brakkon within 15 s; game log: $(cat "$work/game.log")"
xdotool windowactivate --sync "$window"

shot() { import -window "$window" "$work/$1.png"; }
changed() {
  "$convert" "$work/$1.png" "$work/$2.png" -compose difference -composite -threshold 8% \
    -format '%[fx:mean*w*h]' info: | awk '{printf "%d", $1}'
}
# The menu once its panels have slid in: two screenshots 0.3 s apart are equal.
deadline=$((SECONDS + 15))
shot menu
while :; do
  sleep 0.3
  mv "$work/menu.png" "$work/menu-before.png"
  shot menu
  (($(changed menu-before menu) == 0)) && break
  ((SECONDS < deadline)) || fail "the menu did not stand still within 15 s: $work/menu.png"
done
echo "screenshot $work/menu.png"
lit=$("$convert" "$work/menu.png" -colorspace Gray -threshold 10% -format '%[fx:mean*w*h]' info: |
  awk '{printf "%d", $1}')
echo "menu: $lit pixels brighter than 10% grey"
((lit > 20000)) || fail "the installed game's window is black: $work/menu.png"

for what in Save/options Save/hs Res Music; do
  [[ -e $user/Data/$what || -L $user/Data/$what ]] || fail "the player's folder lacks Data/$what"
done
[[ $(readlink "$user/Data/Res") == "$prefix/share/brakkon/Data/Res" ]] 2>/dev/null ||
  [[ $(readlink "$user/Data/Res") -ef $prefix/share/brakkon/Data/Res ]] ||
  fail "Data/Res does not lead to the installed pictures: $(readlink "$user/Data/Res")"
options_inode=$(stat -c %i "$user/Data/Save/options")

press() {
  xdotool keydown "$1"
  sleep 0.15
  xdotool keyup "$1"
  sleep 0.25
}
# From Start Game down to Exit, the sixth entry.
for _ in 1 2 3 4 5; do press Down; done
press Return
wait_exit "$game_pid" 10 || fail "Exit did not end the installed game within 10 s"
game_pid=""
((exit_status == 0)) || fail "Exit ended the game with status $exit_status: $(tail -n 20 "$work/game.log")"
echo "Exit: status 0"

# The saves written at Exit replace the copies of the first start (a rename, so a new file).
[[ -s $user/Data/Save/options && -s $user/Data/Save/hs ]] || fail "no saves under $user/Data/Save"
[[ $(stat -c %i "$user/Data/Save/options") != "$options_inode" ]] ||
  fail "Exit did not write the options into $user/Data/Save"
listing "$prefix" >"$work/prefix-after.txt"
diff "$work/prefix-before.txt" "$work/prefix-after.txt" || fail "the game wrote into the prefix"
[[ -z $(ls -A "$work/cwd") ]] || fail "the game wrote into the folder it was started in: $(ls -A "$work/cwd")"
stray=$(find "$home" -mindepth 1 ! -path "$home/.local" ! -path "$home/.local/share" \
  ! -path "$user" ! -path "$user/*")
[[ -z $stray ]] || fail "the game wrote outside its folder in the home: $stray"
echo "saves: only under $user"

# The Debian package holds the same files as the install, under /usr.
mkdir -p "$work/pkg"
(cd "$work/pkg" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") \
  >"$work/cpack.log" 2>&1 || fail "cpack failed: $(tail -n 10 "$work/cpack.log")"
debs=("$work"/pkg/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
[[ $(dpkg-deb -f "$deb" Package) == brakkon ]] || fail "the package is not named brakkon"
echo "package: $(basename "$deb"), depends: $(dpkg-deb -f "$deb" Depends)"
if command -v dpkg-shlibdeps >/dev/null; then
  dpkg-deb -f "$deb" Depends | grep -q libsdl2 || fail "the package does not depend on SDL"
fi
dpkg -x "$deb" "$work/root"
contents() {  # every file and link under $1 with its checksum
  (cd "$1" && find . \( -type f -o -type l \) -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
}
contents "$prefix" >"$work/install-files.txt"
contents "$work/root/usr" >"$work/deb-files.txt"
diff "$work/install-files.txt" "$work/deb-files.txt" ||
  fail "the package's files differ from the install's"
[[ $(find "$work/root" -mindepth 1 -maxdepth 1) == "$work/root/usr" ]] ||
  fail "the package puts files outside /usr: $(find "$work/root" -mindepth 1 -maxdepth 1)"
echo "package: the same $(wc -l <"$work/deb-files.txt") files as the install"
echo "PASS"
