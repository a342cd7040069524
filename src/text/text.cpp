#include "text.h"

#include <cstdint>

namespace quorvel::text {

long next_code_point(const std::string& text, std::size_t& at) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned lead = byte(at);
    // The sequence's length, and the range of its second byte (the others
    // lie in 80 to BF): no overlong forms, nothing past U+10FFFF.
    int length = 0;
    unsigned low = 0x80, high = 0xBF;
    unsigned long code = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, low = lead == 0xE0 ? 0xA0 : 0x80;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        ++at;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned b = byte(at + i);
        if (b < (i == 1 ? low : 0x80u) || b > (i == 1 ? high : 0xBFu)) {
            ++at;
            return -1;
        }
        code = code << 6 | (b & 0x3F);
    }
    at += length;
    return static_cast<long>(code);
}

namespace {

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    constexpr unsigned LEAD[] = {0, 0, 0xC0, 0xE0, 0xF0};
    const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    out += static_cast<char>(LEAD[length] | (c >> (6 * (length - 1))));
    for (int i = length - 2; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
}

}  // namespace

std::string narrow(std::u16string_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::uint32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00u);
        append_utf8(out, c);
    }
    return out;
}

std::u16string widen(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size();) {
        long c = next_code_point(text, at);
        if (c < 0) c = 0xFFFD;
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        wide += static_cast<char16_t>(c);
    }
    return wide;
}

std::string lower_ascii(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

std::string shown_on_terminal(const std::string& name) {
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t from = at;
        const long c = next_code_point(name, at);
        const bool valid = c >= 0 && !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid)
            shown.append(at - from, '?');
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            shown += '?';
        else
            shown.append(name, from, at - from);
    }
    return shown;
}

}  // namespace quorvel::text
