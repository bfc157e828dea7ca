#!/usr/bin/env bash
# Ends many short games the ways a player ends them, on a private sound server
# (PipeWire with its PulseAudio server unless told), and counts how each ended:
# the check that the game leaves cleanly every time, also on a busy machine.
#
#   bench/exits.sh [--server pipewire|pulseaudio] [--runs N] [--busy N] [--storm]
#                  [--display :N] [--keep DIR]              (--help for all)
#
# It installs what it needs (Debian packages only) and builds the game first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
./tools/install-deps.sh pulseaudio-utils libpulse0 xvfb xdotool python3-xlib pulseaudio \
  pipewire pipewire-pulse wireplumber dbus-daemon
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target lilyhops >/dev/null
exec /usr/bin/python3 bench/engine/exits.py --build "$build" "$@"
