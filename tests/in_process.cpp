#include "in_process.h"

#include <fcntl.h>
#include <unistd.h>

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
                                std::int32_t output_block, const fs::path& dir) {
    const fs::path in = dir / "in.m2v", out = dir / "out.m2v";
    write_file(in, input);
    fs::remove(out);
    quorvel::input_block_size = input_block;
    quorvel::output_block_size = output_block;
    quorvel::fail_instead_of_exit = throw_failure;
    const std::string args[] = {"quorvel", in.string(), out.string()};
    pass_result result;
    try {
        const messages_discarded quiet;
        result.accepted = quorvel::run(3, args) == 0;
    } catch (const run_failed&) {
        return result;  // rejected; fail() has closed the files
    }
    result.blocks = static_cast<std::uint64_t>(quorvel::blocks_embedded);
    result.output = read_file(out);
    return result;
}

}  // namespace qt
