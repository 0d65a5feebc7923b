#!/bin/sh
# Builds and runs every benchmark, pinned to one core so that a round trip
# and its reference see the same scheduling. Each prints its figures beside
# their references as ratios from the same run.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  [ "$(basename "$b")" = bench_pg ] && continue
  echo "== $(basename "$b")"
  taskset -c 0 "$b" --benchmark_min_time=0.5 "$@"
done
# zpserver on PostgreSQL beside pgbench, on a throwaway cluster. Not pinned:
# the servers, the cluster and pgbench each need a core of their own.
if [ -x build/bench/bench_pg ]; then
  echo "== bench_pg"
  # Repetitions interleaved at random and their medians: the machine is shared.
  scripts/pg-throwaway.sh build/bench/bench_pg --benchmark_repetitions=3 \
    --benchmark_enable_random_interleaving=true "$@"
fi
