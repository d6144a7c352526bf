#!/usr/bin/env bash
# The drive tier: one virtual machine with three emulated CD-ROM drives on three adapters (PIIX IDE,
# AHCI, virtio-scsi) runs a user's journey with QuietSpin and our own ASPI layer (guest.sh,
# journey.py); QEMU's trace shows every command that reaches a drive, and check.py judges it.
# The guest needs no disk image: it boots the host's kernel with a small busybox initramfs and uses
# the host's root over 9p, read-only, under an overlay on tmpfs.
# Exit 77 (skipped) when this machine cannot start a virtual machine at all.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dist=${QS_DIST:-$root/build/dist}
build=${QS_BUILD:-$root/build/win}
work=$root/build/drives
started=$SECONDS

skip() {
  echo "drive tier skipped: $*"
  exit 77
}

# A step that fails stops the tier and says which it was.
fail() {
  echo "drive tier: $*" >&2
  exit 1
}

# 1. What the guest is made of.
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is missing (package qemu-system-x86)"
command -v genisoimage >/dev/null || skip "genisoimage is missing"
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n1)
[ -n "$kernel" ] || skip "no kernel in /boot (package linux-image-amd64)"
kver=${kernel#/boot/vmlinuz-}
[ -d "/lib/modules/$kver" ] || skip "no modules for $kver in /lib/modules"
busybox=$(command -v busybox || true)
[ -n "$busybox" ] && ! ldd "$busybox" >/dev/null 2>&1 || skip "no static busybox (package busybox-static)"
[ -f "$dist/QuietSpin.exe" ] || fail "$dist holds no build"

rm -rf "$work"
mkdir -p "$work/initramfs"/{bin,dev,proc,sys,lower,rw,newroot,modules} "$work/out" "$work/medium" ||
  fail "could not make the work folder $work"

# 2. The initramfs: busybox, the modules that 9p and overlay need in load order, and /init.
cp "$busybox" "$work/initramfs/bin/busybox" || fail "could not copy $busybox into the initramfs"
n=0
declare -A taken
for module in virtio_pci 9pnet_virtio 9p overlay; do
  depends=$(modprobe -S "$kver" --show-depends "$module") || fail "no module $module for $kver (modprobe, above)"
  while read -r _ path; do
    name=$(basename "$path")
    name=${name%%.ko*}
    [ -n "${taken[$name]:-}" ] && continue
    taken[$name]=1
    n=$((n + 1))
    out=$work/initramfs/modules/$(printf %02d $n)-$name.ko
    case $path in
      *.xz) xz -dc "$path" >"$out" ;;
      *.zst) zstd -qdc "$path" >"$out" ;;
      *) cp "$path" "$out" ;;
    esac || fail "could not put the module $path into the initramfs"
  done < <(grep '^insmod ' <<<"$depends")
done
cat >"$work/initramfs/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox mount -t devtmpfs dev /dev
exec </dev/console >/dev/console 2>&1
/bin/busybox --install -s /bin
echo "qs-guest: init"
for m in /modules/*.ko; do insmod "$m" || echo "qs-guest: insmod $m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=512000 hostroot /lower
mount -t tmpfs -o size=2500m rw /rw
mkdir /rw/upper /rw/work
mount -t overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work root /newroot
mount --move /dev /newroot/dev
echo "qs-guest: root ready"
exec switch_root /newroot /bin/bash "$QS_GUEST"
EOF
chmod +x "$work/initramfs/init" || fail "could not write the initramfs's /init"
(cd "$work/initramfs" && find . | "$busybox" cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initramfs.gz" ||
  fail "could not pack the initramfs"

echo "drive tier: initramfs ready after $((SECONDS - started)) s"

# 3. One medium for all three drives: a 48 MB disc of random bytes, which the ASPI programs read
# whole and compare with the image, with sectors past 202 (the guest reads 200-202 to tell the
# drives apart in the trace). A prefix made from the template on this side, where it costs nothing;
# where Wine does not start on this side at all, the guest makes it.
head -c $((47 * 1024 * 1024)) /dev/urandom >"$work/medium/FILL.BIN" || fail "could not write the medium's content"
genisoimage -quiet -J -r -V QSDRIVES -o "$work/medium.iso" "$work/medium" || fail "genisoimage could not make the medium"
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
guest_prefix=$root/build/wine/guest-prefix.tar
if ! qs_host_runs_i386; then
  # The first guest makes the prefix and leaves a copy of it (guest.sh); later runs start from that.
  rm -rf "$work/prefix"
  if [ -f "$guest_prefix" ]; then
    mkdir -p "$work/prefix" && tar -C "$work/prefix" -xf "$guest_prefix" ||
      fail "could not unpack the Wine prefix that an earlier guest made ($guest_prefix)"
  else
    echo "drive tier: Wine does not start on this machine; the guest makes the Wine prefix"
  fi
else
  qs_wine_template || fail "no Wine prefix template (above)"
  qs_wine_prefix "$work/prefix" || fail "no Wine prefix for the guest (above)"
  # Debian's Wine notes the server folder of the prefix's last session here; a new machine has its own.
  rm -f "$work/prefix/wineserver"
fi

cat >"$work/events" <<'EOF'
ide_atapi_cmd_packet
scsi_disk_new_request
v9fs_mkdir
EOF
iso=$work/medium.iso
args=(-machine pc -m 3G -smp 2 -display none -monitor none -nic none -no-reboot
  -serial "file:$work/console.log"
  -kernel "$kernel" -initrd "$work/initramfs.gz"
  -append "console=ttyS0 quiet panic=-1 QS_GUEST=$here/guest.sh QS_ROOT=$root QS_DIST=$dist QS_BUILD=$build QS_PREFIX=$work/prefix QS_MEDIUM=$work/medium.iso QS_GUEST_RUN=${QS_GUEST_RUN:-}"
  -fsdev "local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap"
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot
  -fsdev "local,id=out,path=$work/out,security_model=none"
  -device virtio-9p-pci,fsdev=out,mount_tag=qsout
  -drive "file=$iso,media=cdrom,if=none,id=cd0,readonly=on" -device ide-cd,drive=cd0,bus=ide.1,unit=0
  -device ahci,id=ahci0
  -drive "file=$iso,media=cdrom,if=none,id=cd1,readonly=on" -device ide-cd,drive=cd1,bus=ahci0.0
  -device virtio-scsi-pci,id=vscsi0
  -drive "file=$iso,media=cdrom,if=none,id=cd2,readonly=on" -device scsi-cd,drive=cd2,bus=vscsi0.0
  -trace "events=$work/events,file=$work/trace" -msg timestamp=on)

# 4. Boot: the hardware accelerator when it starts this kernel, else software emulation.
qemu=
boot() {  # boot <seconds to reach the guest's init> <accelerator arguments...>
  local wait=$1
  shift
  : >"$work/console.log"
  qemu-system-x86_64 "$@" "${args[@]}" </dev/null >"$work/qemu.log" 2>&1 &
  qemu=$!
  local deadline=$((SECONDS + wait))
  while ((SECONDS < deadline)); do
    grep -q 'qs-guest: init' "$work/console.log" 2>/dev/null && return 0
    kill -0 $qemu 2>/dev/null || break
    sleep 0.5
  done
  kill $qemu 2>/dev/null
  wait $qemu 2>/dev/null
  return 1
}
accel=
if [ -r /dev/kvm ] && [ -w /dev/kvm ] && boot 10 -accel kvm -cpu host; then
  accel=kvm
elif boot 120 -accel tcg,thread=multi -cpu max,smap=off; then
  accel=tcg
else
  echo "could not start a virtual machine here; QEMU said:"
  tail -n 5 "$work/qemu.log" "$work/console.log"
  skip "neither the hardware accelerator nor software emulation boots a guest"
fi
echo "drive tier: guest started with $accel after $((SECONDS - started)) s"

# 5. The journey runs in the guest, which powers off when it is done.
# Generous: under emulation on a busy machine a Wine session takes minutes to start.
wait_s=900
[ -f "$work/prefix/system.reg" ] || wait_s=1500  # the guest makes the prefix first
limit=$((SECONDS + wait_s))
while kill -0 $qemu 2>/dev/null && ((SECONDS < limit)); do sleep 1; done
if kill -0 $qemu 2>/dev/null; then
  echo "drive tier: the guest did not finish in time"
  kill $qemu
fi
wait $qemu 2>/dev/null
echo "drive tier: guest ended after $((SECONDS - started)) s; its console:"
grep -v '^\s*$' "$work/console.log" | tail -n 20 | sed 's/^/  | /'
[ -f "$work/out/prefix.tar" ] && mkdir -p "$(dirname "$guest_prefix")" && mv "$work/out/prefix.tar" "$guest_prefix"
for log in guest journey; do
  [ -f "$work/out/$log.log" ] && tail -n 30 "$work/out/$log.log" | sed "s/^/  $log: /"
done
if [ -n "${QS_GUEST_RUN:-}" ]; then
  # Another program in the guest's place of the journey (a benchmark): its output is the result.
  cat "$work/out/run.log" 2>/dev/null
  status=$(cat "$work/out/run.status" 2>/dev/null || echo 1)
  echo "drive tier: $((SECONDS - started)) s"
  exit "$status"
fi
python3 "$here/check.py" "$work/trace" "$work/out" | tee "$work/report.txt"
status=${PIPESTATUS[0]}
echo "drive tier: $((SECONDS - started)) s"
exit "$status"
