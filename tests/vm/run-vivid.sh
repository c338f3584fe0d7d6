#!/usr/bin/env bash
# Boots a small Linux guest under QEMU with the kernel's virtual video driver vivid loaded, shares
# this machine's / with it read-only, and runs a script of the project inside it, against the
# guest's /dev/video* nodes. What that script writes to /mnt/results comes back to <results>.
#
# run-vivid.sh <cache folder> <results folder> <guest script> [arguments...]
#
# The cache folder keeps Debian's kernel package, the uncompressed kernel and the initramfs, so a
# second run boots at once. TARNOLIX_VM_MEMORY is the guest's memory (2G), TARNOLIX_VM_TIMEOUT
# the seconds the guest may run (840). Exits 77 (skipped) where QEMU cannot run at all or cannot
# have the guest's memory (inside another virtual machine, on a small machine); otherwise with
# the guest script's exit status.
set -euo pipefail
cache=$(realpath -m "$1") results=$(realpath -m "$2") script=$(realpath "$3")
shift 3
guest_args="$*"

# Where QEMU cannot run, or cannot have the guest's memory, the reason goes to the results too,
# for the cases that read them.
skip() {
    mkdir -p "$results"
    echo "skipped: $*" | tee "$results/skipped"
    exit 77
}
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
command -v busybox >/dev/null || skip "busybox is not installed"
qemu-system-x86_64 -version >/dev/null 2>&1 || skip "qemu-system-x86_64 does not run"
file_of_busybox=$(readlink -f "$(command -v busybox)")

mkdir -p "$cache" "$results"
# --- the kernel and the initramfs, prepared once -----------------------------------------
kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/{print $2; exit}')
[ -n "$kernel_package" ] || { echo "apt-cache does not name Debian's kernel package"; exit 1; }
version=${kernel_package#linux-image-}
deb="$cache/$kernel_package.deb"
vmlinux="$cache/vmlinux-$version"
initramfs="$cache/initramfs-$version.cpio"
here=$(dirname "$(realpath "$0")")
vivid_module="$cache/vivid-$version.ko"
if [ ! -s "$vmlinux" ] || [ ! -s "$initramfs" ] || [ ! -s "$vivid_module" ] ||
    [ "$here/guest-init.sh" -nt "$initramfs" ]; then
    # Debian's package, downloaded, not installed (that would pull udev and initramfs-tools in).
    if [ ! -s "$deb" ]; then
        rm -f "$cache"/*.deb "$cache"/vmlinux-* "$cache"/initramfs-*
        echo "Fetching $kernel_package"
        download=$(mktemp -d "$cache/download.XXXXXX")
        (cd "$download" && apt-get download "$kernel_package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
        mv "$download"/*.deb "$deb" 2>/dev/null || { rm -rf "$download"; echo "could not download $kernel_package"; exit 1; }
        rm -rf "$download"
    fi
    tree=$(mktemp -d "$cache/unpacked.XXXXXX")
    trap 'rm -rf "$tree"' EXIT
    dpkg-deb -x "$deb" "$tree"
    modules="$tree/lib/modules/$version"

    # QEMU boots the uncompressed kernel (an ELF with a PVH entry) directly: no firmware, no
    # decompression under emulation. It is the xz stream inside vmlinuz.
    vmlinuz="$tree/boot/vmlinuz-$version"
    offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$vmlinuz" | head -n1 | cut -d: -f1)
    [ -n "$offset" ] || { echo "no xz stream in $vmlinuz"; exit 1; }
    # xz reports the data after the stream as corrupt; the kernel before it is whole.
    tail -c +$((offset + 1)) "$vmlinuz" | xz -dc >"$vmlinux.part" 2>/dev/null || true
    [ "$(head -c 4 "$vmlinux.part" | od -An -c | tr -d ' ')" = '177ELF' ] ||
        { echo "the kernel in $vmlinuz did not decompress"; exit 1; }
    mv "$vmlinux.part" "$vmlinux"

    # The initramfs: busybox, the modules in load order, and the init script.
    busybox depmod -b "$tree" "$version"
    staging="$tree/initramfs"
    mkdir -p "$staging"/{bin,dev,proc,sys,lower,overlay,newroot,modules}
    cp "$file_of_busybox" "$staging/bin/busybox"
    cp "$here/guest-init.sh" "$staging/init"
    chmod +x "$staging/init"
    # Each wanted module after the modules it needs, each once.
    declare -A loaded=()
    order=()
    add() {
        local module=$1 dependency
        [ -z "${loaded[$module]:-}" ] || return 0
        for dependency in $(awk -v m="$module:" '$1 == m { $1 = ""; print }' "$modules/modules.dep"); do
            add "$dependency"
        done
        loaded[$module]=1
        order+=("$module")
    }
    for wanted in drivers/virtio/virtio_pci net/9p/9pnet_virtio fs/9p/9p fs/overlayfs/overlay \
        drivers/media/test-drivers/vivid/vivid; do
        add "kernel/$wanted.ko"
    done
    for module in "${order[@]}"; do
        cp "$modules/$module" "$staging/modules/"
        basename "$module" >>"$staging/modules/order"
    done
    (cd "$staging" && find . | busybox cpio -o -H newc 2>/dev/null) >"$initramfs.part"
    mv "$initramfs.part" "$initramfs"
    # vivid again, for the guest's cases that remove and load it (the share shows the cache).
    cp "$modules/kernel/drivers/media/test-drivers/vivid/vivid.ko" "$vivid_module"
    rm -rf "$tree"
fi

# --- v4l2loopback for the guest's kernel, built once ---------------------------------------
# Debian's source package of the module and the headers of the guest's kernel, unpacked, not
# installed (DKMS would build for this machine's kernel); the headers' Makefile names its common
# part by an absolute path, pointed here at the unpacked copy.
loopback_module="$cache/v4l2loopback-$version.ko"
if [ ! -s "$loopback_module" ]; then
    headers_package=$(apt-cache depends linux-headers-amd64 2>/dev/null |
        awk '/Depends: linux-headers-[0-9]/{print $2; exit}')
    [ "$headers_package" = "linux-headers-$version" ] ||
        { echo "apt-cache names headers $headers_package for kernel $version"; exit 1; }
    common="linux-headers-${version%-amd64}-common"
    kbuild="linux-kbuild-$(echo "$version" | cut -d. -f1,2)"
    build_tree=$(mktemp -d "$cache/loopback.XXXXXX")
    trap 'rm -rf "$build_tree"' EXIT
    echo "Building v4l2loopback for $version"
    (cd "$build_tree" && apt-get download v4l2loopback-dkms "$headers_package" "$common" "$kbuild" 2>&1 |
        grep -v '^W: Download is performed unsandboxed' || true)
    for package in "$build_tree"/*.deb; do dpkg-deb -x "$package" "$build_tree/root"; done
    headers="$build_tree/root/usr/src/linux-headers-$version"
    [ -f "$headers/Makefile" ] || { echo "could not download the headers of $version"; exit 1; }
    sed -i "s|/usr/src/$common|$build_tree/root/usr/src/$common|" "$headers/Makefile"
    source_tree=$(ls -d "$build_tree"/root/usr/src/v4l2loopback-* | head -n1)
    make -s -C "$headers" M="$source_tree" modules >"$build_tree/make.log" 2>&1 ||
        { echo "v4l2loopback did not build:"; tail -n 30 "$build_tree/make.log"; exit 1; }
    cp "$source_tree/v4l2loopback.ko" "$loopback_module"
    rm -rf "$build_tree"
fi

# --- the run -------------------------------------------------------------------------------
rm -rf "${results:?}"/*
log="$results/console.log" errors="$results/qemu-errors.log"
memory=${TARNOLIX_VM_MEMORY:-2G}
echo "Booting $version under QEMU (TCG) with $memory of memory; console: $log"
started=$(date +%s)
# The kernel hands unknown name=value words of its command line to init as its environment.
timeout "${TARNOLIX_VM_TIMEOUT:-840}" qemu-system-x86_64 -accel tcg -cpu max -smp 2 -m "$memory" \
    -nodefaults -nographic -no-reboot -serial stdio -monitor none \
    -kernel "$vmlinux" -initrd "$initramfs" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3 TARNOLIX_SCRIPT=$script TARNOLIX_ARGS=\"$guest_args\" TARNOLIX_VIVID=\"${TARNOLIX_VIVID_OPTIONS:-n_devs=2}\"" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs local,path="$results",mount_tag=results,security_model=none,multidevs=remap \
    </dev/null >"$log" 2>"$errors" || true
echo "The guest ran for $(($(date +%s) - started)) s"
if [ ! -f "$results/exit-status" ]; then
    # QEMU says so before the guest starts: "cannot set up guest memory 'pc.ram': Cannot allocate
    # memory".
    refused=$(grep -m1 'cannot set up guest memory' "$errors" || true)
    [ -z "$refused" ] || skip "QEMU cannot have the guest's $memory of memory: ${refused#*: }"
    echo "the guest ended without a result; its console:"
    tail -n 60 "$log"
    [ ! -s "$errors" ] || { echo "QEMU's errors:"; cat "$errors"; }
    exit 1
fi
exit "$(cat "$results/exit-status")"
