// The video stream pass: the check of the leading headers, then one forward
// pass that copies every byte and inserts a scan information placeholder
// after the first picture coding extension that follows each sequence header.
#pragma once

#include <cstdint>

#include "scanner.h"

namespace quorvel {

// SVCD scan information user data with four placeholder offsets, for a
// multiplexer to fill in. No two zero bytes follow its start code, so no
// start code can be read into it.
inline constexpr std::uint8_t SCAN_INFO_PLACEHOLDER[18] = {
    0x00, 0x00, 0x01, 0xB2,  // user data start code
    0x10, 0x0E,              // scan information tag, 14 bytes from the tag on
    0x00, 0x80, 0x80, 0x00, 0x80, 0x80, 0x00, 0x80, 0x80, 0x00, 0x80, 0x80,
};

extern scanner_state scanner;
extern std::int64_t blocks_embedded;

// Reads the first block and copies the sequence header and the sequence
// extension's start code to the output; ends the process if the input does
// not begin as an MPEG-2 video stream.
void check_stream_header();

// Copies the rest of the input, inserting the placeholders, until it ends.
void run_body_pass();

}  // namespace quorvel
