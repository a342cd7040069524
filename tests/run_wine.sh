#!/usr/bin/env bash
# Runs the black-box CLI and stream tests against a Windows build of Quorvel
# under Wine (Debian's wine and wine64 packages).
#
#   tests/run_wine.sh BUILD_DIR WINDOWS_EXE [gtest filter]
#
# BUILD_DIR holds the native test binary; WINDOWS_EXE is the quorvel.exe to
# test. Cases that cannot exist there (/dev/full, strace faults, FIFOs) skip
# themselves. The Wine prefix is a temporary one; its server is kept running
# for the whole run so that the many short runs do not race its shutdown.
set -euo pipefail
build=$(cd "$1" && pwd)
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
filter=${3:-*}
loader=/usr/lib/wine/wine64
case "$(file -b "$exe")" in
    PE32+*) ;;
    PE32*) loader=/usr/lib/wine/wine ;;  # needs a machine that runs 32-bit x86 code
esac
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-wine.XXXXXX")
export WINEDEBUG=-all WINESERVER=/usr/lib/wine/wineserver64
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$WINESERVER" -p
"$loader" wineboot -i > /dev/null 2>&1
QUORVEL_RUNNER=$loader QUORVEL_EXE=$exe "$build/tests/quorvel_tests" --gtest_filter="$filter"
