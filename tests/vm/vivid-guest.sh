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
    timeout "${timeout_of_run:-120}" "$@" >"$results/$group.log" 2>&1
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
tests DefaultMode 'Vivid.TheCapturePinConnects*'
tests Capture 'Vivid.ColourBars*'
tests NativeConversion 'Vivid.TheGraphsConverter*'
tests FrameRate 'Vivid.TheDeviceRuns*'
tests Switching 'Vivid.Switching*'
tests InjectedErrors 'Vivid.AFrameFlagged*:Vivid.AFatal*:Vivid.ErrorsWhenStarting*:Vivid.ADeviceThatStops*'
tests Busy 'Vivid.ADeviceStreaming*'
# vivid as a PipeWire camera: each group starts its own D-Bus, PipeWire and WirePlumber in a
# private runtime folder (PipeWireDaemons, which points PIPEWIRE_RUNTIME_DIR there) and stops
# them by their ids when it ends.
tests PipeWireListing 'VividPipeWire.EachCamera*'
tests PipeWireCapture 'VividPipeWire.IsCaptured*'
tests PipeWireShared 'VividPipeWire.AnotherProgram*'
tests PipeWireBusy 'VividPipeWire.Forced*'
tests PipeWireSettings 'VividPipeWire.NodeSettings*'
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
TARNOLIX_E2E_GALLERY=0 run LiveWindow bash "$source/tests/e2e/live-window.sh" "$build/app/tarnolix" "$build/tests/e2e/screen_check" \
    "$build/tests/e2e/list_devices" /tmp/live-window "$(v4l2-ctl -d /dev/video0 --info | sed -n 's/^\s*Card type\s*: //p')"
kill "$blinking" 2>/dev/null
tests Disconnect 'Vivid.DisconnectMidStream*'

# The window with vivid unplugged and plugged back: the module is removed and loaded again
# with the options it was loaded with, and a loopback camera is loaded while the window runs.
# The modules come from the tier's cache, in the build folder.
vivid_options=""
for parameter in /sys/module/vivid/parameters/n_devs; do
    [ -r "$parameter" ] && vivid_options="n_devs=$(cat "$parameter")"
done
export TARNOLIX_VIVID_MODULE="$(ls "$build"/vm/vivid-*.ko 2>/dev/null | head -n1)"
export TARNOLIX_VIVID_OPTIONS="$vivid_options"
export TARNOLIX_LOOPBACK_MODULE="$(ls "$build"/vm/v4l2loopback-*.ko 2>/dev/null | head -n1)"
export TARNOLIX_GRAPHS="$build/tools/tarnolix-graphs"
plug() {
    run "$1" "$build/tests/vivid/vivid_plug_tests" --gtest_filter="$2"
}
plug Replug 'CameraPlug.ThePictureComesBack*'
plug Loopback 'CameraPlug.ALoopbackCamera*'
plug ModeMenu 'CameraPlug.AModeChosen*'
plug Recording 'CameraPlug.FiveSecondsOfVivid*'
plug CameraSettings 'CameraSettingsInGuest.*'

# The virtual camera's clients, ffmpeg and gst-launch-1.0: two loopback devices, the first
# offering capture only once written to (exclusive_caps=1), the second always; then one ffmpeg
# reading on while vivid is unplugged and plugged back.
busybox insmod "$TARNOLIX_LOOPBACK_MODULE" devices=2 video_nr=40,41 card_label=Tarnolix,Inna exclusive_caps=1,0
plug VirtualCamera 'VirtualCameraClients.Ffmpeg*'
plug VirtualCameraReplug 'VirtualCameraClients.AClient*'
busybox rmmod v4l2loopback

# Two MJPEG cameras: loopback devices written by mjpeg_feeder at 1280x720, 30 frames a second,
# the second with damaged frames (cut short, garbled, garbage) among the whole ones. Each
# offers capture once its feeder has encoded its frames and started writing.
busybox insmod "$TARNOLIX_LOOPBACK_MODULE" devices=2 video_nr=30,31 card_label=MjpegCamera,DamagedCamera
feeder="$build/tests/vivid/mjpeg_feeder"
"$feeder" /dev/video30 2>"$results/mjpeg-feeder.log" &
clean_feeder=$!
"$feeder" /dev/video31 --truncate-every 4 --garble-every 5 --garbage-every 7 2>>"$results/mjpeg-feeder.log" &
damaged_feeder=$!
for node in /dev/video30 /dev/video31; do
    for _ in $(seq 150); do
        v4l2-ctl -d "$node" --list-formats 2>/dev/null | grep -q MJPG && break
        sleep 0.2
    done
done
export TARNOLIX_MJPEG_CAMERA=/dev/video30 TARNOLIX_DAMAGED_CAMERA=/dev/video31
tests MjpegCamera 'MjpegCamera.IsCaptured*'
tests DamagedFrames 'MjpegCamera.DamagedFrames*'
plug MjpegWindow 'CameraPlug.AnMjpegCamera*'
kill "$clean_feeder" "$damaged_feeder" 2>/dev/null
wait "$clean_feeder" "$damaged_feeder" 2>/dev/null
busybox rmmod v4l2loopback
timeout_of_run=400 plug ReplugSoak 'CameraPlug.ThirtyReplugs*'
exit 0
