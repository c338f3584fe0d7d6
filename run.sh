#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs what the program can do so far:
# every effect applied by tarnolix-fx to the build's test picture, written to out/.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
tarnolix_install_deps
tarnolix_configure_build build
exec tools/fx-demo.sh build out
