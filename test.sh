#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
tarnolix_install_deps --tests
tarnolix_configure_build build
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
