#!/bin/sh
# Installs what is missing, builds, and starts the system on its embedded
# default: zpserver on SQLite with the demo data.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"

DB=${ZP_DB:-build/run/demo.db}
mkdir -p "$(dirname "$DB")"
echo "zpserver on SQLite ($DB) with the demo region; clients use ZP_BROKER_ZEPHYRON=tcp://127.0.0.1:7070"
exec build/backend/zpserver --db "sqlite:$DB" --seed-demo --listen 127.0.0.1:7070
