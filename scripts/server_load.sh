#!/usr/bin/env bash
# Measures brakkon-scored with wrk, first alone and then while 1,000 connections are held
# open without a request and junk is sent, and says whether the server stayed up.
# Usage: scripts/server_load.sh [path/to/brakkon-scored]   (default: build/brakkon-scored)
# SECONDS_PER_RUN (default 10) sets each wrk run's length; RECORDS (150) the table's size.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scored="$(realpath "${1:-$root/build/brakkon-scored}")"
seconds="${SECONDS_PER_RUN:-10}"
records="${RECORDS:-150}"
helper="$root/scripts/server_load.py"
command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)" >&2; exit 1; }

work="$(mktemp -d)"
server_pid=""
abuse_pid=""
cleanup() {
  [ -n "$abuse_pid" ] && kill "$abuse_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# wrk needs more than the usual 1,024 files only if the crowd shares its shell; cheap anyway.
ulimit -n "$(ulimit -Hn)"

"$scored" --listen 127.0.0.1:0 --db "$work/scores.db" 2>"$work/server.log" &
server_pid=$!
port=""
for _ in $(seq 100); do
  port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the server did not start:" >&2; cat "$work/server.log" >&2; exit 1; }
echo "brakkon-scored on 127.0.0.1:$port, database in $work"
python3 "$helper" seed --port "$port" --count "$records" --protocol "$("$scored" --print-protocol)"

version="http://127.0.0.1:$port/cgi/version.pl?version&prg=Brakkon"
table="http://127.0.0.1:$port/cgi/version.pl?prg=Brakkon&show&type=0"
results=()

# One wrk run: requests answered, requests/s and errors (socket errors, time-outs included,
# plus answers other than 2xx and 3xx).
measure() {
  local label="$1" url="$2" out done rate errors
  out="$(wrk -t2 -c32 -d"${seconds}s" "$url")"
  done="$(awk '/requests in/ {print $1}' <<<"$out")"
  rate="$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")"
  errors="$(awk '/Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
                 /Non-2xx or 3xx responses:/ {n += $5} END {print n + 0}' <<<"$out")"
  results+=("$(printf '%-34s %10s %12s %8s' "$label" "$done" "$rate" "$errors")")
  echo "$label: $done requests, $rate req/s, $errors errors"
}

measure "version query" "$version"
measure "table page" "$table"

python3 "$helper" abuse --port "$port" --seconds $((4 * seconds + 30)) --crowd 1000 \
  --ready "$work/crowd-ready" >"$work/abuse.log" 2>&1 &
abuse_pid=$!
for _ in $(seq 300); do
  [ -e "$work/crowd-ready" ] && break
  kill -0 "$abuse_pid" 2>/dev/null || { cat "$work/abuse.log" >&2; exit 1; }
  sleep 0.1
done
[ -e "$work/crowd-ready" ] || { echo "the idle connections did not open" >&2; exit 1; }
echo "1,000 idle connections open, junk being sent"
measure "version query, crowd and junk" "$version"
measure "table page, crowd and junk" "$table"
kill -TERM "$abuse_pid"
wait "$abuse_pid" || true
abuse_pid=""

up=no
if kill -0 "$server_pid" 2>/dev/null &&
  python3 - "$port" <<'PY'
import http.client, sys
conn = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=5)
conn.request("GET", "/cgi/version.pl?version&prg=Brakkon")
sys.exit(0 if conn.getresponse().status == 200 else 1)
PY
then
  up=yes
fi

echo
printf '%-34s %10s %12s %8s\n' "wrk -t2 -c32 -d${seconds}s" "requests" "requests/s" "errors"
printf '%s\n' "${results[@]}"
cat "$work/abuse.log"
echo "server stayed up: $up"
kill -TERM "$server_pid"
wait "$server_pid" && status=0 || status=$?
server_pid=""
echo "server's exit status after SIGTERM: $status"
[ "$up" = yes ]
