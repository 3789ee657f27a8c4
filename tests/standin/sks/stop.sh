#!/usr/bin/env bash
# Stops the key server that start.sh started and removes its database copy.
# Usage: stop.sh PID DIR
pid=${1:?pid}
dir=${2:?directory}
kill "$pid" 2>/dev/null
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -9 "$pid" 2>/dev/null
case "$dir" in /tmp/orv-sks.*) rm -rf "$dir" ;; esac
