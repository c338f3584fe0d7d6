#!/bin/bash
# A bad command line ends tarnolix with status 2 and an English message before any window
# opens; help needs no display at all.
#   bad-start-option.sh <tarnolix>
program=$1
# No device of the machine's: its own cameras and loopback devices are not looked at.
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
export TARNOLIX_DEVICE_DIR=$empty PIPEWIRE_RUNTIME_DIR=$empty
status=0
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" --help 2>&1) || status=$?
[ "$status" -eq 0 ] && grep -q -- '--virtual-camera' <<<"$out" || { echo "help: $status $out"; exit 1; }
for case in "--device|No such camera|no video device named 'No such camera'" \
    "--effect|Negatyw9|unknown effect 'Negatyw9'" \
    "--virtual-camera=/dev/video99||no v4l2loopback device /dev/video99" \
    "--virtual-camera||sudo modprobe v4l2loopback card_label=Tarnolix exclusive_caps=1" \
    "--record=film.mp4||record needs --device"; do
    IFS='|' read -r option value expected <<<"$case"
    status=0
    arguments=("$option")
    [ -n "$value" ] && arguments+=("$value")
    err=$(QT_QPA_PLATFORM=offscreen TARNOLIX_VIRTUAL_CAMERAS="" timeout 20 "$program" "${arguments[@]}" 2>&1 >/dev/null) ||
        status=$?
    if [ "$status" -ne 2 ] || ! grep -qF "$expected" <<<"$err"; then
        echo "$option $value: status $status, stderr: $err"
        exit 1
    fi
done
echo ok
