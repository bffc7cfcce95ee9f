#!/usr/bin/env bash
# Installs what is missing, builds Release and starts Kalvimor. Needs a display
# (headless: xvfb-run ./run.sh).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ ! -x "$build/kalvimor" ]; then
  echo "run.sh: no kalvimor executable has been built yet" >&2
  exit 1
fi
exec "$build/kalvimor" "$@"
