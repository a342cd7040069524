// Block-buffered input and output: an input buffer of a 256 KiB block and the
// 64 KiB a look past its end may keep, an output buffer of one block; one read
// request per input block and one write per full output block, and the
// messages of a failed read or write.
#pragma once

#include <cstdint>

namespace quorvel {

inline constexpr std::int32_t BLOCK_SIZE = 0x40000;
// Input bytes not yet consumed that read_more_input() may keep in front of a
// whole read: a reader looking past the end of a block holds on to them.
inline constexpr std::int32_t INPUT_KEEP_MAX = 0x10000;

// The I/O state of the run: one instance each, shared with the stream pass.
extern std::uint8_t input_buffer[INPUT_KEEP_MAX + BLOCK_SIZE];
extern std::int32_t input_count;  // valid bytes in input_buffer; 0 once the input has ended
extern std::int32_t input_pos;    // next byte not yet consumed
extern std::uint8_t output_buffer[BLOCK_SIZE];
extern std::int32_t output_count;  // bytes waiting, below output_block_size between calls

// Seams for tests and the fuzz target, which run the whole sequence
// in-process: the size of a read request and of a full output block,
// BLOCK_SIZE in the program, made small to force block boundaries
// everywhere.
extern std::int32_t input_block_size;
extern std::int32_t output_block_size;

// Reading and writing go through the run's two open files (input_file and
// output_file, files.h); a failure ends the run with its message.

// Reads until the block is full or the input ends; the header check's read.
void read_first_block();
void refill_input();  // called when every byte held has been consumed
// Reads one more request after the bytes not yet consumed (at most
// INPUT_KEEP_MAX of them), which may move to the front of the buffer first;
// false, with nothing changed, at the end of the input.
bool read_more_input();
void flush_output();
void copy_byte();
void put_byte(std::uint8_t value);
// Moves the next n input bytes (n at most what the block holds) to the output.
void copy_bytes(std::int32_t n);

}  // namespace quorvel
