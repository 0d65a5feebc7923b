#!/bin/sh
# Installs what is missing, builds everything and runs every test:
#   1. the tests of the main build (GoogleTest through CTest), which also
#      replay the kept fuzz corpora; tests of the store run on SQLite and on
#      a throwaway PostgreSQL cluster on loopback;
#   2. each fuzz target under ASan and UBSan (clang), briefly, from its corpus.
# Environment: FUZZ_SECONDS (per target, default 30), JOBS (default: cores).
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)

./scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"

echo "== tests (SQLite, and PostgreSQL on a throwaway cluster)"
./scripts/pg-throwaway.sh ctest --test-dir build --output-on-failure -j "$JOBS" --timeout 600

echo "== fuzz"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVASDESK_FUZZ=ON -DVASDESK_TESTS=OFF -DVASDESK_BENCH=OFF -DVASDESK_GUI=OFF >/dev/null
cmake --build build-fuzz -j "$JOBS" --target fuzz_all
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$ROOT/fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  echo "-- $name: ${FUZZ_SECONDS}s from $corpus"
  "$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    -artifact_prefix="$work/" "$work" "$corpus" 2>"$work/log" || { tail -50 "$work/log"; exit 1; }
  tail -1 "$work/log"
  rm -rf "$work"
done

echo "== all tests passed"
