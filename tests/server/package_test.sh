#!/usr/bin/env bash
# The server's Debian package and its systemd unit: the files it holds, lintian without
# errors, systemd-analyze verify, and the unit's sandboxing score.
# Usage: package_test.sh <build-dir>   (CPACK_COMMAND may name cpack)
set -euo pipefail
build="$(realpath "${1:?build directory}")"
cpack="${CPACK_COMMAND:-cpack}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackScoredConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$work"/out/brakkon-scored_*_*.deb)"
[[ "$(basename "$deb")" =~ ^brakkon-scored_[0-9.]+_[a-z0-9]+\.deb$ ]] || fail "package name $deb"
echo "package: $(basename "$deb")"

dpkg -x "$deb" "$work/root"
for f in usr/bin/brakkon-scored lib/systemd/system/brakkon-scored.service \
         usr/share/doc/brakkon-scored/README.md usr/share/doc/brakkon-scored/copyright \
         usr/share/doc/brakkon-scored/changelog.gz \
         usr/share/doc/brakkon-scored/examples/nginx-brakkon-scored.conf; do
  [ -s "$work/root/$f" ] || fail "the package lacks $f"
done
# Nothing of the game's own.
if (cd "$work/root" && find . -type f | grep -v -e brakkon-scored); then fail "files beyond the server"; fi
"$work/root/usr/bin/brakkon-scored" --print-protocol | grep -q '^alphabet=' || fail "the packaged program does not run"
dpkg-deb -f "$deb" Depends | grep -q libpq5 || fail "no dependency on libpq5"

lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi

# verify wants ExecStart to exist, so it checks the unit with the packaged program's path.
unit="$work/brakkon-scored.service"
sed "s#/usr/bin/brakkon-scored#$work/root/usr/bin/brakkon-scored#" \
  "$work/root/lib/systemd/system/brakkon-scored.service" >"$unit"
systemd-analyze verify "$unit" || fail "systemd-analyze verify"
score="$(systemd-analyze security --offline=true "$unit" 2>&1 | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')"
echo "systemd-analyze security: $score"
awk -v s="$score" 'BEGIN { exit !(s != "" && s <= 2.0) }' || fail "exposure $score is above 2.0"
echo "PASS"
