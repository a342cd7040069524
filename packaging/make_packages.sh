#!/usr/bin/env bash
# Builds every release package of this source tree in new build trees under
# DIR, puts the packages at its top and lists their checksums in
# DIR/SHA256SUMS (check them there with sha256sum -c SHA256SUMS):
#   quorvel_VERSION_ARCH.deb           amd64, arm64, armel, armhf, i386, s390x
#   quorvel-VERSION-linux-ARCH.tar.gz  x86_64, aarch64, arm, i686, riscv64: static, for
#                                      any Linux (arm: ARMv5TE code, for every 32-bit ARM)
#   quorvel-VERSION-windows-ARCH.zip   i686, x86_64
#   quorvel-VERSION-Source.tar.gz
#
#   packaging/make_packages.sh DIR
#
# Needs dpkg-dev and the cross compilers (tests/setup_cross.sh, Debian's
# g++-mingw-w64-i686 and g++-mingw-w64-x86-64). Every date in the packages is
# the last commit's (or SOURCE_DATE_EPOCH's, when set), so two runs give the
# same bytes, wherever and whenever they run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$top"

# package TREE PRESET GENERATOR EXTENSION [CMAKE_ARGS...]
package() {
    local tree=$out/$1 preset=$2 generator=$3 extension=$4
    shift 4
    cmake --preset "$preset" -B "$tree" -DBUILD_TESTING=OFF "$@" --no-warn-unused-cli > /dev/null
    cmake --build "$tree" -j "$(nproc)" > /dev/null
    (cd "$tree" && cpack -G "$generator" > /dev/null)
    cp "$tree"/quorvel*."$extension" "$out/"
}
for preset in default linux-aarch64 linux-armel linux-armhf linux-i686 linux-s390x; do
    package "$preset" "$preset" DEB deb
done
for preset in default linux-aarch64 linux-armel linux-i686 linux-riscv64; do
    package "static-$preset" "$preset" TGZ tar.gz -DQUORVEL_STATIC=ON
done
for preset in windows-i686 windows-x86_64; do
    package "$preset" "$preset" ZIP zip
done
(cd "$out/default" && cpack --config CPackSourceConfig.cmake > /dev/null && cp quorvel-*-Source.tar.gz "$out/")
cd "$out"
LC_ALL=C sha256sum quorvel*.deb quorvel*.tar.gz quorvel*.zip > SHA256SUMS
cat SHA256SUMS
