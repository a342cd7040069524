// Text, with no system call: UTF-8 decoding, WTF-8 to and from UTF-16, and
// what names look like where they are compared and shown.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::text {

// The code point of the UTF-8 sequence at `at`, which moves past it, also a
// surrogate half (as WTF-8 holds one); -1 for a byte that starts no valid
// sequence, and `at` moves past that byte alone.
long next_code_point(const std::string& text, std::size_t& at);

// UTF-16 as WTF-8 and back, for Windows names: an unpaired surrogate, which
// NTFS names may hold, is kept as its own three bytes, so every name comes
// back whole and no two names become one.
std::string narrow(std::u16string_view wide);
std::u16string widen(const std::string& text);

// Only A to Z are folded; bytes above 0x7F are no letters here.
std::string lower_ascii(std::string name);

// What a terminal is shown of a name: '?' for each control character (C0,
// DEL, C1) and for each byte that is not part of valid UTF-8, so that a name
// cannot drive the terminal; valid UTF-8 as it is.
std::string shown_on_terminal(const std::string& name);

}  // namespace quorvel::text
