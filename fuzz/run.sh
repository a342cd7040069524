#!/usr/bin/env bash
# Builds the libFuzzer target (preset "fuzz", clang) and runs it for a bounded
# time, seeded with the real-encoder fixtures. Any crash, sanitizer report or
# mismatch with the reference ends it with a non-zero status and leaves the
# input as crash-* or leak-* in the folder it was started from (any folder).
#
#   fuzz/run.sh [SECONDS]      (default 60)
set -euo pipefail
seconds=${1:-60}
here=$PWD
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"  # cmake finds the presets in the folder it runs in
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j "$(nproc)" > /dev/null
corpus=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-corpus.XXXXXX")
trap 'rm -rf "$corpus"' EXIT
"$top/build-fuzz/quorvel_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$here/" \
    "$corpus" "$top/tests/fixtures" 2>&1 |
    grep -E 'INITED|DONE|ERROR|mismatch|SUMMARY|stat::number_of_executed_units|stat::average_exec_per_sec|Test unit written'
exit "${PIPESTATUS[0]}"
