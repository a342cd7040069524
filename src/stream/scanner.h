// The start-code scanner: walks a span of bytes and carries its state
// (scanner_state) from one call to the next, so a start code split between
// two blocks is found like any other. Besides that state it reads only the
// switch for its vector path below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Scanner states, one per position in "00 00 01 value [identifier]": each
// names what the bytes before the next one were. scan_span relies on their
// order: from START_CODE_VALUE on, the next byte is read one at a time.
enum : std::uint8_t {
    NO_PREFIX = 0,         // no prefix byte seen
    ONE_ZERO = 1,          // one zero seen
    TWO_ZEROS = 2,         // two or more zeros seen
    START_CODE_VALUE = 3,  // 00 00 01 seen: the next byte is a start code value
    EXTENSION_ID = 4,      // an extension start code seen: the next byte holds its identifier
    INSERT_HERE = 5,       // the next byte starts a picture coding extension that wants a block
};

struct scanner_state {
    std::uint8_t scan_state = NO_PREFIX;
    bool armed = true;  // a sequence header has passed and no block has gone in since
};

// Walks data[0, size) from the given state and returns how many bytes pass
// through unchanged: size, or the index of a picture coding extension's
// first byte that wants a block (scan_state is then INSERT_HERE and that
// byte is not consumed).
std::size_t scan_span(const std::uint8_t* data, std::size_t size, scanner_state& state);

// How far past a picture coding extension the look for scan information goes.
inline constexpr std::size_t SCAN_INFO_LOOK = 0x10000;

enum class look_answer { found, absent, undecided };

// Looks at the bytes that follow a picture coding extension, data[0, size),
// for SVCD scan information user data (00 00 01 B2 10 0E, all six bytes
// within SCAN_INFO_LOOK) among the extensions and user data that come before
// any other start code. `undecided` means it ran out of bytes short of
// SCAN_INFO_LOOK: call again with the same `from` (0 at first) and the span
// grown, or take `absent` if the input has ended.
look_answer look_for_scan_info(const std::uint8_t* data, std::size_t size, std::size_t& from);

// For tests only: clearing this forces the portable scan where the processor
// has the vector instructions (AVX2) that the scanner uses by default.
extern bool simd_scan_allowed;

}  // namespace quorvel
