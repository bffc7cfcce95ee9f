#!/usr/bin/env bash
# What the program costs while nobody uses it: starts it under Xvfb with the default scene, waits
# for the start-up to finish, then reports the CPU time the process takes over 10 s with the
# cursor outside the window and resting inside the view.
#   bench/idle.sh [path to kalvimor]   (default: the Release build of bench.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bench/kalvimor}
[ -x "$program" ] || { echo "idle.sh: no program at $program (run ./bench.sh first)" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "idle.sh: needs xdotool" >&2; exit 1; }

if [ -z "${IDLE_INSIDE_XVFB:-}" ]; then
  export IDLE_INSIDE_XVFB=1 LIBGL_ALWAYS_SOFTWARE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program"
fi

"$program" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
measure() {
  local before after
  before=$(cpu)
  sleep 10
  after=$(cpu)
  awk -v d=$((after - before)) -v t="$ticks" -v what="$1" \
    'BEGIN { printf "%-28s %6.2f s CPU in 10 s  (%5.1f %% of one core)\n", what, d / t, d / t * 10 }'
}

# start-up: the window, the environment build and the first frames
sleep 8
window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove 1279 1023
sleep 1
measure "cursor outside the window"
# the middle of the window lies in the view
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 1
measure "cursor resting in the view"
