#include "scanner.h"

#include <algorithm>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QUORVEL_X86_SIMD 1
#include <immintrin.h>
#else
#define QUORVEL_X86_SIMD 0
#endif

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

// The first position j in [from, size) with data[j] == key right after an
// 01 byte, or size. Only such a key can be a start code value; from > 0.
std::size_t find_key_after_01_bytewise(const std::uint8_t* data, std::size_t from, std::size_t size,
                                       std::uint8_t key) {
    for (std::size_t j = from; j < size; ++j) {
        const auto* hit = static_cast<const std::uint8_t*>(std::memchr(data + j, key, size - j));
        if (hit == nullptr) break;
        j = static_cast<std::size_t>(hit - data);
        if (data[j - 1] == 0x01) return j;
    }
    return size;
}

#if QUORVEL_X86_SIMD
__attribute__((target("avx2"))) inline __m256i load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The same, 64 bytes at a time: the pair 01 key is rare outside real start
// codes, so the loop seldom stops early.
__attribute__((target("avx2"))) std::size_t find_key_after_01_avx2(const std::uint8_t* data,
                                                                   std::size_t from,
                                                                   std::size_t size,
                                                                   std::uint8_t key) {
    const __m256i ones = _mm256_set1_epi8(0x01);
    const __m256i keys = _mm256_set1_epi8(static_cast<char>(key));
    std::size_t j = from;
    for (; size - j >= 64; j += 64) {
        const __m256i low = _mm256_and_si256(_mm256_cmpeq_epi8(load(data + j), keys),
                                             _mm256_cmpeq_epi8(load(data + j - 1), ones));
        const __m256i high = _mm256_and_si256(_mm256_cmpeq_epi8(load(data + j + 32), keys),
                                              _mm256_cmpeq_epi8(load(data + j + 31), ones));
        const __m256i any = _mm256_or_si256(low, high);
        if (!_mm256_testz_si256(any, any)) break;
    }
    return find_key_after_01_bytewise(data, j, size, key);
}
#endif

std::size_t find_key_after_01(const std::uint8_t* data, std::size_t from, std::size_t size,
                              std::uint8_t key) {
#if QUORVEL_X86_SIMD
    if (simd_scan_allowed) return find_key_after_01_avx2(data, from, size, key);
#endif
    return find_key_after_01_bytewise(data, from, size, key);
}

}  // namespace

#if QUORVEL_X86_SIMD
bool simd_scan_allowed = __builtin_cpu_supports("avx2");
#else
bool simd_scan_allowed = false;
#endif

std::size_t scan_span(const std::uint8_t* data, std::size_t size, scanner_state& s) {
    std::uint8_t state = s.scan_state;
    std::size_t i = 0;
    for (;;) {
        // Right after a start code prefix the table looks at one byte at a
        // time: the states from START_CODE_VALUE on, by their order.
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
        // extension) while armed, B3 (a sequence header) while not. The byte
        // at i is no value here (that would have been state START_CODE_VALUE),
        // so skip to the next such byte after an 01 and work out from the
        // bytes before it whether a whole prefix came first.
        const std::uint8_t key = s.armed ? 0xB5 : 0xB3;
        const std::size_t at = find_key_after_01(data, i + 1, size, key);
        state = state_before(data, i, at, state, s.armed);
        if (at == size) break;
        state = next_state(state, key, s.armed);
        i = at + 1;
    }
    s.scan_state = state;
    return size;
}

look_answer look_for_scan_info(const std::uint8_t* data, std::size_t size, std::size_t& from) {
    const std::size_t limit = std::min(size, SCAN_INFO_LOOK);
    const look_answer out_of_bytes =
        size >= SCAN_INFO_LOOK ? look_answer::absent : look_answer::undecided;
    // `from` walks forward to each start code prefix whose value byte is
    // here, and stays on one that needs more bytes, so a call with more
    // bytes goes on where this one stopped.
    std::size_t& q = from;
    for (;;) {
        while (q + 3 < limit && !(data[q] == 0x00 && data[q + 1] == 0x00 && data[q + 2] == 0x01))
            ++q;
        if (q + 3 >= limit) return out_of_bytes;
        const std::uint8_t value = data[q + 3];
        if (value == 0xB2) {  // user data: scan information if its tag and length follow
            if (q + 5 >= limit) return out_of_bytes;
            if (data[q + 4] == 0x10 && data[q + 5] == 0x0E) return look_answer::found;
        } else if (value != 0xB5) {  // neither user data nor an extension: the picture's data
            return look_answer::absent;
        }
        q += 4;
    }
}

}  // namespace quorvel
