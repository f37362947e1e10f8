#!/bin/sh
# Installs what building and testing Sektorlupe needs on Debian or Ubuntu; does nothing when
# everything is there. Uses sudo when not run as root.
set -eu
pkgs="g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make ninja-build gcc nasm xxd python3
wine wine32:i386 xvfb xauth googletest fonts-wine
dosfstools mtools exfatprogs ntfs-3g e2fsprogs fdisk gdisk xorriso genisoimage udftools sleuthkit
xdotool xclip x11-apps imagemagick icoutils"
# Installed without its recommends (they would pull in a desktop's worth of packages).
lean="qemu-system-x86"

missing=""
for p in $pkgs; do
  st=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$st" in *"install ok installed"*) ;; *) missing="$missing $p" ;; esac
done
lean_missing=""
for p in $lean; do
  st=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$st" in *"install ok installed"*) ;; *) lean_missing="$lean_missing $p" ;; esac
done
[ -z "$missing$lean_missing" ] && exit 0

echo "Installing:$missing$lean_missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
[ -z "$missing" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
[ -z "$lean_missing" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $lean_missing
