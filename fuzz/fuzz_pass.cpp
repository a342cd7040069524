// libFuzzer target: arbitrary bytes through the real header check and body
// pass, with input and output block sizes taken from the data, compared with
// the whole-buffer reference of the insertion rule.
//
// The last four bytes choose the block sizes, so that any stream, such as the
// real-encoder fixtures, is a seed as it stands.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "../tests/in_process.h"
#include "stream/scanner.h"

namespace {

std::filesystem::path work_dir;
// Whether the scanner chose its vector path, which exists only on some
// processors; read once the scanner is initialised.
bool simd_available = false;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();  // the program's own messages
    simd_available = quorvel::scanner_simd;
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
    const std::int32_t input_block = pick(sizes[0], sizes[1]);
    const std::int32_t output_block = pick(sizes[2], sizes[3]);
    const qt::bytes stream(data, data + size - 4);
    quorvel::scanner_simd = !(sizes[0] & 1) && simd_available;

    const qt::reference_result want = qt::reference_filter(stream);
    const qt::pass_result got =
        qt::run_pass_in_process(stream, input_block, output_block, work_dir);
    const bool accepted = want.accepted && want.headers <= static_cast<std::size_t>(input_block);
    if (got.accepted != accepted ||
        (accepted && (got.blocks != want.blocks || got.output != want.output))) {
        std::fprintf(stderr, "mismatch: %zu bytes, blocks %d/%d, accepted %d/%d, count %llu/%llu\n",
                     stream.size(), input_block, output_block, got.accepted, accepted,
                     static_cast<unsigned long long>(got.blocks),
                     static_cast<unsigned long long>(want.blocks));
        __builtin_trap();
    }
    return 0;
}
