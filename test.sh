#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the normal
# build (with the real-window tests under Xvfb), once under AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
jobs="$(nproc)"

echo "== Only the SDL platform talks to the system"
if grep -rnE '#include <(SDL|xmp|X11|cairo|ft2build|unistd|sys/)' "$root/src" | grep -v "^$root/src/platform/sdl/"; then
  echo "FAIL: system headers outside src/platform/sdl" >&2
  exit 1
fi

echo "== Build and test (build/)"
"$root/scripts/setup.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

echo "== Build and test with -fsanitize=address,undefined (build-asan/)"
"$root/scripts/setup.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBRAKKON_SANITIZE=ON
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE e2e)
