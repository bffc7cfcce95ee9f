#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them (all, or those matching $1).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  if [ -n "${DISPLAY:-}" ]; then "$b" --benchmark_filter="${1:-.}"; else xvfb-run -a "$b" --benchmark_filter="${1:-.}"; fi
done
