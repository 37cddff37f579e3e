#!/usr/bin/env bash
# Long play under AddressSanitizer: random races one after another in one
# process for SECONDS of wall time (default 3600), each checked as it ends,
# and LeakSanitizer at exit. Prints a line per race and the summary.
# Usage: scripts/long_play.sh [SECONDS] [more brakkon-replay options, e.g. --seed S]
# BRAKKON_REPLAY and BRAKKON_DATA_DIR (the baked Data/) name a replay tool
# already built, as the build's own test does; otherwise build-asan/ is built
# as ./test.sh builds it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-3600}"
shift || true

replay="${BRAKKON_REPLAY:-}"
data="${BRAKKON_DATA_DIR:-}"
if [ -z "$replay" ]; then
  build="$root/build-asan"
  if [ ! -f "$build/build.ninja" ]; then
    "$root/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DBRAKKON_SANITIZE=ON
  fi
  cmake --build "$build" --target brakkon-replay -j 2
  replay="$build/brakkon-replay"
  data="$build/Data"
fi
[ -n "$data" ] || { echo "long_play.sh: BRAKKON_DATA_DIR is not set" >&2; exit 2; }

# The game saves its options after every race: it plays on a copy of the
# saves, beside the baked pictures and tunes. Kept when the soak fails, so
# that the failed race's script can be played again there.
work="$(mktemp -d "${TMPDIR:-/tmp}/brakkon-long-play.XXXXXX")"
mkdir -p "$work/Data"
cp -r "$data/Save" "$work/Data/Save"
ln -s "$data/Res" "$work/Data/Res"
ln -s "$data/Music" "$work/Data/Music"

export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
status=0
(cd "$work" && "$replay" --soak "$seconds" --data "$work" "$@") || status=$?
if [ "$status" -eq 0 ]; then
  rm -rf "$work"
else
  echo "long_play.sh: the soak failed (exit $status); its folder is kept: $work" >&2
fi
exit "$status"
