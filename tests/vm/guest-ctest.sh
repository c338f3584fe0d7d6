#!/bin/bash
# Runs inside the vivid guest (see run-vivid.sh): the whole ctest suite but the real-driver tier
# itself, with vivid's devices present, to show that the suite does not depend on the machine's
# cameras. Its output goes to /mnt/results/ctest.log.
#
# run-vivid.sh <cache> <results> tests/vm/guest-ctest.sh <build folder>
build=$1
export XDG_RUNTIME_DIR=/tmp/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -E '^Vivid' -j2 --output-on-failure >/mnt/results/ctest.log 2>&1
