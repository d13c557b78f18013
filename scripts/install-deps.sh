#!/usr/bin/env bash
# Installs what building and testing BrelkExplorer needs on Debian.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
PACKAGES=(cmake ninja-build g++ clang libclang-rt-dev libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth zlib1g-dev pkgconf
          libblkid-dev libmount-dev libudev-dev
          dpkg-dev file lintian appstream desktop-file-utils dbus-daemon python3-dbusmock
          dosfstools exfatprogs ntfs-3g e2fsprogs fdisk cryptsetup-bin)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
