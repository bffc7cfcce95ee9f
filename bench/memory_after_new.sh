#!/usr/bin/env bash
# Whether New gives a large scene's memory back: starts the program under Xvfb, opens a file
# through File > Open (by default a generated OBJ of 1.3M triangles), then File > New, and reports
# the resident memory (VmRSS) at start, with the file open, and after New. The goal: after New,
# within 100 MB of the start.
#   bench/memory_after_new.sh [path to kalvimor [file to open]]   (default: the Release build of bench.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bench/kalvimor}
[ -x "$program" ] || { echo "memory_after_new.sh: no program at $program (run ./bench.sh first)" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "memory_after_new.sh: needs xdotool" >&2; exit 1; }

if [ -z "${MEMORY_INSIDE_XVFB:-}" ]; then
  export MEMORY_INSIDE_XVFB=1 LIBGL_ALWAYS_SOFTWARE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" "${2:-}"
fi

# a closed sphere of 651 rings by 1000 segments: 1,300,000 triangles
obj=$PWD/build/bench/sphere1300k.obj
file=${2:-$obj}
if [ "$file" = "$obj" ] && [ ! -f "$obj" ]; then
  awk 'BEGIN {
    rings = 651; segs = 1000; pi = atan2(0, -1)
    print "v 0 0 1"
    for (r = 1; r < rings; ++r)
      for (s = 0; s < segs; ++s)
        printf "v %.6f %.6f %.6f\n", sin(pi*r/rings)*cos(2*pi*s/segs), sin(pi*r/rings)*sin(2*pi*s/segs), cos(pi*r/rings)
    south = 2 + (rings - 1) * segs
    print "v 0 0 -1"
    for (s = 0; s < segs; ++s) printf "f 1 %d %d\n", 2 + s, 2 + (s + 1) % segs
    for (r = 1; r < rings - 1; ++r)
      for (s = 0; s < segs; ++s) {
        a = 2 + (r-1)*segs + s; b = a + segs; c = 2 + r*segs + (s+1) % segs; d = 2 + (r-1)*segs + (s+1) % segs
        printf "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d
      }
    for (s = 0; s < segs; ++s) printf "f %d %d %d\n", south, 2 + (rings-2)*segs + (s+1) % segs, 2 + (rings-2)*segs + s
  }' >"$obj.part"
  mv "$obj.part" "$obj"
fi

"$program" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
rss() { awk '/VmRSS/ { print int($2 / 1024) }' "/proc/$pid/status"; }
# waits until the program has taken less than a tenth of a core for two seconds
settle() {
  local before after
  while :; do
    before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    sleep 2
    after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    [ $((after - before)) -lt $(($(getconf CLK_TCK) / 5)) ] && break
  done
}

sleep 5
window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
settle
start=$(rss)
windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
xdotool key ctrl+o
for _ in $(seq 50); do [ "$(windows)" -gt 1 ] && break; sleep 0.2; done
sleep 1
xdotool type --delay 20 "$(realpath "$file")"
xdotool key Return
sleep 3
settle
# the cursor in the view, where a frame draws what was opened
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 2
settle
loaded=$(rss)
[ -n "${MEMORY_SCREENSHOT:-}" ] && import -window root "$MEMORY_SCREENSHOT"
xdotool key ctrl+n
for _ in $(seq 50); do [ "$(windows)" -gt 1 ] && break; sleep 0.2; done
sleep 1
xdotool key Return
sleep 2
settle
after=$(rss)
[ -n "${MEMORY_SCREENSHOT:-}" ] && import -window root "${MEMORY_SCREENSHOT%.png}-new.png"
echo "VmRSS: start $start MB, with $(basename "$file") open $loaded MB, after New $after MB (goal: at most $((start + 100)) MB)"
