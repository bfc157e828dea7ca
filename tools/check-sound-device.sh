#!/usr/bin/env bash
# Plays a song and an effect through the real sound control into a private
# PulseAudio null sink, records what comes out and prints its statistics.
# Needs pulseaudio, pulseaudio-utils and sox (not needed by the game itself).
# Run after a build: tools/check-sound-device.sh [build folder]
set -euo pipefail
build="${1:-build}"
for tool in pulseaudio parec sox; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install pulseaudio pulseaudio-utils sox)"; exit 2; }
done
runtime="$(mktemp -d)"
export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse"
trap 'pulseaudio --kill 2>/dev/null || true; rm -rf "$runtime"' EXIT
pulseaudio -D -n --exit-idle-time=-1 --load="module-null-sink sink_name=probe" \
  --load=module-native-protocol-unix 2>/dev/null
sleep 1
parec -d probe.monitor --file-format=wav "$runtime/out.wav" &
recorder=$!
"$build/bench/bench_sound_device" 6
kill "$recorder"; wait "$recorder" 2>/dev/null || true
echo "recorded:"
sox "$runtime/out.wav" -n stat 2>&1 | grep -E "Length|Maximum amplitude|RMS +amplitude"
