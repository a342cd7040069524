#include "stream_pass.h"

#include <cstring>

#include "../blockio/block_io.h"
#include "../files/files.h"

namespace quorvel {

scanner_state scanner;
std::int64_t blocks_embedded = 0;

namespace {

constexpr std::uint8_t SEQUENCE_HEADER_CODE[4] = {0x00, 0x00, 0x01, 0xB3};
constexpr std::uint8_t EXTENSION_START_CODE[4] = {0x00, 0x00, 0x01, 0xB5};

[[noreturn]] void reject() { fail("Input file is not an MPEG-2 video stream\n\n"); }

// Copies up to n input bytes, stopping early if the input ends; true if all n came.
bool copy_while_input(int n) {
    for (; n > 0; --n) {
        if (input_count == 0) return false;
        copy_byte();
    }
    return true;
}

static_assert(SCAN_INFO_LOOK <= INPUT_KEEP_MAX, "block I/O keeps all the bytes the look needs");

// Whether SVCD scan information user data already follows the extension
// that ends at input_pos. The bytes looked at stay unconsumed; more are read
// behind them when the look reaches the end of the block.
bool scan_info_follows() {
    std::size_t from = 0;
    for (;;) {
        const std::size_t held = static_cast<std::size_t>(input_count - input_pos);
        const look_answer answer = look_for_scan_info(input_buffer + input_pos, held, from);
        if (answer != look_answer::undecided) return answer == look_answer::found;
        if (!read_more_input()) return false;
    }
}

void insert_placeholder() {
    scanner.armed = false;
    // The picture coding extension is 5 bytes long, 7 when its
    // composite_display_flag (bit 0x40 of the fifth byte) is set. An input
    // that ends inside it gets its remaining bytes copied and no block.
    if (!copy_while_input(4) || input_count == 0) return;
    const int rest = (input_buffer[input_pos] & 0x40) ? 3 : 1;
    if (!copy_while_input(rest)) return;
    // A picture that already carries scan information (from the encoder, or
    // from an earlier run) gets no second block: the disc imager fills only
    // one of them.
    if (scan_info_follows()) return;
    for (const std::uint8_t b : SCAN_INFO_PLACEHOLDER) put_byte(b);
    ++blocks_embedded;
}

}  // namespace

void check_stream_header() {
    read_first_block();
    const std::int32_t n = input_count;
    // A short first block is fine as long as it holds both headers; no byte
    // past those read is looked at.
    if (n < 4 || std::memcmp(input_buffer, SEQUENCE_HEADER_CODE, 4) != 0) reject();
    std::int32_t p = 11;  // the byte with load_intra_quantiser_matrix in bit 0x02
    if (p >= n) reject();
    if (input_buffer[p] & 0x02) {
        p += 64;
        if (p >= n) reject();
    }
    if (input_buffer[p] & 0x01) p += 64;  // load_non_intra_quantiser_matrix
    p += 1;
    if (n - p < 4 || std::memcmp(input_buffer + p, EXTENSION_START_CODE, 4) != 0) reject();
    p += 4;
    std::memcpy(output_buffer, input_buffer, p);
    output_count = p;
    input_pos = p;
    scanner = scanner_state{};
    blocks_embedded = 0;
}

void run_body_pass() {
    // Output blocks smaller than the headers exist only in tests.
    if (output_count >= output_block_size) flush_output();
    // A short input may end with its headers.
    if (input_pos >= input_count) refill_input();
    while (input_count != 0) {
        const auto run = static_cast<std::int32_t>(
            scan_span(input_buffer + input_pos, input_count - input_pos, scanner));
        copy_bytes(run);
        if (scanner.scan_state == INSERT_HERE) {
            insert_placeholder();
            scanner.scan_state = NO_PREFIX;
        }
    }
}

}  // namespace quorvel
