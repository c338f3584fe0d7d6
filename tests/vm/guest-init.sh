#!/bin/busybox sh
# The guest's first process: loads the modules, mounts the host's / read-only under a memory
# overlay, and runs $TARNOLIX_SCRIPT inside it with the results share at /mnt/results. Its exit
# status goes to /mnt/results/exit-status; then the guest powers off. The host's /tmp stays visible
# (writes to it land in the overlay), since the build being tested may live there.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for module in $(cat /modules/order); do
    options=""
    [ "$module" = vivid.ko ] && options="$TARNOLIX_VIVID"
    insmod "/modules/$module" $options || echo "guest: $module did not load"
done
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,ro hostroot /lower
mount -t tmpfs -o size=512m overlay /overlay
mkdir -p /overlay/upper /overlay/work
mount -t overlay overlay -o lowerdir=/lower,upperdir=/overlay/upper,workdir=/overlay/work /newroot
mkdir -p /newroot/mnt/results
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /newroot/mnt/results
mount -t proc proc /newroot/proc
mount -t sysfs sys /newroot/sys
mount -t devtmpfs dev /newroot/dev
mkdir -p /newroot/dev/shm /newroot/run
mount -t tmpfs shm /newroot/dev/shm
chroot /newroot /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    /bin/bash "$TARNOLIX_SCRIPT" $TARNOLIX_ARGS
echo $? >/newroot/mnt/results/exit-status
sync
umount /newroot/mnt/results
poweroff -f
