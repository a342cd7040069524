#!/usr/bin/env bash
# Builds every release package of this source tree in new build trees under
# DIR and puts the packages at its top: quorvel_VERSION_amd64.deb and
# _arm64.deb, quorvel-VERSION-Source.tar.gz, quorvel-VERSION-windows-i686.zip
# and -x86_64.zip.
#
#   packaging/make_packages.sh DIR
#
# Needs dpkg-dev and the cross compilers (tests/setup_aarch64.sh, Debian's
# g++-mingw-w64-i686 and g++-mingw-w64-x86-64). Every date in the packages is
# the last commit's (or SOURCE_DATE_EPOCH's, when set), so two runs give the
# same bytes, wherever and whenever they run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$top"
for preset in default linux-aarch64 windows-i686 windows-x86_64; do
    cmake --preset "$preset" -B "$out/$preset" -DBUILD_TESTING=OFF --no-warn-unused-cli > /dev/null
    cmake --build "$out/$preset" -j "$(nproc)" > /dev/null
    case $preset in
        windows-*) (cd "$out/$preset" && cpack -G ZIP > /dev/null && cp quorvel-*.zip "$out/") ;;
        *) (cd "$out/$preset" && cpack -G DEB > /dev/null && cp quorvel_*.deb "$out/") ;;
    esac
done
(cd "$out/default" && cpack --config CPackSourceConfig.cmake > /dev/null && cp quorvel-*-Source.tar.gz "$out/")
ls "$out"/quorvel*
