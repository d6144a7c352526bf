#!/bin/bash
# The virtual machine's first process (see run.sh): mounts what a system needs, loads the real
# SCSI/ATAPI drivers, names the three drives in the trace, runs the journey and powers off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
out=/run/qs-out
mount -t proc proc /proc
mount -t sysfs sys /sys
mkdir -p /dev/pts /dev/shm
ln -sf /proc/self/fd /dev/fd
mount -t devpts devpts /dev/pts
mount -t tmpfs shm /dev/shm
# /tmp stays the host's, written in the overlay: the repository may live there.
mount -t tmpfs run /run
mkdir -p $out /tmp/.X11-unix
chmod 1777 /tmp /tmp/.X11-unix
mount -t 9p -o trans=virtio,version=9p2000.L,cache=none,msize=512000 qsout $out
exec >>$out/guest.log 2>&1
echo "qs-guest: $(date +%T.%N) mounted"

modprobe -a sr_mod sg ata_piix ahci virtio_scsi
# The journey counts the SET CD SPEED commands the SCSI layer dispatches: a drive is also opened and
# closed between the program's ticks, and those commands are no tick.
events=/sys/kernel/tracing/events/scsi/scsi_dispatch_cmd_start
if mount -t tracefs tracefs /sys/kernel/tracing && echo 'opcode == 0xbb' >$events/filter && echo 1 >$events/enable; then
  echo "qs-guest: SET CD SPEED traced"
fi
for _ in $(seq 150); do
  [ "$(ls /sys/block | grep -c '^sr')" -ge 3 ] && break
  sleep 0.1
done
# Each drive reads one sector that tells it apart in the trace: 200 on PIIX IDE, 201 on AHCI, 202
# on virtio-scsi (its adapter's driver names the kind).
: >$out/drives.txt
for block in /sys/block/sr*; do
  sr=${block##*/}
  hctl=$(basename "$(readlink "$block/device")")
  kind=$(cat "/sys/class/scsi_host/host${hctl%%:*}/proc_name")
  case $kind in ata_piix) lba=200 ;; ahci) lba=201 ;; *) lba=202 ;; esac
  dd if=/dev/$sr of=/dev/null bs=2048 skip=$lba count=1 iflag=direct 2>/dev/null
  echo "$sr $kind $hctl $lba" >>$out/drives.txt
done
cat $out/drives.txt

# The Wine prefix, when the host could not make it.
if [ ! -f "$QS_PREFIX/system.reg" ]; then
  export WINEARCH=win32 WINEDEBUG=-all
  WINEPREFIX=$QS_PREFIX WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$QS_PREFIX wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$QS_PREFIX wineserver -w
  echo "qs-guest: $(date +%T.%N) prefix made"
  tar -C "$QS_PREFIX" -cf $out/prefix.tar . && echo "qs-guest: $(date +%T.%N) prefix kept for the next run"
fi

if [ -n "$QS_GUEST_RUN" ]; then
  QS_OUT=$out bash "$QS_GUEST_RUN" >$out/run.log 2>&1
  echo $? >$out/run.status
else
  QS_OUT=$out python3 -u "$QS_ROOT/tests/drives/journey.py" >$out/journey.log 2>&1
fi
echo "qs-guest: $(date +%T.%N) journey ended with $?"
sync
echo o >/proc/sysrq-trigger
sleep 30
