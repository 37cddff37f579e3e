#!/usr/bin/env bash
# Random players through the whole game under AddressSanitizer and
# UndefinedBehaviorSanitizer for SECONDS of wall time (default 3600): fresh
# games one after another, their invariants checked after every tick. A failing
# run's seed and events are kept and the command that replays it is printed.
# Usage: scripts/monkey.sh [SECONDS] [more brakkon-monkey options, e.g. --seed S]
# BRAKKON_MONKEY and BRAKKON_DATA_DIR (the baked Data/) name a monkey already
# built, as the build's own test does; otherwise build-asan/ is built as
# ./test.sh builds it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-3600}"
shift || true

monkey="${BRAKKON_MONKEY:-}"
data="${BRAKKON_DATA_DIR:-}"
if [ -z "$monkey" ]; then
  build="$root/build-asan"
  if [ ! -f "$build/build.ninja" ]; then
    "$root/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DBRAKKON_SANITIZE=ON
  fi
  cmake --build "$build" --target brakkon-monkey -j 2
  monkey="$build/brakkon-monkey"
  data="$build/Data"
fi
[ -n "$data" ] || { echo "monkey.sh: BRAKKON_DATA_DIR is not set" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/brakkon-monkey.XXXXXX")"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
status=0
"$monkey" --data "$data" --work "$work" --seconds "$seconds" "$@" || status=$?
if [ "$status" -eq 0 ]; then
  rm -rf "$work"
  exit 0
fi
# A sanitizer ends the process before the monkey can keep the log itself: the
# running game's events are in current.log, its seed on the first line.
if [ -f "$work/current.log" ] && ! ls "$work"/failure-*.log >/dev/null 2>&1; then
  seed="$(head -n1 "$work/current.log" | awk '{print $2}')"
  cp "$work/current.log" "$work/failure-$seed.log"
  echo "monkey.sh: the run of seed $seed died; its events: $work/failure-$seed.log" >&2
  echo "again: $monkey --data $data --replay $work/failure-$seed.log" >&2
fi
echo "monkey.sh: the monkey failed (exit $status); its folder is kept: $work" >&2
exit "$status"
