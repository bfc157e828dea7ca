#!/usr/bin/env bash
# What the game's window costs, measured under a private Xvfb with no sound
# server (figures only; nothing here fails on a slow machine):
#   1. bench_window_cost: the window alone, with a silent sound control, on
#      the title screen, in play, and a bare Qt window of the same size;
#   2. the real game: CPU time from /proc/PID/stat over SECONDS on the title
#      screen and in play (the toad steps left and right on the start strip
#      every 0.4 s, as a player waiting for a gap would), each thread's share
#      and the context switches a second, and its RSS with the mappings that
#      hold most of it.
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
keys=""
cleanup() {
  [ -n "$keys" ] && kill "$keys" 2>/dev/null || true
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
# Per thread: id, CPU time in ns (schedstat), context switches, name.
threads() {
  for task in /proc/"$1"/task/*; do
    printf '%s %s %s %s\n' "${task##*/}" "$(cut -d' ' -f1 "$task/schedstat")" \
      "$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$task/status")" "$(cat "$task/comm")"
  done 2>/dev/null
}
measure() { # PID LABEL
  local before after threads_before
  threads_before="$(threads "$1")"
  before="$(cpu_ticks "$1")"
  sleep "$seconds"
  after="$(cpu_ticks "$1")"
  awk -v t="$((after - before))" -v hz="$ticks" -v s="$seconds" -v l="$2" -v r="$(rss_kb "$1")" \
    'BEGIN { printf "  %-26s cpu %6.0f ms over %d s = %.3f%% of one core, rss %d kB\n", l, t * 1000 / hz, s, 100 * t / hz / s, r }'
  # Threads gone in between (Qt's pool lets idle ones go) count only above.
  threads "$1" | awk -v s="$seconds" -v before="$threads_before" '
    BEGIN { n = split(before, lines, "\n")
            for (i = 1; i <= n; i++) { split(lines[i], f, " "); ns[f[1]] = f[2]; cs[f[1]] = f[3] } }
    { name = $4; for (i = 5; i <= NF; i++) name = name " " $i
      printf "    thread %-18s %.3f%% of one core, %5.1f context switches a second\n",
             name, 100 * ($2 - ns[$1]) / 1e9 / s, ($3 - cs[$1]) / s }'
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
(
  step=Left
  while kill -0 "$game" 2>/dev/null; do
    xdotool key --window "$window" "$step" 2>/dev/null || true
    if [ "$step" = Left ]; then step=Right; else step=Left; fi
    sleep 0.4
  done
) &
keys=$!
measure "$game" "in play"
kill "$keys"; wait "$keys" 2>/dev/null || true; keys=""
echo "  largest resident mappings:"
awk '/^[0-9a-f]+-[0-9a-f]+ / { name = ($6 == "" ? "[anonymous]" : $6) }
     /^Rss:/ { rss[name] += $2 }
     END { for (n in rss) printf "%8d kB  %s\n", rss[n], n }' "/proc/$game/smaps" | sort -rn | head -12
kill "$game"; wait "$game" 2>/dev/null || true; game=""
echo "  the game said: $(tr '\n' ' ' <"$runtime/game.err")"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
