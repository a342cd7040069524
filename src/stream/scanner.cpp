#include "scanner.h"

namespace quorvel {

std::size_t scan_span(const std::uint8_t* data, std::size_t size, scanner_state& s) {
    std::uint8_t state = s.scan_state;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        switch (state) {
            case NO_PREFIX:
                state = b == 0x00 ? ONE_ZERO : NO_PREFIX;
                break;
            case ONE_ZERO:
                state = b == 0x00 ? TWO_ZEROS : NO_PREFIX;
                break;
            case TWO_ZEROS:
                state = b == 0x01 ? START_CODE_VALUE : b == 0x00 ? TWO_ZEROS : NO_PREFIX;
                break;
            case START_CODE_VALUE:
                // A value byte never counts as the first zero of a new prefix.
                if (b == 0xB3) s.armed = true;
                state = (b == 0xB5 && s.armed) ? EXTENSION_ID : NO_PREFIX;
                break;
            case EXTENSION_ID:
                if ((b >> 4) == 0x8) {
                    s.scan_state = INSERT_HERE;
                    return i;
                }
                state = NO_PREFIX;
                break;
        }
    }
    s.scan_state = state;
    return size;
}

}  // namespace quorvel
