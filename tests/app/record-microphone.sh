#!/bin/bash
# A film recorded from the command line takes the default microphone's sound: an AAC stream as
# long as the picture, to 0.1 s. The microphone is a test tone of the test's own PipeWire, with
# its pulse server, in a private runtime folder; skipped (77) when they are not installed.
#   record-microphone.sh <tarnolix>
program=$1
. "$(dirname "$0")/../support/session.sh"
require_tools dbus-daemon pipewire wireplumber pipewire-pulse pw-cli ffprobe

work=$(mktemp -d)
pids=()
finish() {
    local pid
    for pid in "${pids[@]}"; do stop "$pid"; done
    rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/run" "$work/config/wireplumber/bluetooth.lua.d" "$work/data" "$work/state"
chmod 700 "$work/run"
# WirePlumber's Bluetooth monitor needs logind, which a test machine may not have.
echo 'bluez_monitor.enabled = false' >"$work/config/wireplumber/bluetooth.lua.d/60-headless.lua"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_STATE_HOME=$work/state HOME=$work DBUS_SESSION_BUS_ADDRESS=unix:path=$work/run/bus
unset PULSE_SERVER
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >"$work/dbus.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/run/bus" ] && break; sleep 0.1; done
pipewire >"$work/pipewire.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/run/pipewire-0" ] && break; sleep 0.1; done
wireplumber >"$work/wireplumber.log" 2>&1 &
pids+=($!)
pipewire-pulse >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done
# The microphone: PipeWire's own test tone as an audio source, the only one, so the default.
pw-cli create-node adapter '{ factory.name=audiotestsrc library.name=audiotestsrc/libspa-audiotestsrc
    node.name=testmic node.description=TestMic media.class=Audio/Source object.linger=true }' >/dev/null ||
    { echo "no test source"; exit 1; }
sleep 1 # WirePlumber makes it the default source

export QT_QPA_PLATFORM=offscreen TARNOLIX_DEVICE_DIR=$work/no-devices
export TARNOLIX_VIRTUAL_CAMERAS="Kamera=pattern:320x240@30"
"$program" --device Kamera --record="$work/film.mp4" >"$work/tarnolix.log" 2>&1 &
tarnolix=$!
for _ in $(seq 100); do [ -s "$work/film.mp4" ] && break; sleep 0.1; done
sleep 3
kill -INT "$tarnolix"
wait "$tarnolix" || { echo "tarnolix ended with $?"; cat "$work/tarnolix.log"; exit 1; }

durations=$(ffprobe -v error -show_entries stream=codec_name,duration -of csv=p=0 "$work/film.mp4")
echo "$durations"
picture=$(grep '^h264,' <<<"$durations" | cut -d, -f2)
sound=$(grep '^aac,' <<<"$durations" | cut -d, -f2)
[ -n "$picture" ] && [ -n "$sound" ] || { echo "no picture or no sound"; exit 1; }
awk -v p="$picture" -v s="$sound" 'BEGIN { d = p - s; if (d < 0) d = -d; exit !(p >= 2.5 && d <= 0.1) }' ||
    { echo "picture $picture s, sound $sound s"; exit 1; }
