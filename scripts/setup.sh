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
((${#missing[@]})) || exit 0

sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
log=$(mktemp); trap 'rm -f "$log"' EXIT
echo "setup: installing ${missing[*]}"
$sudo dpkg --add-architecture i386

# A mirror in the middle of a sync can fail one index while the others are fine: go on with the rest.
if ! $sudo apt-get update -q >"$log" 2>&1; then
  echo "setup: warning: some package indexes could not be read; going on without them:" >&2
  grep -E 'Failed to fetch' "$log" | sed -E 's/^.*Failed to fetch +/    /' >&2 || true
fi

apt_install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$@" >"$log" 2>&1; }
if apt_install "${missing[@]}"; then exit 0; fi
# Without one architecture's index of an update suite, the other architecture's newer libraries
# cannot be matched: the release's own suites hold a consistent set of both.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -n "$codename" ]; then
  echo "setup: the install could not be resolved; trying again pinned to the release's own suites ($codename)" >&2
  if apt_install -t "$codename" "${missing[@]}"; then exit 0; fi
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
