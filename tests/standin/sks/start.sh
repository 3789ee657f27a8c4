#!/usr/bin/env bash
# Starts a key server over a private copy of the built database on a free
# loopback port and writes "PORT PID DIR" into INFO_FILE once it answers.
# Usage: start.sh DB_DIR INFO_FILE
set -euo pipefail
db=${1:?database directory}
info=${2:?info file}
dir=$(mktemp -d /tmp/orv-sks.XXXXXX)
cp -a "$db/." "$dir/"
rm -f "$dir"/var/run/sks/* 2>/dev/null || true
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cd "$dir"
# A test killed mid-way never stops its server: it ends by itself at the
# latest when the longest test program would have timed out.
setsid timeout 900 sks db -basedir "$dir" -hkp_address 127.0.0.1 -hkp_port "$port" </dev/null >"$dir/db.log" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    echo "$port $pid $dir" > "$info.tmp"
    mv "$info.tmp" "$info"
    exit 0
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
echo "failed" > "$info.tmp"; mv "$info.tmp" "$info"
exit 1
