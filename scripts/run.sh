#!/bin/sh
# Installs what is missing, builds, and starts the system on its embedded
# default: zpserver on SQLite with the demo region, and the host shell zphost
# asking demo operator 1001's password (printed below) with a workspace to open. Without a display,
# zphost plays one scripted acceptance offscreen (a demo subscriber, Global
# Call with a number, the plan's promotions, the fee dialog, submission, the
# papers printed to PDF), saves a picture of every step and the papers, and
# says where they are; zpserver keeps running until Ctrl+C.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what it starts: zpserver, zphost, the module, their libraries and the
# print templates (the tests and benchmarks are the test command's).
cmake --build build -j "$JOBS" --target zpserver zphost vasdesk print_templates

RUN=build/run
DB=${ZP_DB:-$RUN/demo.db}
PORT=${ZP_PORT:-7070}
mkdir -p "$RUN"
rm -f "$RUN/zpserver.port"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${ZP_DB:-}" ]; then
  # The scripted acceptance opens Global Call for a demo subscriber who has
  # none: it starts from a fresh demo region each time.
  rm -f "$DB" "$DB-wal" "$DB-shm"
fi
build/backend/zpserver --db "sqlite:$DB" --seed-demo --listen "127.0.0.1:$PORT" --port-file "$RUN/zpserver.port" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true; wait $SERVER 2>/dev/null || true' EXIT INT TERM
i=0
while [ ! -s "$RUN/zpserver.port" ]; do
  i=$((i + 1))
  if [ $i -gt 300 ] || ! kill -0 $SERVER 2>/dev/null; then echo "zpserver did not start" >&2; exit 1; fi
  sleep 0.1
done
PORT=$(cat "$RUN/zpserver.port")  # the port it got, when asked for any (ZP_PORT=0)
# The run directory's runtime settings name the broker, so build/run/zphost
# started by hand finds this server too.
printf '; written by scripts/run.sh\nZEPHYRON=tcp://127.0.0.1:%s\n' "$PORT" >"$RUN/zpclient.ini"
export ZP_BROKER_ZEPHYRON="tcp://127.0.0.1:$PORT"
echo "zpserver on SQLite ($DB) with the demo region; clients use ZEPHYRON=$ZP_BROKER_ZEPHYRON ($RUN/zpclient.ini)"

echo "Demo operators sign in with their id and password:"
echo "  1001 demo1001 (every right)       1002 demo1002 (no rights)"
echo "  1003 demo1003   1004 demo1004   1005 demo1005 (region 572)"
HOST="$RUN/zphost --op 1001 --open 10001"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  $HOST
else
  mkdir -p "${XDG_RUNTIME_DIR:=/tmp/zp-runtime-$(id -u)}" && chmod 700 "$XDG_RUNTIME_DIR" && export XDG_RUNTIME_DIR
  OUT=${ZP_ACCEPTANCE_DIR:-$RUN/acceptance}
  rm -rf "$OUT"
  echo "No display: one scripted acceptance, offscreen, into $OUT:"
  echo "Signed in as 1001 with its demo password."
  ZP_OPERATOR_PASSWORD=demo1001 QT_QPA_PLATFORM=offscreen $HOST --acceptance "$OUT" || echo "The scripted acceptance failed (see above)." >&2
  echo "For the real window, run this command from a desktop session (or under Xvfb: xvfb-run ./scripts/run.sh)."
  echo "zpserver keeps serving; Ctrl+C stops it."
  wait $SERVER
fi
