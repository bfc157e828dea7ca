#!/usr/bin/env bash
# What the game's window costs, measured under a private Xvfb with no sound
# server (figures only; nothing here fails on a slow machine):
#   1. bench_window_cost: the window alone, with a silent sound control, on
#      the title screen, in play, and a bare Qt window of the same size;
#   2. the real game: CPU time from /proc/PID/stat over SECONDS on the title
#      screen and in play (the toad waits on the start strip), and its RSS
#      with the mappings that hold most of it.
# Needs xvfb and xdotool (apt-get install xvfb xdotool). Run after a build:
#   bench/window_cost.sh [build folder] [seconds, default 60]
set -euo pipefail
build="${1:-build}"
seconds="${2:-60}"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install xvfb xdotool)"; exit 2; }
done
runtime="$(mktemp -d)"
export XDG_RUNTIME_DIR="$runtime"
unset PULSE_SERVER
exec 3>"$runtime/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
xvfb=$!
game=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$runtime/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$runtime/display")"

ticks="$(getconf CLK_TCK)"
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
measure() { # PID LABEL
  local before after
  before="$(cpu_ticks "$1")"
  sleep "$seconds"
  after="$(cpu_ticks "$1")"
  awk -v t="$((after - before))" -v hz="$ticks" -v s="$seconds" -v l="$2" -v r="$(rss_kb "$1")" \
    'BEGIN { printf "  %-26s cpu %6.0f ms over %d s = %.3f%% of one core, rss %d kB\n", l, t * 1000 / hz, s, 100 * t / hz / s, r }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== the window alone (silent sound control)"
"$build/bench/bench_window_cost" bare 10
"$build/bench/bench_window_cost" title "$seconds"
"$build/bench/bench_window_cost" play "$seconds"

echo "== the game ($build/lilyhops), no sound server"
"$build/lilyhops" 2>"$runtime/game.err" &
game=$!
sleep 3
echo "  rss at start: $(rss_kb "$game") kB"
measure "$game" "title screen"
window="$(xdotool search --sync --onlyvisible --name Lilyhops | head -n1)"
xdotool windowfocus --sync "$window" key ctrl+n
measure "$game" "in play"
echo "  largest resident mappings:"
awk '/^[0-9a-f]+-[0-9a-f]+ / { name = ($6 == "" ? "[anonymous]" : $6) }
     /^Rss:/ { rss[name] += $2 }
     END { for (n in rss) printf "%8d kB  %s\n", rss[n], n }' "/proc/$game/smaps" | sort -rn | head -12
kill "$game"; wait "$game" 2>/dev/null || true; game=""
echo "  the game said: $(tr '\n' ' ' <"$runtime/game.err")"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
