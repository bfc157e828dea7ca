#!/usr/bin/env bash
# Plays the real sound control through a private sound server with a null
# sink and prints what it measures: the song's position against the wall
# clock, the time spent inside each call on the game's thread, the CPU of the
# audio thread and of the mixer alone, and the delay from a call to the sound
# being heard (recorded from the null sink's monitor).
#
# Run after a build:  tools/check-sound-device.sh [build folder] [pulseaudio|pipewire]
# Needs pulseaudio and pulseaudio-utils, or pipewire, pipewire-pulse,
# wireplumber and dbus (none of them needed by the game itself).
set -euo pipefail
build="${1:-build}"
server="${2:-pulseaudio}"
probe="$build/bench/bench_sound_device"
[ -x "$probe" ] || { echo "no $probe: build first"; exit 2; }
case "$server" in
  pulseaudio) tools=(pulseaudio pactl) ;;
  pipewire) tools=(pipewire pipewire-pulse wireplumber dbus-daemon pactl) ;;
  *) echo "usage: $0 [build folder] [pulseaudio|pipewire]"; exit 2 ;;
esac
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || {
    echo "needs $tool (apt-get install pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus)"
    exit 2
  }
done

runtime="$(mktemp -d)"
export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse" HOME="$runtime"
export QT_QPA_PLATFORM=offscreen
pids=()
cleanup() {
  [ "$server" = pulseaudio ] && pulseaudio --kill 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$runtime"
}
trap cleanup EXIT

if [ "$server" = pulseaudio ]; then
  pulseaudio -D -n --exit-idle-time=-1 --load="module-null-sink sink_name=probe" \
    --load=module-native-protocol-unix 2>/dev/null
  sleep 1
else
  unset DBUS_SESSION_BUS_ADDRESS
  dbus-daemon --session --fork --address="unix:path=$runtime/bus" --print-pid >"$runtime/dbus.pid"
  pids+=("$(cat "$runtime/dbus.pid")")
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
  pipewire >"$runtime/pipewire.log" 2>&1 & pids+=("$!")
  sleep 1
  wireplumber >"$runtime/wireplumber.log" 2>&1 & pids+=("$!")
  sleep 1
  pipewire-pulse >"$runtime/pipewire-pulse.log" 2>&1 & pids+=("$!")
  sleep 2
  pactl load-module module-null-sink sink_name=probe >/dev/null
  sleep 1
  pactl set-default-sink probe
  pactl set-default-source probe.monitor
fi
pactl info | grep -E "Server Name|Default Sink"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo; echo "== the song's position against the wall clock"
"$probe" 4
echo; echo "== the delay from PlayEffect to the sound heard in the null sink"
"$probe" latency 60
echo; echo "== time inside the calls, CPU and memory"
"$probe" calls 30
echo; echo "== the mixer alone, the heaviest song, back to back and paced in 5 ms periods"
"$probe" render "$build/OrigBogt.mid" 30 5
"$probe" render "$build/OrigBogt.mid" 30 5 paced
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
