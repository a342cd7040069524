#include "scanner.h"

#include <cstring>

namespace quorvel {

namespace {

// The scanner's state table, one byte at a time. A start code value and the
// byte after an extension start code always lead to NO_PREFIX, so neither
// counts as the first zero of a following prefix.
std::uint8_t next_state(std::uint8_t state, std::uint8_t b, bool& armed) {
    switch (state) {
        case NO_PREFIX:
            return b == 0x00 ? ONE_ZERO : NO_PREFIX;
        case ONE_ZERO:
            return b == 0x00 ? TWO_ZEROS : NO_PREFIX;
        case TWO_ZEROS:
            return b == 0x01 ? START_CODE_VALUE : b == 0x00 ? TWO_ZEROS : NO_PREFIX;
        case START_CODE_VALUE:
            if (b == 0xB3) armed = true;  // a sequence header
            return (b == 0xB5 && armed) ? EXTENSION_ID : NO_PREFIX;
        default:  // EXTENSION_ID: identifier 8 is a picture coding extension
            return (b >> 4) == 0x8 ? INSERT_HERE : NO_PREFIX;
    }
}

// The state before data[to], for a run data[from, to) entered in `state`
// (below EXTENSION_ID) that holds no byte which could change `armed` or reach
// EXTENSION_ID. In such a run a byte other than 00 and 01 always leaves
// NO_PREFIX and three zeros in a row always leave TWO_ZEROS, so the table is
// replayed only over the 00 and 01 bytes after the last such point.
std::uint8_t state_before(const std::uint8_t* data, std::size_t from, std::size_t to,
                          std::uint8_t state, bool& armed) {
    std::size_t start = from;
    for (std::size_t k = to; k > from; --k) {
        if (data[k - 1] > 0x01) {
            state = NO_PREFIX;
            start = k;
            break;
        }
        if (k >= from + 3 && data[k - 1] == 0x00 && data[k - 2] == 0x00 && data[k - 3] == 0x00) {
            state = TWO_ZEROS;
            start = k;
            break;
        }
    }
    for (std::size_t p = start; p < to; ++p) state = next_state(state, data[p], armed);
    return state;
}

}  // namespace

std::size_t scan_span(const std::uint8_t* data, std::size_t size, scanner_state& s) {
    std::uint8_t state = s.scan_state;
    std::size_t i = 0;
    for (;;) {
        // Right after a start code prefix the table looks at one byte at a time.
        while (i < size && state >= START_CODE_VALUE) {
            state = next_state(state, data[i], s.armed);
            if (state == INSERT_HERE) {
                s.scan_state = state;
                return i;
            }
            ++i;
        }
        if (i == size) break;
        // Otherwise only one start code value can change anything: B5 (an
        // extension) while armed, B3 (a sequence header) while not. Skip to
        // the next such byte and work out whether a prefix came before it.
        const std::uint8_t key = s.armed ? 0xB5 : 0xB3;
        const auto* hit = static_cast<const std::uint8_t*>(std::memchr(data + i, key, size - i));
        const std::size_t at = hit ? static_cast<std::size_t>(hit - data) : size;
        if (hit != nullptr && at > i && data[at - 1] > 0x01) {
            // The usual case: a plain byte before the key, no start code.
            state = NO_PREFIX;
            i = at + 1;
            continue;
        }
        state = state_before(data, i, at, state, s.armed);
        if (hit == nullptr) break;
        state = next_state(state, key, s.armed);
        i = at + 1;
    }
    s.scan_state = state;
    return size;
}

}  // namespace quorvel
