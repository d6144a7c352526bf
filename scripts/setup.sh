#!/usr/bin/env bash
# Installs what QuietSpin needs on a Debian machine; does nothing when all is there.
#   scripts/setup.sh         what building and running QuietSpin need (run.sh, run.sh --real-drives)
#   scripts/setup.sh test    that, and what the tests need on top (test.sh)
set -euo pipefail
run_packages=(cmake make g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb x11-utils imagemagick
              python3 python3-pil fonts-wqy-microhei)
test_packages=(g++ googletest libgtest-dev libgmock-dev xdotool nsis zip
               qemu-system-x86 qemu-utils linux-image-amd64 busybox-static genisoimage)
case "${1:-run}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: scripts/setup.sh [run|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
log=$(mktemp); trap 'rm -f "$log"' EXIT
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
apt_install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$@" >"$log" 2>&1; }

# Some kernels refuse to start 32-bit programs (no IA-32 emulation, or it is switched off). There
# Wine's 32-bit processes run under QEMU's user-mode emulator, registered for i386 programs here;
# the registration lasts until the machine restarts. Wine starts under QEMU 10 or later only.
qemu_major() { /usr/bin/qemu-i386 --version 2>/dev/null | sed -nE '1s/.*version ([0-9]+).*/\1/p'; }
i386_emulator() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  [ -x /usr/lib/wine/wine ] || return 0  # Wine is not there yet, or failed to install: said above
  if [ "$(qemu_major)" -lt 10 ] 2>/dev/null || [ -z "$(qemu_major)" ]; then
    echo "setup: this machine does not start 32-bit programs; installing QEMU's user-mode emulator for Wine"
    apt_install qemu-user || true
    if [ "$(qemu_major)" -lt 10 ] 2>/dev/null || [ -z "$(qemu_major)" ]; then
      echo "deb http://deb.debian.org/debian $codename-backports main" |
        $sudo tee /etc/apt/sources.list.d/quietspin-backports.list >/dev/null
      $sudo apt-get update -q >"$log" 2>&1 || true
      apt_install -t "$codename-backports" qemu-user ||
        { echo "setup: could not install QEMU 10 or later; apt-get said:" >&2; tail -n 5 "$log" >&2; return 1; }
    fi
  fi
  local misc=/proc/sys/fs/binfmt_misc
  mountpoint -q $misc || $sudo mount -t binfmt_misc binfmt_misc $misc
  [ -e $misc/quietspin-i386 ] && echo -1 | $sudo tee $misc/quietspin-i386 >/dev/null
  # ELF, 32-bit, little-endian, executable or shared object, i386; F keeps the emulator at hand in
  # every mount namespace, C runs it with the program's own credentials.
  printf '%s' ':quietspin-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:POCF' |
    $sudo tee $misc/register >/dev/null
  /usr/lib/wine/wine --version >/dev/null 2>&1 ||
    { echo "setup: Wine does not start even under QEMU's emulator" >&2; return 1; }
}

if ((${#missing[@]} == 0)); then i386_emulator; exit; fi

echo "setup: installing ${missing[*]}"
$sudo dpkg --add-architecture i386

# A mirror in the middle of a sync can fail one index while the others are fine: go on with the rest.
if ! $sudo apt-get update -q >"$log" 2>&1; then
  echo "setup: warning: some package indexes could not be read; going on without them:" >&2
  grep -E 'Failed to fetch' "$log" | sed -E 's/^.*Failed to fetch +/    /' >&2 || true
fi

if apt_install "${missing[@]}"; then i386_emulator; exit; fi
# Without one architecture's index of an update suite, the other architecture's newer libraries
# cannot be matched: the release's own suites hold a consistent set of both.
if [ -n "$codename" ]; then
  echo "setup: the install could not be resolved; trying again pinned to the release's own suites ($codename)" >&2
  if apt_install -t "$codename" "${missing[@]}"; then i386_emulator; exit; fi
fi
# Name what stands in the way: each missing package on its own.
pin=(); [ -n "$codename" ] && pin=(-t "$codename")
bad=()
for p in "${missing[@]}"; do
  apt-get install -s -q "${pin[@]}" "$p" >/dev/null 2>&1 || bad+=("$p")
done
echo "setup: could not install ${bad[*]:-${missing[*]}}; apt-get said:" >&2
grep -E '^(E:| )' "$log" | tail -n 15 | sed 's/^/    /' >&2
exit 1
