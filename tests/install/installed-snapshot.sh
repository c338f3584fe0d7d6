#!/usr/bin/env bash
# Installs the build and starts the installed tarnolix on a private X server, with a home folder
# of its own whose user-dirs.dirs names the pictures folder. Chooses the test camera and takes a
# snapshot through the menu bar, as a person would: the picture must land in that pictures
# folder, which did not exist before, and nothing in the installed bin folder. First from a
# temporary DESTDIR whose bin folder is read-only, as nobody when run by root, since a read-only
# folder does not stop root. Then, run by root, as root from a copy installed under /opt: a bin
# folder root may write to, which is still no place for pictures.
#
# installed-snapshot.sh <cmake> <build folder>; exits 77 (skipped) without Xvfb or xdotool, or
# when root cannot install under /opt.
set -euo pipefail
cmake=$1 build=$2
source "$(dirname "$0")/../support/session.sh"
require_tools Xvfb xdotool

# In the temporary folder, so that nobody can reach it whatever the build folder's permissions.
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnolix-installed.XXXXXX")
chmod 755 "$work"
opt=""
server=""
app=""
cleanup() {
    [ -z "$app" ] || stop "$app"
    [ -z "$server" ] || stop "$server"
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
    [ -z "$opt" ] || rm -rf "$opt"
}
trap cleanup EXIT

# -ac: the program may run as another user than the server's.
start_xvfb "$work" -ac -screen 0 1280x1024x24
export QT_QPA_PLATFORM=xcb
# Two test cameras after any real ones; the last, at 640x480, is the one chosen.
export TARNOLIX_VIRTUAL_CAMERAS='Mała=pattern:320x240@30,pattern'
unset XDG_PICTURES_DIR

# "Zrób zdjęcie" is a command of the menu bar itself, right of the two menus: the mouse clicks
# along the bar until the name prompt answers (Escape closes a menu opened on the way). The
# place found is tried first the next time.
prompt_x=""
open_prompt() {
    local x
    for x in $prompt_x $(seq 6 12 600); do
        xdotool mousemove --window "$window" "$x" 12 click 1
        sleep 0.3
        if [ -n "$(xdotool search --onlyvisible --name '^Wpisz nazw' | head -n1 || true)" ]; then
            prompt_x=$x
            return 0
        fi
        xdotool key Escape
        sleep 0.2
    done
    return 1
}

# snapshot_from <bin folder> <case folder> <nobody or self>: starts bin/tarnolix as that user
# with a home and a runtime folder in the case folder, takes a snapshot and checks where it went.
snapshot_from() {
    local bin=$1 case=$2 user=$3
    local home="$case/home"
    mkdir -p "$home/.config" "$case/runtime"
    echo 'XDG_PICTURES_DIR="$HOME/Obrazy"' >"$home/.config/user-dirs.dirs"
    chmod 700 "$case/runtime"
    local as_user=()
    if [ "$user" = nobody ]; then
        chown -R 65534:65534 "$home" "$case/runtime"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    (cd / && exec env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$case/runtime" \
        "${as_user[@]}" "$bin/tarnolix") >"$case/tarnolix.log" 2>&1 &
    app=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarnolix$' | head -n1)
    [ -n "$window" ] || { echo "the window did not appear"; cat "$case/tarnolix.log"; exit 1; }

    # The device menu is the menu bar's first; Up from no active item reaches its last item, the
    # 640x480 test camera.
    xdotool mousemove --window "$window" 20 12 click 1
    sleep 0.7
    xdotool key Up Return
    sleep 1.5
    # The prompt's name is typed over the preset, which starts selected. Before the first frame
    # there is nothing to save, so the command is given again until the picture appears.
    local saved="$home/Obrazy/migawka.bmp"
    for _ in 1 2 3; do
        open_prompt || { echo "no name prompt along the menu bar"; cat "$case/tarnolix.log"; exit 1; }
        xdotool type --delay 50 migawka
        xdotool key Return
        for _ in $(seq 30); do
            [ -s "$saved" ] && break 2
            sleep 0.1
        done
    done

    if [ -n "$(find "$bin" -name '*.bmp')" ]; then
        echo "a snapshot was written into the installed bin folder $bin"
        exit 1
    fi
    [ -s "$saved" ] || { echo "no snapshot at $saved"; cat "$case/tarnolix.log"; exit 1; }
    [ "$(head -c 2 "$saved")" = BM ] || { echo "$saved is not a bitmap file"; exit 1; }
    # 54 bytes of headers and 640 x 480 pixels of 3 bytes: the test camera's frame.
    local size
    size=$(stat -c %s "$saved")
    [ "$size" -eq $((54 + 640 * 480 * 3)) ] || { echo "$saved holds $size bytes"; exit 1; }
    kill -0 "$app" 2>/dev/null || { echo "the program ended early"; cat "$case/tarnolix.log"; exit 1; }
    stop "$app"
    app=""
    echo "snapshot saved as $saved"
}

DESTDIR="$work/root" "$cmake" --install "$build" --prefix /usr >"$work/install.log"
chmod a-w "$work/root/usr/bin"
if [ "$(id -u)" -eq 0 ]; then
    snapshot_from "$work/root/usr/bin" "$work/read-only" nobody
else
    snapshot_from "$work/root/usr/bin" "$work/read-only" self
    exit 0
fi

opt=$(mktemp -d /opt/tarnolix-installed.XXXXXX) || { echo "root cannot install under /opt: skipped"; exit 77; }
DESTDIR="$opt" "$cmake" --install "$build" --prefix /usr >"$work/install-opt.log"
snapshot_from "$opt/usr/bin" "$work/root-in-opt" self
