#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game in its folder (build/).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/setup.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd "$root/build"
exec ./brakkon
