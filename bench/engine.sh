#!/usr/bin/env bash
# The engine benchmark: plays the real game on a private Xvfb and a private
# PulseAudio null sink as a player would, and prints each figure of the sound
# engine and the window beside its target: key-to-sound latency, the steps at
# stop, pause and song change, CPU and memory of play and of the title screen
# against a bare Qt window, repaints and timer lateness. It takes about four
# minutes, prints figures and never fails on speed.
#
#   bench/engine.sh [--build DIR] [--display :N] [--play-seconds S]
#                   [--keep-recording FILE.wav] ...     (--help for all)
#
# It installs what it needs (Debian packages only) and builds the game in
# RelWithDebInfo first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[$i]}" in
    --build) build="${args[$((i + 1))]:-build}" ;;
    --build=*) build="${args[$i]#--build=}" ;;
  esac
done

./tools/install-deps.sh pulseaudio pulseaudio-utils libpulse0 xvfb xdotool python3-xlib
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target lilyhops bench_bare_window bench_song_render >/dev/null
# Debian's own Python, which has the packages installed above.
exec /usr/bin/python3 bench/engine/run.py --build "$build" "$@"
