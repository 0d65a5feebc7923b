#!/bin/sh
# Installs what is missing, builds, and starts the system on its embedded
# default: zpserver on SQLite with the demo data.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"

if [ -x build/backend/zpserver ]; then
  DB=${ZP_DB:-build/run/demo.db}
  mkdir -p "$(dirname "$DB")"
  exec build/backend/zpserver --db "sqlite:$DB" --seed-demo --listen 127.0.0.1:7070
fi
echo "zpserver is not built yet; the client runtime self-check follows."
exec build/tools/zpcheck
