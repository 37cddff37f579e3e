#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that
# are missing), then configures and builds one build tree.
# Usage: scripts/setup.sh <build-dir> [extra cmake arguments...]
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libxmp-dev libcurl4-openssl-dev libcpp-httplib-dev libboost-dev libsqlite3-dev wrk
  libpq-dev postgresql postgresql-client nginx openssl lintian systemd
  libcairo2-dev libfmt-dev libinih-dev fonts-dejavu-core fonts-play
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils x11-apps imagemagick openbox
  desktop-file-utils appstream
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "Missing packages: ${missing[*]}" >&2
      echo "Run as root or install sudo, or install them yourself." >&2
      exit 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?build directory}"
shift
install_missing
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
