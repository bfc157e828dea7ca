#!/usr/bin/env bash
# The engine benchmark: plays the real game on a private Xvfb and a private
# sound server's null sink as a player would, and prints each figure of the
# sound engine and the window beside its target: key-to-sound latency, the
# steps at stop, pause and song change, CPU and memory of play and of the
# title screen against a bare Qt window, what each frame drew and timer
# lateness. It takes about five minutes, prints figures and never fails on
# speed.
#
#   bench/engine.sh [--build DIR] [--display :N] [--play-seconds S]
#                   [--server pulseaudio|pipewire]
#                   [--keep-recording FILE.wav] ...     (--help for all)
#
# It installs what it needs (Debian packages only) and builds the game in
# RelWithDebInfo first. The sound server is PulseAudio unless told; with
# --server pipewire it is PipeWire with its PulseAudio server and WirePlumber,
# as on Debian 12's desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
server=pulseaudio
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[$i]}" in
    --build) build="${args[$((i + 1))]:-build}" ;;
    --build=*) build="${args[$i]#--build=}" ;;
    --server) server="${args[$((i + 1))]:-pulseaudio}" ;;
    --server=*) server="${args[$i]#--server=}" ;;
  esac
done

packages=(pulseaudio-utils libpulse0 xvfb xdotool python3-xlib)
case "$server" in
  pipewire) packages+=(pipewire pipewire-pulse wireplumber dbus-daemon) ;;
  *) packages+=(pulseaudio) ;;
esac
./tools/install-deps.sh "${packages[@]}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target lilyhops bench_bare_window bench_song_render >/dev/null
# Debian's own Python, which has the packages installed above.
exec /usr/bin/python3 bench/engine/run.py --build "$build" "$@"
