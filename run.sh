#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs what the program can do so far:
# a short run of the effect benchmark.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
tarnolix_install_deps
tarnolix_configure_build build
exec build/bench/effects_bench --benchmark_min_time=0.05 "$@"
