#!/usr/bin/env bash
# Throughput, instruction count and memory of Quorvel against cat.
#
#   bench/run.sh [SIZE_MB] [ROUNDS]     (defaults: 1000 MB, 11 rounds)
#
# Builds a Release binary in build-bench/, makes a ~SIZE_MB input from the
# bundled sample in a temporary directory (kept in the page cache), then:
#  - times `quorvel in out` against `cat in > out` in paired, alternating
#    runs and prints MB/s for both and the median of the per-pair ratios
#    (hyperfine, when installed, adds its own summary of the same commands).
#    Every timed run starts after a `sync`, so that no run pays for writing
#    back the dirty pages of the one before;
#  - the same through standard input and output: `cat in | quorvel - - > out`
#    against `cat in | cat > out`, and with a socket pair as each standard
#    stream (as Node.js front-ends start it; a Python relay feeds and drains
#    them), quorvel - - against cat;
#  - with valgrind installed, counts instructions per input byte on ~100 MB;
#  - prints the peak resident memory for a 10 MB and the full-size input.
# Not part of the test suite: the numbers depend on the machine.
set -euo pipefail
size_mb=${1:-1000}
rounds=${2:-11}
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build-bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$top/build-bench" --target quorvel >/dev/null
quorvel="$top/build-bench/quorvel"

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
sample="$top/examples/sample.m2v"
copies=$(( size_mb * 1000000 / $(stat -c %s "$sample") + 1 ))
# Copies of the sample: each begins with a sequence header, so the whole is a
# valid stream with a block to insert per GOP.
make_input() { local n=$1 out=$2; for _ in $(seq "$n"); do cat "$sample"; done > "$out"; }
make_input "$copies" "$work/in.m2v"
head -c 10000000 "$work/in.m2v" > "$work/in10.m2v"
bytes=$(stat -c %s "$work/in.m2v")
cat "$work/in.m2v" > /dev/null  # into the page cache

now() { date +%s%N; }
run_quorvel() { "$quorvel" "$work/in.m2v" "$work/out-q.m2v" > /dev/null; }
run_cat() { cat "$work/in.m2v" > "$work/out-c.m2v"; }
pipe_quorvel() { cat "$work/in.m2v" | "$quorvel" - - > "$work/out-q.m2v" 2> /dev/null; }
pipe_cat() { cat "$work/in.m2v" | cat > "$work/out-c.m2v"; }
# A socket pair for each standard stream: the input sent, the output received.
through_sockets() {
    python3 - "$work/in.m2v" "$@" 2> /dev/null <<'PY'
import socket, subprocess, sys, threading
source, target, *command = sys.argv[1:]
a, b = socket.socketpair(); c, d = socket.socketpair()
run = subprocess.Popen(command, stdin=b, stdout=d); b.close(); d.close()
def feed():
    with open(source, "rb") as f: a.sendfile(f)
    a.shutdown(socket.SHUT_WR)
feeder = threading.Thread(target=feed); feeder.start()
received = memoryview(bytearray(1 << 22))
with open(target, "wb", buffering=0) as out:
    while n := c.recv_into(received): out.write(received[:n])
feeder.join(); sys.exit(run.wait())
PY
}
socket_quorvel() { through_sockets "$work/out-q.m2v" "$quorvel" - -; }
socket_cat() { through_sockets "$work/out-c.m2v" cat; }
timed() { sync; local t0; t0=$(now); "$@"; echo $(( $(now) - t0 )); }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# compare LABEL TARGET QUORVEL_RUN CAT_RUN: paired, alternating rounds.
compare() {
    local label=$1 target=$2 q c r ratios=() q_times=() c_times=()
    "$3"; "$4"  # warm-up
    for r in $(seq "$rounds"); do
        if (( r % 2 )); then
            q=$(timed "$3"); c=$(timed "$4")
        else
            c=$(timed "$4"); q=$(timed "$3")
        fi
        q_times+=("$q"); c_times+=("$c")
        ratios+=("$(awk -v q="$q" -v c="$c" 'BEGIN { printf "%.4f", q / c }')")
    done
    cmp -s "$work/out-q.m2v" "$work/want.m2v" || { echo "$label: the output differs"; exit 1; }
    awk -v b="$bytes" -v q="$(median "${q_times[@]}")" -v c="$(median "${c_times[@]}")" \
        -v r="$(median "${ratios[@]}")" -v l="$label" -v t="$target" 'BEGIN {
        printf "%s\n  quorvel: median %.3f s, %.0f MB/s\n", l, q / 1e9, b / (q / 1e9) / 1e6
        printf "  cat:     median %.3f s, %.0f MB/s\n", c / 1e9, b / (c / 1e9) / 1e6
        printf "  ratio quorvel/cat (median of pairs): %.3f (target <= %s)\n", r, t }'
}
"$quorvel" "$work/in.m2v" "$work/want.m2v" > /dev/null
echo "input: $bytes bytes; $rounds paired rounds"
compare "files: quorvel in out, cat in > out" 1.15 run_quorvel run_cat
compare "pipes: cat in | quorvel - - > out, cat in | cat > out" 1.2 pipe_quorvel pipe_cat
compare "socket pairs: quorvel - -, cat" 1.2 socket_quorvel socket_cat

if command -v hyperfine > /dev/null; then
    hyperfine -w 2 -r "$rounds" --prepare sync \
        "$quorvel $work/in.m2v $work/out-q.m2v" "cat $work/in.m2v > $work/out-c.m2v" 2>&1 |
        grep -E 'Benchmark|Time|Range|faster' || true
fi

if command -v valgrind > /dev/null; then
    head -c 100000000 "$work/in.m2v" > "$work/in100.m2v"
    ir=$(valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" \
            "$quorvel" "$work/in100.m2v" "$work/out100.m2v" 2>&1 >/dev/null |
         sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    awk -v ir="$ir" 'BEGIN { printf "instructions per input byte (callgrind, 100 MB): %.3f (target <= 0.5)\n", ir / 1e8 }'
fi

for input in in10.m2v in.m2v; do
    kb=$( { /usr/bin/time -f %M "$quorvel" "$work/$input" "$work/out-m.m2v" > /dev/null; } 2>&1 )
    echo "peak resident memory, $(( $(stat -c %s "$work/$input") / 1000000 )) MB input: $kb KiB (target <= 4096)"
done
