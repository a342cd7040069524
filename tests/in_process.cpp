#include "in_process.h"

#include "blockio/block_io.h"
#include "stream/stream_pass.h"

namespace qt {

namespace {

struct run_failed {};

[[noreturn]] void throw_failure() { throw run_failed{}; }

}  // namespace

pass_result run_pass_in_process(const bytes& input, std::int32_t input_block,
                                std::int32_t output_block, const fs::path& dir) {
    using namespace quorvel;
    const fs::path in = dir / "in.m2v", out = dir / "out.m2v";
    write_file(in, input);
    fs::remove(out);
    input_block_size = input_block;
    output_block_size = output_block;
    failure_hook = throw_failure;
    input_name = in.string();
    output_name = out.string();
    pass_result result;
    if (!open_input(in.string())) return result;
    try {
        check_stream_header();
    } catch (const run_failed&) {
        return result;  // rejected; fail() has closed the input
    }
    result.accepted = true;
    if (!open_output(out.string())) fail("Unable to open output file %s\n\n", output_name);
    run_body_pass();
    if (output_count != 0) flush_output();
    close_files();
    result.blocks = static_cast<std::uint64_t>(blocks_embedded);
    result.output = read_file(out);
    return result;
}

}  // namespace qt
