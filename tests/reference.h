// A compact whole-buffer reference of the insertion rule, written apart from
// the program's block-wise pass: the tests and the fuzz target compare the
// program with it.
#pragma once

#include <cstdint>
#include <vector>

namespace qt {

using bytes = std::vector<std::uint8_t>;

inline const bytes PLACEHOLDER = {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0E, 0x00, 0x80, 0x80,
                                  0x00, 0x80, 0x80, 0x00, 0x80, 0x80, 0x00, 0x80, 0x80};

struct reference_result {
    bool accepted = false;
    std::size_t headers = 0;  // sequence header and extension start code, copied as they are
    bytes output;
    std::uint64_t blocks = 0;
    std::uint64_t carried =
        0;  // pictures that would get a block but carry scan information already
};
// The insertion rule over a whole buffer.
reference_result reference_filter(const bytes& input);

}  // namespace qt
