#!/usr/bin/env bash
# Makes 64-bit ARM Linux programs build and run on an x86-64 machine: Debian's
# cross compiler, the target's C and C++ runtime through multiarch (the loader
# the programs ask for, and what dpkg-shlibdeps reads to name the package's
# dependencies), and qemu-aarch64 registered with binfmt_misc, so that a test
# running under the emulator can start the program as a child. Debian 12, as
# root; safe to run again.
#
#   tests/setup_aarch64.sh
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    dpkg --add-architecture arm64
    apt-get update -q
fi
# qemu-user: bookworm's or, after tests/setup_wine32.sh, the backported one.
apt-get install -y -q --no-install-recommends g++-aarch64-linux-gnu qemu-user \
    libc6:arm64 libstdc++6:arm64

# binfmt_misc: aarch64 ELF executables (ET_EXEC and ET_DYN) to qemu-aarch64.
. "$(dirname "$0")/binfmt.sh"
register_binfmt qemu-aarch64 \
    '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00' \
    '\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    /usr/bin/qemu-aarch64
qemu-aarch64 --version | head -n 1
