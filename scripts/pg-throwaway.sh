#!/bin/sh
# Runs a command with a throwaway PostgreSQL cluster on loopback, and stops
# the cluster afterwards, also when the command fails. The command sees
# ZP_TEST_PG=postgresql://zp@127.0.0.1:PORT/zptest, an empty database.
#   scripts/pg-throwaway.sh ctest --test-dir build
set -eu
BIN=/usr/lib/postgresql/15/bin
DIR=$(mktemp -d /tmp/zp-pg.XXXXXX)
chmod 755 "$DIR"
mkdir "$DIR/data" "$DIR/sock"
RUN=""
if [ "$(id -u)" -eq 0 ]; then
  chown -R postgres "$DIR"
  RUN="runuser -u postgres --"
fi
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

cleanup() {
  $RUN "$BIN/pg_ctl" -D "$DIR/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$DIR"
}
trap cleanup EXIT INT TERM

$RUN "$BIN/initdb" -D "$DIR/data" -U zp --auth=trust -E UTF8 --locale=C.UTF-8 >/dev/null
$RUN "$BIN/pg_ctl" -D "$DIR/data" -l "$DIR/log" -w \
  -o "-h 127.0.0.1 -p $PORT -k $DIR/sock -c fsync=off -c max_connections=200" start >/dev/null
$RUN "$BIN/createdb" -h 127.0.0.1 -p "$PORT" -U zp zptest

export ZP_TEST_PG="postgresql://zp@127.0.0.1:$PORT/zptest"
"$@"
