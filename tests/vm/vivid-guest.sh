#!/bin/bash
# Runs inside the vivid guest (see run-vivid.sh): each group of the real-driver tests, then the
# end-to-end window test with vivid as the camera, each writing <group>.log and <group>.status
# to /mnt/results. Disconnecting comes last, so that no other group meets an unplugged device.
#
# vivid-guest.sh <build folder> <source folder>
build=$1 source=$2
results=/mnt/results
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime TARNOLIX_DEVICE_DIR=/dev
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

run() {
    local group=$1
    shift
    echo "== $group" >&2
    timeout 120 "$@" >"$results/$group.log" 2>&1
    echo $? >"$results/$group.status"
}
tests() {
    run "$1" "$build/tests/vivid/vivid_tests" --gtest_filter="$2"
}

# The guest has no udev: the links it would make for a camera with a serial number are made
# here, so that the stable identities are those of a real machine.
mkdir -p /dev/v4l/by-id
for node in /dev/video*; do
    if v4l2-ctl -d "$node" --info 2>/dev/null | sed -n '/Device Caps/,$p' | grep -q 'Video Capture$'; then
        ln -s "../../$(basename "$node")" "/dev/v4l/by-id/vivid-$(basename "$node")-video-index0"
    fi
done

{
    ls -l /dev/v4l/by-id
    echo "vivid as the program found it, before any change of rate:"
    v4l2-ctl -d /dev/video0 --get-fmt-video --get-parm
    timeout 20 v4l2-ctl -d /dev/video0 --stream-mmap --stream-count=15 2>&1 | tail -n 2
} >"$results/vivid-defaults.log" 2>&1

tests Enumeration 'Vivid.Enumeration*'
tests Capture 'Vivid.ColourBars*'
tests FrameRate 'Vivid.TheDeviceRuns*'
tests Switching 'Vivid.Switching*'
tests InjectedErrors 'Vivid.AFrameFlagged*:Vivid.AFatal*:Vivid.ErrorsWhenStarting*:Vivid.ADeviceThatStops*'
tests Busy 'Vivid.ADeviceStreaming*'
# The window test shows the first vivid device. Its bars stand still; the square in the middle
# of the picture comes and goes, so the live pane keeps changing.
v4l2-ctl -d /dev/video0 -c horizontal_movement=3 -c osd_text_mode=1 >/dev/null 2>&1
(
    for _ in $(seq 300); do
        v4l2-ctl -d /dev/video0 -c show_square=1 >/dev/null 2>&1
        sleep 0.2
        v4l2-ctl -d /dev/video0 -c show_square=0 >/dev/null 2>&1
        sleep 0.2
    done
) &
blinking=$!
run LiveWindow bash "$source/tests/e2e/live-window.sh" "$build/app/tarnolix" "$build/tests/e2e/screen_check" \
    "$build/tests/e2e/list_devices" /tmp/live-window "$(v4l2-ctl -d /dev/video0 --info | sed -n 's/^\s*Card type\s*: //p')"
kill "$blinking" 2>/dev/null
tests Disconnect 'Vivid.DisconnectMidStream*'
exit 0
