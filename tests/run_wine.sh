#!/usr/bin/env bash
# Runs the black-box CLI and stream tests against a Windows build of Quorvel
# under Wine (Debian's wine and wine64 packages).
#
#   tests/run_wine.sh BUILD_DIR WINDOWS_EXE [gtest filter]
#
# BUILD_DIR holds the native test binary; WINDOWS_EXE is the quorvel.exe to
# test; QUORVEL_WINE_JOBS says how many shards of the tests run at once (by
# default one per processor). Cases that cannot exist there (/dev/full,
# strace faults, FIFOs) skip themselves. The Wine prefix is a temporary one.
# Wine goes on setting it up after wineboot returns, so the run waits for that
# to end; the server is then kept running for the whole run so that the many
# short runs do not race its shutdown. Wine maps file names through the
# locale's character set, and the tests use UTF-8 names.
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
export WINEDEBUG=-all WINESERVER=/usr/lib/wine/wineserver64 LC_ALL=C.UTF-8
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$loader" wineboot -i > /dev/null 2>&1
"$WINESERVER" -w
"$WINESERVER" -p
# Wine is ready when it has started the program once (its usage text).
for attempt in 1 2 3; do
    usage=$("$loader" "$exe" 2> "$WINEPREFIX/start.err" || true)
    if [[ $usage == "Quorvel - version"* ]]; then break; fi
    echo "Wine did not start $exe (attempt $attempt):"
    cat "$WINEPREFIX/start.err"
    [ "$attempt" -lt 3 ] || exit 1
    sleep 5
done
# The tests in one shard per processor at once, all in the one prefix: the
# program runs slowly under Wine, slower still under emulation.
export QUORVEL_RUNNER=$loader QUORVEL_EXE=$exe GTEST_TOTAL_SHARDS=${QUORVEL_WINE_JOBS:-$(nproc)}
pids=()
for ((shard = 0; shard < GTEST_TOTAL_SHARDS; shard++)); do
    GTEST_SHARD_INDEX=$shard "$build/tests/quorvel_tests" --gtest_filter="$filter" \
        > "$WINEPREFIX/shard-$shard.log" 2>&1 &
    pids+=($!)
done
status=0
for shard in "${!pids[@]}"; do
    wait "${pids[$shard]}" || status=1
    cat "$WINEPREFIX/shard-$shard.log"
done
exit $status
