// Runs the real header check and body pass inside the test process, with
// input and output block sizes of the caller's choice.
#pragma once

#include "harness.h"

namespace qt {

struct pass_result {
    bool accepted = false;
    bytes output;
    std::uint64_t blocks = 0;
};

// The input named by its path, or, with by_descriptor, as /dev/fd/N for a
// descriptor the caller opened on it, which the run must leave open.
pass_result run_pass_in_process(const bytes& input, std::int32_t input_block,
                                std::int32_t output_block, const fs::path& dir,
                                bool by_descriptor = false);

}  // namespace qt
