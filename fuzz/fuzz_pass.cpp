// libFuzzer target: arbitrary bytes through the program's run sequence, with
// input and output block sizes taken from the data, compared with the
// whole-buffer reference of the insertion rule.
//
// The last four bytes choose the block sizes, so that any stream, such as the
// real-encoder fixtures, is a seed as it stands.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "blockio/block_io.h"
#include "cli/run.h"
#include "reference.h"
#include "stream/scanner.h"
#include "stream/stream_pass.h"

namespace {

std::filesystem::path work_dir;
// Whether the scanner chose its vector path, which exists only on some
// processors; read once the scanner is initialised.
bool simd_available = false;

struct rejected {};

// The run through the program's own sequence; false if it failed (the input
// was refused), with the output in `output`.
bool run_in_process(const qt::bytes& stream, qt::bytes& output) {
    const std::string in = (work_dir / "in.m2v").string(), out = (work_dir / "out.m2v").string();
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
    std::filesystem::remove(out);
    const std::string args[] = {"quorvel", in, out};
    try {
        if (quorvel::run(3, args) != 0) return false;
    } catch (const rejected&) {
        return false;
    }
    std::ifstream got(out, std::ios::binary);
    output.assign(std::istreambuf_iterator<char>(got), {});
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();  // the program's own messages
    quorvel::fail_instead_of_exit = [] { throw rejected{}; };
    simd_available = quorvel::simd_scan_allowed;
    const char* shm = "/dev/shm";
    std::string pattern = (std::filesystem::exists(shm) ? std::filesystem::path(shm)
                                                        : std::filesystem::temp_directory_path()) /
                          "quorvel-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    work_dir = pattern;
    std::atexit([] { std::filesystem::remove_all(work_dir); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint8_t* sizes = data + size - 4;
    // Mostly small blocks, so boundaries fall everywhere; sometimes larger.
    const auto pick = [](std::uint8_t low, std::uint8_t high) {
        const unsigned value = low | unsigned(high & 0x7F) << 8;
        return static_cast<std::int32_t>(1 + ((high & 0x80) ? value : value % 64));
    };
    quorvel::input_block_size = pick(sizes[0], sizes[1]);
    quorvel::output_block_size = pick(sizes[2], sizes[3]);
    const qt::bytes stream(data, data + size - 4);
    quorvel::simd_scan_allowed = !(sizes[0] & 1) && simd_available;

    const qt::reference_result want = qt::reference_filter(stream);
    qt::bytes output;
    const bool got = run_in_process(stream, output);
    const bool accepted =
        want.accepted && want.headers <= static_cast<std::size_t>(quorvel::input_block_size);
    const auto blocks = static_cast<std::uint64_t>(quorvel::blocks_embedded);
    if (got != accepted || (accepted && (blocks != want.blocks || output != want.output))) {
        std::fprintf(stderr, "mismatch: %zu bytes, blocks %d/%d, accepted %d/%d, count %llu/%llu\n",
                     stream.size(), quorvel::input_block_size, quorvel::output_block_size, got,
                     accepted, static_cast<unsigned long long>(blocks),
                     static_cast<unsigned long long>(want.blocks));
        __builtin_trap();
    }
    return 0;
}
