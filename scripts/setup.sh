#!/usr/bin/env bash
# Installs what QuietSpin needs on a Debian machine; does nothing when all is there.
#   scripts/setup.sh         what building and running QuietSpin need (run.sh, run.sh --real-drives)
#   scripts/setup.sh test    that, and what the tests need on top (test.sh)
set -euo pipefail
# shellcheck source=scripts/errors.sh
source "$(dirname "$0")/errors.sh"
qs_stop_on_errors setup
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
# Without sudo, a step that needs root says so, past any redirection of the step's output (fd 3).
exec 3>&2
# shellcheck disable=SC2317  # called as $sudo
no_sudo() { qs_die "\`$*\` needs root: run this as root, or install sudo" 2>&3; }
sudo=""
if [ "$(id -u)" != 0 ]; then
  sudo=sudo; command -v sudo >/dev/null || sudo=no_sudo
fi
log=$(mktemp); trap 'rm -f "$log"' EXIT
os_id=; codename=
if [ -r /etc/os-release ]; then
  os_id=$(. /etc/os-release && echo "${ID:-}")
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
fi
apt_install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$@" >"$log" 2>&1; }
apt_said() { grep -E '^(E:| )' "$log" | tail -n "$1" | sed 's/^/    /' >&2 || true; }

# Some kernels refuse to start 32-bit programs (no IA-32 emulation, or it is switched off). There
# Wine's 32-bit processes run under QEMU's user-mode emulator, registered for i386 programs here;
# the registration lasts until the machine restarts. Wine starts under QEMU 10 or later only.
qemu_required=10
qemu_major() { /usr/bin/qemu-i386 --version 2>/dev/null | sed -nE '1s/.*version ([0-9]+).*/\1/p'; }
qemu_recent() { local major; major=$(qemu_major) && [ "${major:-0}" -ge "$qemu_required" ]; }
# Debian's backports of its own release hold a newer QEMU where the release's is older. Their source
# is there only while qemu-user is installed from it and is removed right after: nothing else on the
# machine is taken from the backports, and no source of ours is left behind.
backports=/etc/apt/sources.list.d/quietspin-backports.list
qemu_from_backports() {  # qemu_from_backports <the release's version>
  if [ "$os_id" != debian ] || [ -z "$codename" ]; then
    qs_die "this release's QEMU user-mode emulator (version ${1:-unknown}) is older than Wine needs" \
      "($qemu_required): install a newer qemu-user (set-up takes one only from Debian's own backports)"
  fi
  echo "setup: the release's QEMU is version ${1:-unknown}; installing qemu-user from $codename-backports"
  echo "deb http://deb.debian.org/debian $codename-backports main" | $sudo tee "$backports" >/dev/null
  local status=0
  { $sudo apt-get update -q >"$log" 2>&1 || true; apt_install -t "$codename-backports" qemu-user; } || status=$?
  $sudo rm -f "$backports"
  if ((status)) || ! qemu_recent; then
    echo "setup: could not install QEMU $qemu_required or later from $codename-backports; apt-get said:" >&2
    apt_said 5
    exit 1
  fi
}
i386_emulator() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  [ -x /usr/lib/wine/wine ] || return 0  # Wine is not there yet, or failed to install: said above
  if ! qemu_recent; then
    echo "setup: this machine does not start 32-bit programs; installing QEMU's user-mode emulator for Wine"
    apt_install qemu-user || { echo "setup: could not install qemu-user; apt-get said:" >&2; apt_said 5; exit 1; }
    qemu_recent || qemu_from_backports "$(qemu_major || true)"
  fi
  local misc=/proc/sys/fs/binfmt_misc
  if ! mountpoint -q $misc; then
    $sudo mount -t binfmt_misc binfmt_misc $misc ||
      qs_die "could not mount binfmt_misc on $misc, where QEMU's emulator is registered for 32-bit" \
        "programs (in a container, only a privileged one may)"
  fi
  if [ -e $misc/quietspin-i386 ]; then
    echo -1 | $sudo tee $misc/quietspin-i386 >/dev/null || qs_die "could not remove the earlier registration $misc/quietspin-i386"
  fi
  # ELF, 32-bit, little-endian, executable or shared object, i386; F keeps the emulator at hand in
  # every mount namespace, C runs it with the program's own credentials.
  printf '%s' ':quietspin-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:POCF' |
    $sudo tee $misc/register >/dev/null || qs_die "could not register QEMU's emulator for i386 programs in $misc"
  /usr/lib/wine/wine --version >/dev/null 2>&1 || qs_die "Wine does not start even under QEMU's emulator"
}

# A source that an earlier set-up left behind goes.
if [ -e "$backports" ]; then
  echo "setup: removing $backports, which an earlier set-up left behind"
  $sudo rm -f "$backports"
fi

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
apt_said 15
exit 1
