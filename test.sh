#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite, GL tests under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh

jobs=$(nproc)
build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKAL_SANITIZE=ON -DKAL_BUILD_TESTS=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
cmake --build "$build" -j "$jobs"

# Fuzz the file readers for a minute each on CI (before the suite, so that the
# suite's summary closes the output).
if [ -n "${CI:-}" ]; then
  ./fuzz.sh scene 60
  ./fuzz.sh obj 60
fi

export UBSAN_OPTIONS=print_stacktrace=1
export LIBGL_ALWAYS_SOFTWARE=1
cd "$build"
# The mesh and editing suites once more on one thread and on three: their parallel passes must
# give the same records whatever the thread count. Before the whole suite, so that its summary
# closes the output; left out when the arguments pick tests.
if [ $# -eq 0 ]; then
  for threads in 1 3; do
    echo "== mesh and editing suites with KAL_THREADS=$threads"
    KAL_THREADS=$threads xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --output-on-failure -j "$jobs" -R '^(mesh|editing)(_gl)?$'
  done
fi
# One X server for the whole run; every GL test binary connects to it.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "$@"
