#!/usr/bin/env bash
# Makes Linux programs for other processors build and run on an x86-64
# machine. For each target: Debian's cross compiler, the target's C and C++
# runtime through multiarch (the loader the programs ask for, and what
# dpkg-shlibdeps reads to name a package's dependencies), and qemu's
# user-mode emulator registered with binfmt_misc, so that a test running
# under the emulator can start the program as a child (for i386 only where
# the kernel cannot run i386 programs itself). Debian 12, as root; safe to
# run again.
#
#   tests/setup_cross.sh [arm64|armel|armhf|i386|s390x|riscv64 ...]  # default: all six
#
# The emulator finds each target's libraries where multiarch put them; no
# QEMU_LD_PREFIX, which would pair the cross sysroot's loader with them.
# bookworm has no riscv64 runtime, so only static riscv64 programs run here.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/binfmt.sh"
[ $# -gt 0 ] || set -- arm64 armel armhf i386 s390x riscv64

# dpkg-dev: the target's Debian architecture and libraries for its .deb.
packages=(qemu-user dpkg-dev)
foreign=()
added=no
for arch in "$@"; do
    case $arch in
        arm64) triplet=aarch64-linux-gnu ;;
        armel) triplet=arm-linux-gnueabi ;;
        armhf) triplet=arm-linux-gnueabihf ;;
        i386) triplet=i686-linux-gnu ;;
        s390x) triplet=s390x-linux-gnu ;;
        riscv64) packages+=(g++-riscv64-linux-gnu); continue ;;
        *) echo "no cross target $arch" >&2; exit 2 ;;
    esac
    packages+=("g++-$triplet" "libc6:$arch" "libstdc++6:$arch")
    foreign+=("$arch")
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        dpkg --add-architecture "$arch"
        added=yes
    fi
done
# A mirror caught in the middle of a sync fails an index or two; apt keeps
# the lists it has, and an install that truly lacks one fails on its own.
if [ $added = yes ]; then
    apt-get update -q || apt-get update -q ||
        echo "apt-get update failed twice: going on with the package lists apt has" >&2
fi
# The C library and GCC's runtimes stay at the machine's own versions.
"$(dirname "$0")/hold_runtimes.sh" "${foreign[@]}"
# qemu-user: bookworm's or, after tests/setup_wine32.sh, the backported one.
# Where a mirror failed a foreign half of an index, the release's own versions
# match across architectures.
apt-get install -y -q --no-install-recommends "${packages[@]}" ||
    apt-get install -y -q --no-install-recommends -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" \
        "${packages[@]}"
for arch in "$@"; do
    register_qemu "$arch"
done
qemu-i386 --version | head -n 1  # one qemu-user for every target
