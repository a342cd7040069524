#include "reference.h"

#include <algorithm>

namespace qt {

namespace {

// Whether SVCD scan information user data follows in[end...] among the
// extensions and user data before any other start code, all six of its bytes
// within the next 65,536 bytes.
bool carries_scan_info(const bytes& in, std::size_t end) {
    const bytes prefix = {0x00, 0x00, 0x01};
    const auto window_end =
        in.begin() + static_cast<std::ptrdiff_t>(std::min(in.size(), end + 65536));
    for (auto at = in.begin() + static_cast<std::ptrdiff_t>(end);;) {
        at = std::search(at, window_end, prefix.begin(), prefix.end());
        if (window_end - at < 4) return false;
        if (at[3] == 0xB2 && window_end - at >= 6 && at[4] == 0x10 && at[5] == 0x0E) return true;
        if (at[3] != 0xB2 && at[3] != 0xB5) return false;
        at += 4;
    }
}

}  // namespace

reference_result reference_filter(const bytes& in) {
    reference_result r;
    const std::size_t n = in.size();
    const bytes seq = {0x00, 0x00, 0x01, 0xB3}, ext = {0x00, 0x00, 0x01, 0xB5};
    if (n < 12 || !std::equal(seq.begin(), seq.end(), in.begin())) return r;
    std::size_t header = 12;
    if (in[11] & 0x02) {
        if (n < 76) return r;
        header = (in[75] & 0x01) ? 140 : 76;
    } else if (in[11] & 0x01) {
        header = 76;
    }
    if (n < header + 4 || !std::equal(ext.begin(), ext.end(), in.begin() + header)) return r;
    r.accepted = true;
    r.headers = header + 4;

    std::size_t i = header + 4, zeros = 0;  // zeros counted since the last start code
    bool armed = true;
    r.output.assign(in.begin(), in.begin() + i);
    while (i < n) {
        const std::uint8_t b = in[i];
        if (b == 0x01 && zeros >= 2 && i + 1 < n) {
            // A start code: its value byte never begins the next prefix.
            const std::uint8_t value = in[i + 1];
            r.output.push_back(b);
            r.output.push_back(value);
            i += 2;
            zeros = 0;
            if (value == 0xB3) armed = true;
            if (value != 0xB5 || !armed || i >= n) continue;
            if ((in[i] >> 4) != 0x8) {
                r.output.push_back(in[i++]);  // the identifier byte is no zero either
                continue;
            }
            const std::size_t length = (i + 4 < n && (in[i + 4] & 0x40)) ? 7 : 5;
            const std::size_t end = std::min(n, i + length);
            r.output.insert(r.output.end(), in.begin() + i, in.begin() + end);
            if (i + length <= n) {
                if (carries_scan_info(in, i + length)) {
                    ++r.carried;
                } else {
                    r.output.insert(r.output.end(), PLACEHOLDER.begin(), PLACEHOLDER.end());
                    ++r.blocks;
                }
            }
            armed = false;
            i = end;
            continue;
        }
        zeros = b == 0x00 ? zeros + 1 : 0;
        r.output.push_back(b);
        ++i;
    }
    return r;
}

}  // namespace qt
