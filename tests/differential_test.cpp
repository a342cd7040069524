// The program against the whole-buffer reference on seeded random streams,
// up to three blocks long and rich in the bytes the scanner looks at.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "blockio/block_io.h"
#include "harness.h"
#include "in_process.h"
#include "stream/scanner.h"
#include "text/text.h"

using namespace qt;

namespace {

// Random pieces: start codes, near misses, extension bytes and noise.
bytes random_stream(std::uint32_t seed, std::size_t scale = BLOCK) {
    std::mt19937 rng(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    const int header_kind = static_cast<int>(pick(4));
    bytes s = sequence_header(header_kind & 1, header_kind & 2);
    append(s, {0x00, 0x00, 0x01, 0xB5});
    const std::size_t lengths[] = {
        50,       3000, scale - std::min<std::size_t>(scale, 40), scale + 200, 2 * scale + 5000,
        3 * scale};
    const std::size_t target = std::max(s.size(), lengths[pick(6)] + pick(64));
    const std::uint8_t alphabet[] = {0x00, 0x00, 0x00, 0x01, 0x01, 0xB3, 0xB5, 0x80,
                                     0x8F, 0x40, 0xC0, 0x7F, 0xFF, 0x90, 0xB2, 0x00};
    while (s.size() < target) {
        switch (pick(13)) {
            case 0:
                append(s, {0x00, 0x00, 0x01, 0xB3});
                break;
            case 1:
                append(s, {0x00, 0x00, 0x01, 0xB5, static_cast<std::uint8_t>(0x80 | pick(16))});
                break;
            case 2:
                append(s, picture_coding_extension(pick(2)));
                break;
            case 3:
                append(s, bytes(1 + pick(5), 0x00));
                break;
            case 8:
                append(s, bytes(pick(3 * scale / 2), 0x00));
                break;  // long zero runs
            case 9:
                append(s, {0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xB5, 0x8F});
                break;
            case 10:
                append(s, pick(2) ? PLACEHOLDER : ENCODER_SCAN_INFO);
                break;
            case 11:  // user data, scan information's near misses, a matrix extension
                append(s, {0x00, 0x00, 0x01, pick(3) ? std::uint8_t{0xB2} : std::uint8_t{0xB5},
                           static_cast<std::uint8_t>(pick(2) ? 0x10 : 0x30),
                           pick(2) ? std::uint8_t{0x0E} : std::uint8_t{0x0F}});
                break;
            case 12:  // user data long enough to reach the end of the look
                append(s, {0x00, 0x00, 0x01, 0xB2});
                for (std::size_t i = pick(scale / 3 + 1); i > 0; --i)
                    s.push_back(static_cast<std::uint8_t>(0x02 + pick(0xFD)));
                break;
            case 4:  // noise made of the interesting bytes
                for (std::size_t i = pick(40); i > 0; --i) s.push_back(alphabet[pick(16)]);
                break;
            default:  // plain coded data, long runs far from any start code
                for (std::size_t i = pick(target / 8 + 2); i > 0; --i)
                    s.push_back(static_cast<std::uint8_t>(0x02 + pick(0xFD)));
                break;
        }
    }
    s.resize(target);
    return s;
}

// A stream whose first read, of `block` bytes (more than half the input
// buffer), ends inside the look for scan information after a picture coding
// extension: the bytes kept for the look must move to the front of the
// buffer before the next read, and scan information may lie past the move.
bytes look_over_block_end(std::uint32_t seed, std::size_t block) {
    std::mt19937 rng(seed);
    bytes s = random_stream(seed, block);
    bytes picture = {0xFF, 0x00, 0x00, 0x01, 0xB3};  // after any state, a sequence header
    append(picture, picture_coding_extension(rng() % 2));
    s.resize(block - picture.size() - 1 - rng() % 2000, 0x5A);
    append(s, picture);
    append(s, {0x00, 0x00, 0x01, 0xB2, 0x20});  // other user data, running past the block
    for (std::size_t i = rng() % 70000; i > 0; --i)
        s.push_back(static_cast<std::uint8_t>(0x02 + rng() % 0xFD));
    if (rng() % 2) append(s, ENCODER_SCAN_INFO);
    append(s, random_stream(seed + 1, block));
    return s;
}

TEST(Differential, RandomStreamsMatchReference) {
    temp_dir dir;
    std::uint64_t total_blocks = 0, total_carried = 0;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const bytes in = random_stream(seed);
        const reference_result want = reference_filter(in);
        ASSERT_TRUE(want.accepted);
        write_file(dir / "in.m2v", in);
        const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path);
        ASSERT_EQ(r.out, summary(want.blocks, "out.m2v")) << "seed " << seed << r.err;
        ASSERT_EQ(r.status, 0);
        ASSERT_TRUE(read_file(dir / "out.m2v") == want.output) << "seed " << seed;
        total_blocks += want.blocks;
        total_carried += want.carried;
    }
    // The streams did exercise insertion, and pictures that carry scan information.
    EXPECT_GT(total_blocks, 300u);
    EXPECT_GT(total_carried, 50u);
}

}  // namespace

// The real pass in-process, with read and write sizes from 1 byte up, so that
// block boundaries fall everywhere; the vector and the portable scanner alike.
TEST(Differential, AnyBlockSizesMatchReference) {
    temp_dir dir;
    const auto open_descriptors = [] {
        int open = 0;
        for (int fd = 0; fd < 4096; ++fd) open += fcntl(fd, F_GETFD) != -1;
        return open;
    };
    const int open_before = open_descriptors();
    const bool simd = quorvel::simd_scan_allowed;
    std::uint64_t total_blocks = 0, total_carried = 0, far_carried = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        std::mt19937 rng(seed);
        // Every 75th seed reads in large blocks, over the end of which the
        // look goes; the others read in small ones.
        const bool far = seed % 75 == 0;
        const std::int32_t half_buffer = (quorvel::INPUT_KEEP_MAX + quorvel::BLOCK_SIZE) / 2;
        const auto input_block =
            static_cast<std::int32_t>(far ? half_buffer + 1 + rng() % (BLOCK - half_buffer)
                                          : 1 + rng() % (rng() % 2 ? 160 : 1000));
        const bytes in =
            far ? look_over_block_end(seed, input_block) : random_stream(seed, 1 + rng() % 700);
        const auto output_block = static_cast<std::int32_t>(1 + rng() % (rng() % 2 ? 40 : 1000));
        quorvel::simd_scan_allowed = simd && seed % 2 == 0;
        const reference_result want = reference_filter(in);
        const pass_result got =
            run_pass_in_process(in, input_block, output_block, dir.path, seed % 3 == 0);
        // The headers must arrive in the first read.
        const bool accepted =
            want.accepted && want.headers <= static_cast<std::size_t>(input_block);
        ASSERT_EQ(got.accepted, accepted) << "seed " << seed;
        if (!accepted) continue;
        ASSERT_EQ(got.blocks, want.blocks) << "seed " << seed;
        ASSERT_TRUE(got.output == want.output)
            << "seed " << seed << " blocks " << input_block << "/" << output_block;
        total_blocks += want.blocks;
        total_carried += want.carried;
        far_carried += far ? want.carried : 0;
    }
    quorvel::simd_scan_allowed = simd;
    EXPECT_EQ(open_descriptors(), open_before) << "runs left files open";
    EXPECT_GT(total_blocks, 1000u);
    EXPECT_GT(total_carried, 300u);
    EXPECT_GT(far_carried, 5u);  // scan information found past a move
}

// Windows names through WTF-8 and back: any UTF-16, unpaired surrogates too,
// comes back whole, so two names never become one.
TEST(Names, Utf16ThroughWtf8AndBack) {
    std::mt19937 rng(11);
    const char16_t units[] = {u'a',   0x7F,   0x80,   0x7FF,  0x800,  0xD7FF,
                              0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
    for (int i = 0; i < 20000; ++i) {
        std::u16string name(rng() % 6, u'\0');
        for (char16_t& c : name) c = units[rng() % std::size(units)];
        const std::string wtf8 = quorvel::text::narrow(name);
        ASSERT_EQ(quorvel::text::widen(wtf8), name) << "name " << i;
    }
    EXPECT_EQ(quorvel::text::narrow(u"\u00E9\u20AC\U0001F3AC\U0010FC00\U0010FFFF"),
              "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC\xF4\x8F\xB0\x80\xF4\x8F\xBF\xBF");
}
