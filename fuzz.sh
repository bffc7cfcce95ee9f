#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: ./fuzz.sh scene|obj SECONDS
set -euo pipefail
cd "$(dirname "$0")"
target=${1:?usage: ./fuzz.sh scene|obj SECONDS}
seconds=${2:-60}
case "$target" in scene|obj) ;; *) echo "unknown fuzz target: $target" >&2; exit 2 ;; esac

build=build/fuzz
cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target" fuzz_seeds >/dev/null

# Seeds come from the program's own writers; the working corpus grows beside them.
mkdir -p "$build/seeds/scene" "$build/seeds/obj" "$build/corpus/$target"
"$build/fuzz_seeds" "$build/seeds/scene" "$build/seeds/obj"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export QT_QPA_PLATFORM=offscreen
# Loops run serially (they give the same result however they are split): worker threads only add
# scheduling under the sanitizers, and the harness's surface builds would run at half the rate.
export KAL_THREADS=1
log="$build/fuzz_$target.log"
status=0
# Inputs up to 16 KB: nested arrays, chained pairs and stacked following curves need more than
# libFuzzer's default of 4 KB to take the shapes that cost the most. Those shapes are slow by
# design (an array places up to its cap each frame), so inputs are picked less the longer they run.
"$build/fuzz_$target" "$build/corpus/$target" "$build/seeds/$target" -max_len=16384 -entropic_scale_per_exec_time=1 \
    -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    2>&1 | tee "$log" || status=$?
# libFuzzer's final statistics: runs and seconds, whether or not it stopped on a finding
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
echo "fuzz_$target: ${runs:-?} runs, ${rate:-?} runs a second"
exit "$status"
