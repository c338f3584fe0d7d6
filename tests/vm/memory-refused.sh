#!/usr/bin/env bash
# run-vivid.sh where QEMU cannot have the guest's memory: asked for 200 PiB, more than an x86-64
# process can address even where the kernel overcommits memory, QEMU refuses before the guest
# starts. The run must be skipped (77) with QEMU's reason in its output and in its results.
# Exits 77 itself where run-vivid.sh skips for a reason of its own (no QEMU, no busybox).
#
# memory-refused.sh <cache folder> <results folder>
cache=$1 results=$2
output=$(TARNOLIX_VM_MEMORY=200P TARNOLIX_VM_TIMEOUT=60 \
    bash "$(dirname "$0")/run-vivid.sh" "$cache" "$results" /bin/true 2>&1)
status=$?
echo "$output"
reason="skipped: QEMU cannot have the guest's 200P of memory: cannot set up guest memory"
if [ "$status" -eq 77 ] && [[ "$output" == *"$reason"* ]] && grep -qF "$reason" "$results/skipped"; then
    echo "skipped as it should be"
    exit 0
fi
if [ "$status" -eq 77 ] && [ -f "$results/skipped" ]; then
    exit 77
fi
echo "FAILED: run-vivid.sh exited with $status, not skipped for the guest's memory"
exit 1
