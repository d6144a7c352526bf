#!/usr/bin/env bash
# Installs what building and testing QuietSpin needs on a Debian machine; does nothing when all is there.
set -euo pipefail
packages=(cmake make g++ g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool imagemagick x11-utils
          googletest libgtest-dev libgmock-dev python3 python3-pil nsis zip fonts-wqy-microhei
          qemu-system-x86 qemu-utils linux-image-amd64 busybox-static genisoimage)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
