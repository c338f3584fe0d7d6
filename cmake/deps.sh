# Sourced by test.sh, run.sh and fuzz.sh: installs the Debian packages the build needs, running
# apt-get update once and only when something is missing.
#
# tarnolix_packages: what building and running the program needs (run.sh installs these only;
# librsvg2-bin draws the PNG icons from the SVG; PipeWire's client library reaches cameras that
# only PipeWire serves, and libdbus asks the Camera portal for it; FFmpeg's libraries write films,
# libpulse takes their sound from the microphone; the program builds and runs without PipeWire
# and libdbus).
# tarnolix_test_packages: what only the test suite needs (test.sh adds them): the X server and
# input for the end-to-end tests, the checkers of the installed files, and what builds and checks
# the Debian package (dpkg-dev and file for dpkg-shlibdeps, lintian).
tarnolix_packages=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libjpeg62-turbo-dev libv4l-dev libudev-dev
    qt6-base-dev qt6-translations-l10n
    librsvg2-bin
    libpipewire-0.3-dev libspa-0.2-dev libdbus-1-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libpulse-dev
)
# The real-driver tier (tests/vm) boots a QEMU guest with busybox and sets vivid's controls with
# v4l2-ctl; xz unpacks the kernel it downloads, and make builds v4l2loopback for that kernel.
# ffmpeg and GStreamer's gst-launch-1.0 with v4l2src are the virtual camera's clients there.
# The PipeWire cases start their own D-Bus, PipeWire and WirePlumber (on the host and in the
# guest); GStreamer's pipewiresink serves their camera nodes and pipewiresrc is a second reader.
# The film's microphone test adds a pulse server to them.
tarnolix_test_packages=(
    xvfb xauth xdotool
    desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
    qemu-system-x86 busybox-static v4l-utils xz-utils make
    ffmpeg gstreamer1.0-tools gstreamer1.0-plugins-good
    dbus pipewire pipewire-bin libspa-0.2-modules wireplumber dbus-daemon gstreamer1.0-pipewire pipewire-tests
    xdg-desktop-portal pipewire-pulse
)

# tarnolix_install_deps [--tests]
tarnolix_install_deps() {
    local wanted=("${tarnolix_packages[@]}")
    if [ "${1:-}" = "--tests" ]; then
        wanted+=("${tarnolix_test_packages[@]}")
    fi
    local missing=()
    local pkg
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

tarnolix_configure_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir"
}
