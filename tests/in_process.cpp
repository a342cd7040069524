#include "in_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "blockio/block_io.h"
#include "cli/run.h"
#include "stream/stream_pass.h"

namespace qt {

namespace {

struct run_failed {};

[[noreturn]] void throw_failure() { throw run_failed{}; }

// The run's messages go to /dev/null meanwhile, not into the test's output.
struct messages_discarded {
    int saved = dup(1);
    messages_discarded() {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~messages_discarded() {
        dup2(saved, 1);
        close(saved);
    }
};

}  // namespace

pass_result run_pass_in_process(const bytes& input, std::int32_t input_block,
                                std::int32_t output_block, const fs::path& dir,
                                bool by_descriptor) {
    const fs::path in = dir / "in.m2v", out = dir / "out.m2v";
    write_file(in, input);
    fs::remove(out);
    quorvel::input_block_size = input_block;
    quorvel::output_block_size = output_block;
    quorvel::fail_instead_of_exit = throw_failure;
    const int given = by_descriptor ? open(in.c_str(), O_RDONLY) : -1;
    const std::string input_name = given >= 0 ? "/dev/fd/" + std::to_string(given) : in.string();
    const std::string args[] = {"quorvel", input_name, out.string()};
    pass_result result;
    try {
        const messages_discarded quiet;
        result.accepted = quorvel::run(3, args) == 0;
    } catch (const run_failed&) {
        result.accepted = false;  // rejected; fail() has closed the files
    }
    // The run reads a copy of the descriptor it is given, and closes only that.
    if (by_descriptor) {
        EXPECT_EQ(close(given), 0) << "the run closed " << input_name;
    }
    if (!result.accepted) return result;
    result.blocks = static_cast<std::uint64_t>(quorvel::blocks_embedded);
    result.output = read_file(out);
    return result;
}

}  // namespace qt
