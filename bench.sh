#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them (all, or those matching $1).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
build=build/bench
# The comparison libraries (OpenMesh, tinyobjloader) are unpacked under build/bench/deps rather than
# installed system-wide (OpenMesh would pull a Mesa upgrade); without them those comparisons are left out.
deps=$build/deps
if [ ! -f "$deps/.unpacked" ]; then
  mkdir -p "$deps/debs"
  if (cd "$deps/debs" && apt-get download libopenmesh-dev libopenmesh1 libtinyobjloader-dev libtinyobjloader2rc10 >/dev/null 2>&1); then
    for d in "$deps"/debs/*.deb; do dpkg -x "$d" "$deps"; done
    touch "$deps/.unpacked"
  else
    echo "bench.sh: OpenMesh and tinyobjloader could not be downloaded: building without the comparisons" >&2
  fi
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON \
      -DOPENMESH_ROOT="$PWD/$deps" -DTINYOBJLOADER_ROOT="$PWD/$deps" >/dev/null
cmake --build "$build" -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue  # not the autogen folders
  if [ -n "${DISPLAY:-}" ]; then "$b" --benchmark_filter="${1:-.}"; else xvfb-run -a "$b" --benchmark_filter="${1:-.}"; fi
done
