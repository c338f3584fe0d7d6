#!/usr/bin/env bash
# Runs the built program on a private X server at 144 pixels per inch, chooses the test camera
# from the device menu and the negative from the effects menu, as a person would with the mouse
# and keyboard, and checks a screenshot: the live pane shows the camera's colour bars, the
# processed pane shows them negated, and the live pane keeps moving. Then it opens the effects
# gallery from the view menu and takes a screenshot of the gallery beside the window, whose
# thumbnails must keep moving (gallery.png).
#
# live-window.sh <tarnolix> <screen_check> <list_devices> <work folder> [camera name]; the camera
# is "Kamera testowa" unless named, found in the device menu by its name. Exits 77 (skipped)
# without Xvfb or xdotool.
set -euo pipefail
program=$1 checker=$2 lister=$3 work=$4 camera=${5:-Kamera testowa}
source "$(dirname "$0")/../support/session.sh"
require_tools Xvfb xdotool

mkdir -p "$work"
rm -f "$work/screenshot.png" "$work/gallery.png"
server=""
app=""
cleanup() {
    [ -z "$app" ] || stop "$app"
    [ -z "$server" ] || stop "$server"
}
trap cleanup EXIT

# Wide enough for the effects gallery beside the window.
start_xvfb "$work" -screen 0 2400x1200x24
export QT_QPA_PLATFORM=xcb QT_FONT_DPI=144
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset TARNOLIX_VIRTUAL_CAMERAS # the built-in "Kamera testowa" is the only virtual camera
# Under ./sanitize.sh: whole stacks for what Qt's D-Bus thread (on X11) allocates inside libdbus,
# which has no frame pointers, so that the system libraries' leak suppressions can match them.
if [ -n "${LSAN_OPTIONS:-}" ]; then
    export LSAN_OPTIONS="$LSAN_OPTIONS fast_unwind_on_malloc=0"
fi

# The camera's place in the device menu, found by its name the way the program lists devices.
position=$("$lister" | grep -nxF -m1 -- "$camera" | cut -d: -f1 || true)
[ -n "$position" ] || { echo "no device named \"$camera\""; "$lister"; exit 1; }
echo "camera \"$camera\" is item $position of the device menu"

"$program" >"$work/tarnolix.log" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarnolix$' | head -n1)
[ -n "$window" ] || { echo "the window did not appear"; cat "$work/tarnolix.log"; exit 1; }
echo "window $window: $(xdotool getwindowgeometry "$window" | tail -n1 | xargs)"

# The device menu is the menu bar's first; the first Down makes its first item active.
xdotool mousemove --window "$window" 20 12 click 1
sleep 0.7
for _ in $(seq "$position"); do xdotool key Down; done
xdotool key Return
sleep 0.5
# The effects menu is three further, after the camera's modes and the view menu; opened from the
# keyboard its first item is active, and the negative is five items further down (the separator
# is skipped).
xdotool mousemove --window "$window" 20 12 click 1
sleep 0.7
for _ in 1 2 3; do
    xdotool key Right
    sleep 0.5
done
xdotool key Down Down Down Down Down Return

echo "screenshot: $work/screenshot.png (${SECONDS} s since the start)"
if ! "$checker" "$window" 1.5 "$work/screenshot.png" 20; then
    cat "$work/tarnolix.log"
    exit 1
fi
kill -0 "$app" 2>/dev/null || { echo "the program ended early"; cat "$work/tarnolix.log"; exit 1; }

# The gallery's step is left out where the window's check is all that is asked: the real-driver
# tier's emulated guest, where 24 live effects would take most of its processors.
[ "${TARNOLIX_E2E_GALLERY:-1}" = 0 ] && exit 0

# The view menu is two further than the device menu; its first item is the gallery.
xdotool mousemove --window "$window" 20 12 click 1
sleep 0.7
for _ in 1 2; do
    xdotool key Right
    sleep 0.5
done
xdotool key Return
gallery=$(timeout 20 xdotool search --sync --onlyvisible --name '^Galeria efektów$' | head -n1 || true)
[ -n "$gallery" ] || { echo "the gallery did not appear"; cat "$work/tarnolix.log"; exit 1; }
# The screenshot spans both windows.
eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/main_/')"
eval "$(xdotool getwindowgeometry --shell "$gallery" | sed 's/^/gallery_/')"
left=$((main_X < gallery_X ? main_X : gallery_X))
top=$((main_Y < gallery_Y ? main_Y : gallery_Y))
right=$((main_X + main_WIDTH > gallery_X + gallery_WIDTH ? main_X + main_WIDTH : gallery_X + gallery_WIDTH))
bottom=$((main_Y + main_HEIGHT > gallery_Y + gallery_HEIGHT ? main_Y + main_HEIGHT : gallery_Y + gallery_HEIGHT))
echo "gallery $gallery at ${gallery_X},${gallery_Y} ${gallery_WIDTH}x${gallery_HEIGHT} after ${SECONDS} s; screenshot: $work/gallery.png"
if ! "$checker" --gallery "$gallery" "$left" "$top" $((right - left)) $((bottom - top)) "$work/gallery.png" 20; then
    cat "$work/tarnolix.log"
    exit 1
fi
kill -0 "$app" 2>/dev/null || { echo "the program ended early"; cat "$work/tarnolix.log"; exit 1; }
