#!/usr/bin/env bash
# Measures the table served as a real service, in one run: wrk through the example nginx
# site in front of two brakkon-scored processes on one PostgreSQL cluster, beside wrk against
# one process on SQLite. Then kills one of the two with SIGKILL while wrk and a submitter go
# through nginx, and checks that the other carried on and that every accepted result is stored.
# Usage: server/cluster_load.sh [path/to/brakkon-scored]   (default: build/brakkon-scored)
# SECONDS_PER_RUN (default 10) sets each wrk run's length; RECORDS (150) the table's size.
# Runs as root (PostgreSQL then runs as nobody) or as an ordinary user.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scored="$(realpath "${1:-$root/build/brakkon-scored}")"
seconds="${SECONDS_PER_RUN:-10}"
records="${RECORDS:-150}"
for tool in wrk nginx openssl python3; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || { echo "$tool is missing" >&2; exit 1; }
done
pgbin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
[ -n "$pgbin" ] || { echo "PostgreSQL is missing (apt-get install postgresql)" >&2; exit 1; }

work="$(mktemp -d)"
chmod 777 "$work"
as_db() { if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi; }
cleanup() {
  for pidfile in "$work"/*.pid; do
    [ "$pidfile" = "$work/nginx.pid" ] || kill -9 "$(cat "$pidfile")" 2>/dev/null || true
  done
  [ -f "$work/nginx.pid" ] && kill -QUIT "$(cat "$work/nginx.pid")" 2>/dev/null || true
  as_db "$pgbin/pg_ctl" -D "$work/data" stop -m immediate >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ulimit -n "$(ulimit -Hn)"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

as_db "$pgbin/initdb" -D "$work/data" -U brakkon --auth=trust >/dev/null
as_db "$pgbin/pg_ctl" -D "$work/data" -o "-k $work -p 5432 -c listen_addresses='' -c max_connections=50" \
  -l "$work/pg.log" start -w >/dev/null
as_db "$pgbin/createdb" -h "$work" -p 5432 -U brakkon scores
uri="postgresql:///scores?host=$work&port=5432&user=brakkon"

# Starts one server; prints its port once it listens. Its output goes to files, or the
# caller's $(...) would wait for it to end.
start_server() {
  local name="$1" port=""
  shift
  "$scored" --listen 127.0.0.1:0 "$@" >"$work/$name.out" 2>"$work/$name.log" &
  echo $! >"$work/$name.pid"
  for _ in $(seq 100); do
    port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/$name.log")"
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "server $name did not start:" >&2; cat "$work/$name.log" >&2; exit 1; }
  echo "$port"
}
port_a="$(start_server a --db "$uri" --trusted-proxy 127.0.0.1)"
port_b="$(start_server b --db "$uri" --trusted-proxy 127.0.0.1)"
port_s="$(start_server s --db "$work/scores.db")"

# The example site with only its ports, name and files changed.
http_port="$(free_port)"
https_port="$(free_port)"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=scores.example.org \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
sed -e "s/127\.0\.0\.1:8642/127.0.0.1:$port_a/" -e "s/127\.0\.0\.1:8643/127.0.0.1:$port_b/" \
    -e "s/listen 80;/listen 127.0.0.1:$http_port;/" -e "s/listen 443 ssl http2;/listen 127.0.0.1:$https_port ssl http2;/" \
    -e '/listen \[::\]/d' -e "s#/etc/ssl/certs/scores.example.org.pem#$work/cert.pem#" \
    -e "s#/etc/ssl/private/scores.example.org.key#$work/key.pem#" \
    "$root/packaging/nginx-brakkon-scored.conf" >"$work/site.conf"
cat >"$work/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path $work/body;
  proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi;
  scgi_temp_path $work/scgi;
  include $work/site.conf;
}
CONF
/usr/sbin/nginx -e "$work/nginx-error.log" -p "$work" -c "$work/nginx.conf"
for _ in $(seq 100); do [ -s "$work/nginx.pid" ] && break; sleep 0.1; done
echo "nginx on 127.0.0.1:$http_port (TLS $https_port) before 127.0.0.1:$port_a and :$port_b on PostgreSQL; SQLite on :$port_s"

protocol="$("$scored" --print-protocol)"
python3 "$root/scripts/server_load.py" seed --port "$http_port" --count "$records" --protocol "$protocol"
python3 "$root/scripts/server_load.py" seed --port "$port_s" --count "$records" --protocol "$protocol"

results=()
measure() {
  local label="$1" url="$2" out done rate errors
  out="$(wrk -t2 -c32 -d"${seconds}s" "$url")"
  done="$(awk '/requests in/ {print $1}' <<<"$out")"
  rate="$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")"
  errors="$(awk '/Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
                 /Non-2xx or 3xx responses:/ {n += $5} END {print n + 0}' <<<"$out")"
  results+=("$(printf '%-46s %10s %12s %8s' "$label" "$done" "$rate" "$errors")")
  echo "$label: $done requests, $rate req/s, $errors errors"
}
version="/cgi/version.pl?version&prg=Brakkon"
table="/cgi/version.pl?prg=Brakkon&show&type=0"
measure "nginx, 2 x PostgreSQL: version query" "http://127.0.0.1:$http_port$version"
measure "nginx, 2 x PostgreSQL: table page" "http://127.0.0.1:$http_port$table"
measure "nginx (TLS), 2 x PostgreSQL: table page" "https://127.0.0.1:$https_port$table"
measure "1 x SQLite, direct: version query" "http://127.0.0.1:$port_s$version"
measure "1 x SQLite, direct: table page" "http://127.0.0.1:$port_s$table"

# kill -9 one process while the table is read and results are submitted through nginx.
python3 "$root/server/cluster_load.py" submit --port "$http_port" --seconds $((2 * seconds)) \
  --protocol "$protocol" --accepted "$work/accepted" >"$work/submit.log" 2>&1 &
submitter=$!
wrk -t2 -c32 -d"$((2 * seconds))s" "http://127.0.0.1:$http_port$table" >"$work/kill-wrk.log" &
reader=$!
sleep "$seconds"
kill -9 "$(cat "$work/a.pid")"
echo "killed server a (SIGKILL) under load"
wait "$reader"
wait "$submitter"
cat "$work/submit.log"
kill_done="$(awk '/requests in/ {print $1}' "$work/kill-wrk.log")"
kill_errors="$(awk '/Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
                    /Non-2xx or 3xx responses:/ {n += $5} END {print n + 0}' "$work/kill-wrk.log")"
echo "table page through nginx across the kill: $kill_done requests, $kill_errors errors"

ok=yes
stored="$("$scored" admin --db "$uri" list --last 1000000 | awk -F '\t' '$5 == "LOAD" {print $4}' | sort -n)"
accepted_count="$(wc -l <"$work/accepted")"
missing="$(sort -n "$work/accepted" | comm -23 - <(echo "$stored") | wc -l)"
echo "accepted during the kill: $accepted_count; missing from the database: $missing"
[ "$accepted_count" -gt 0 ] && [ "$missing" -eq 0 ] || ok=no
if ! python3 - "$port_b" <<'PY'
import http.client, sys
conn = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=5)
conn.request("GET", "/cgi/version.pl?prg=Brakkon&show&type=0")
sys.exit(0 if conn.getresponse().status == 200 else 1)
PY
then
  echo "server b no longer answers" >&2
  ok=no
fi
[ "$kill_errors" -eq 0 ] || ok=no

echo
printf '%-46s %10s %12s %8s\n' "wrk -t2 -c32 -d${seconds}s" "requests" "requests/s" "errors"
printf '%s\n' "${results[@]}"
echo "kill -9 under load: other process answered, nothing accepted lost: $ok"
[ "$ok" = yes ]
