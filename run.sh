#!/usr/bin/env bash
# Installs what is missing, configures, builds and starts Tarnolix. Without a display it says so
# and runs the headless demonstration instead: every effect applied by tarnolix-fx to the build's
# test picture, written to out/.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
tarnolix_install_deps
tarnolix_configure_build build
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/app/tarnolix "$@"
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless demonstration instead."
exec tools/fx-demo.sh build out
