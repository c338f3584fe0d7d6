#!/bin/bash
# One group's result from the vivid guest: prints its log and exits with its status; 77 when the
# guest did not run (QEMU could not), with the reason.
# guest-result.sh <results folder> <group>
results=$1 group=$2
if [ -f "$results/skipped" ]; then
    cat "$results/skipped"
    exit 77
fi
if [ ! -f "$results/$group.status" ]; then
    echo "the vivid guest left no result for $group"
    exit 1
fi
cat "$results/$group.log"
exit "$(cat "$results/$group.status")"
