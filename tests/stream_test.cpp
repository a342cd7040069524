// Byte-exact stream behaviour through the program: header lengths,
// extension lengths, block boundaries and the end of the input.
#include <gtest/gtest.h>

#include "harness.h"

using namespace qt;

namespace {

// Runs the program on the input and checks output and count against the
// reference; returns the reference's count.
std::uint64_t expect_filtered(const bytes& in) {
    const reference_result want = reference_filter(in);
    EXPECT_TRUE(want.accepted);
    temp_dir dir;
    write_file(dir / "in.m2v", in);
    const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, summary(want.blocks, "out.m2v"));
    const bytes got = read_file(dir / "out.m2v");
    EXPECT_EQ(got.size(), want.output.size());
    EXPECT_TRUE(got == want.output) << "output differs from the reference";
    return want.blocks;
}

// Appends coded data (a slice) so that the stream is exactly size bytes long.
void pad_to(bytes& s, std::size_t size, std::uint32_t seed) {
    ASSERT_GE(size, s.size() + 4);
    append(s, slice(size - s.size() - 4, seed));
}

bytes stream_with_header(const bytes& header, bool composite = false) {
    bytes s = header;
    append(s, sequence_extension());
    append(s, gop_header());
    append(s, picture_header());
    append(s, picture_coding_extension(composite));
    append(s, slice(300, 1));
    return s;
}

// The worked example, written out by hand: it pins the reference itself.
TEST(Stream, WorkedExampleByHand) {
    const bytes pce = picture_coding_extension();
    bytes in = sequence_header(), want;
    append(in, sequence_extension());
    append(in, gop_header());
    append(in, picture_header());
    append(in, pce);
    want = in;
    append(want, PLACEHOLDER);
    bytes rest = slice(100, 2);
    append(rest, picture_header());
    append(rest, pce);  // no sequence header since the last block: no block
    append(rest, slice(100, 3));
    append(in, rest);
    append(want, rest);
    EXPECT_EQ(reference_filter(in).output, want);
    EXPECT_EQ(expect_filtered(in), 1u);
}

struct header_case {
    const char* name;
    bytes header;
    std::size_t length;
};

bytes intra_with_stray_bit() {
    // Byte 11's non-intra bit is not looked at when the intra flag is set:
    // the flag then sits in byte 75, here clear.
    bytes h = sequence_header(true);
    h[11] |= 0x01;
    return h;
}

class HeaderLength : public testing::TestWithParam<header_case> {};

TEST_P(HeaderLength, ExtensionExpectedRightAfter) {
    ASSERT_EQ(GetParam().header.size(), GetParam().length);
    EXPECT_EQ(expect_filtered(stream_with_header(GetParam().header)), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, HeaderLength,
    testing::Values(header_case{"None", sequence_header(), 12},
                    header_case{"IntraOnly", sequence_header(true, false), 76},
                    header_case{"NonIntraOnly", sequence_header(false, true), 76},
                    header_case{"Both", sequence_header(true, true), 140},
                    header_case{"IntraWithStrayBitInByte11", intra_with_stray_bit(), 76}),
    case_name);

TEST(Stream, CompositeDisplayExtensionGetsBlockAfterSeventhByte) {
    const bytes in = stream_with_header(sequence_header(), true);
    const std::size_t ext = in.size() - 304 - 11;  // where the picture coding extension starts
    const bytes out = reference_filter(in).output;
    EXPECT_EQ(bytes(out.begin() + ext + 11, out.begin() + ext + 29), PLACEHOLDER);
    EXPECT_EQ(expect_filtered(in), 1u);
}

TEST(Stream, ExtraSequenceHeadersAndOtherExtensions) {
    bytes s = sequence_header();
    append(s, sequence_extension());
    append(s, sequence_header());  // a second header before any picture: still one block
    append(s, {0x00, 0x00, 0x01, 0xB5, 0x23, 0x05, 0x05});  // sequence display extension
    append(s, picture_header());
    // 00 as a start code value is no zero of the next prefix: no extension here.
    append(s, {0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xB5, 0x8F, 0x12});
    append(s, {0x00, 0x00, 0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80});  // long prefix
    append(s, {0xB3, 0x10});  // a lone B3 arms nothing
    append(s, sequence_header());
    append(s, sequence_extension());
    append(s, picture_header());
    append(s, {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xB3, 0xB3, 0xB3, 0x80});  // B3 inside the extension
    append(s, picture_header());
    append(s, picture_coding_extension());  // the B3 bytes above armed nothing
    append(s, {0x00, 0x00, 0x01, 0xB3});    // a sequence header at the very end
    EXPECT_EQ(expect_filtered(s), 2u);
}

// A sequence header and a picture coding extension, start codes included,
// placed so that a block boundary falls at every offset inside them.
class InputBoundary : public testing::TestWithParam<std::size_t> {};

TEST_P(InputBoundary, SplitAnywhereIsFound) {
    const std::size_t before = GetParam();  // pattern bytes before the boundary
    for (const bool composite : {false, true}) {
        bytes s = make_stream(1, 1, 0, 5);
        pad_to(s, BLOCK - before, 9);
        append(s, sequence_header());
        append(s, picture_coding_extension(composite));
        append(s, slice(2000, 11));
        EXPECT_EQ(expect_filtered(s), 2u) << "split " << before << " composite " << composite;
    }
}

// Names say how many bytes of the split pattern (or of the inserted block)
// come before the boundary.
const auto bytes_before = [](const auto& info) { return "Before" + std::to_string(info.param); };

INSTANTIATE_TEST_SUITE_P(EveryOffset, InputBoundary, testing::Range<std::size_t>(1, 24),
                         bytes_before);

// The inserted block straddles the first output block boundary.
class OutputBoundary : public testing::TestWithParam<std::size_t> {};

TEST_P(OutputBoundary, BlockSplitAcrossWrites) {
    bytes s = make_stream(1, 1, 0, 5);  // one block inserted early: output runs 18 ahead
    // The extension ends at input offset BLOCK - 18 - k, so its block starts
    // k bytes before the end of the first output block.
    pad_to(s, BLOCK - 18 - GetParam() - 9 - 12, 4);
    append(s, sequence_header());
    append(s, picture_coding_extension());
    append(s, slice(1000, 6));
    EXPECT_EQ(expect_filtered(s), 2u);
}

INSTANTIATE_TEST_SUITE_P(EveryOffset, OutputBoundary, testing::Range<std::size_t>(0, 19),
                         bytes_before);

// Exact multiples of the block size, in input and in output, and short inputs.
TEST(Stream, LengthsAtBlockMultiples) {
    for (const std::size_t total : {BLOCK, 2 * BLOCK}) {
        bytes s = make_stream(1, 1, 0, 5);
        pad_to(s, total, 8);
        ASSERT_EQ(s.size(), total);
        EXPECT_EQ(expect_filtered(s), 1u);
        s.resize(total - 18);  // output of exactly total bytes
        EXPECT_EQ(expect_filtered(s), 1u);
    }
}

TEST(Stream, ShortInputs) {
    bytes headers = sequence_header();
    append(headers, {0x00, 0x00, 0x01, 0xB5});
    EXPECT_EQ(expect_filtered(headers), 0u);                   // nothing past the headers
    EXPECT_EQ(expect_filtered(make_stream(1, 1, 20, 3)), 1u);  // a still picture
    EXPECT_EQ(expect_filtered(make_stream(40, 12, 3000, 3)), 4u);
}

// The input ends inside a picture coding extension: its bytes are copied and
// no block follows.
TEST(Stream, EndingInsideExtension) {
    for (const bool composite : {false, true}) {
        const bytes pce = picture_coding_extension(composite);
        for (std::size_t keep = 3; keep < pce.size(); ++keep) {
            bytes s = sequence_header();
            append(s, sequence_extension());
            append(s, picture_header());
            append(s, bytes(pce.begin(), pce.begin() + keep));
            EXPECT_EQ(expect_filtered(s), 0u) << keep;
            EXPECT_EQ(reference_filter(s).output, s);
        }
    }
}

TEST(Stream, EndingInsideExtensionAcrossBlocks) {
    bytes s = make_stream(1, 1, 0, 5);
    pad_to(s, BLOCK - 18, 2);
    append(s, sequence_header());
    append(s, {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41});  // 2 bytes past the boundary
    EXPECT_EQ(expect_filtered(s), 1u);
    EXPECT_EQ(reference_filter(s).output.size(), s.size() + 18);
}

// What follows a picture's coding extension decides whether it already
// carries scan information, and so gets no block of its own.
struct follow_case {
    const char* name;
    bytes follow;     // the bytes right after the picture coding extension
    bool ends_there;  // the input ends with them; otherwise the picture's slice follows
    std::uint64_t blocks;
};

const bytes MATRIX_EXTENSION = {0x00, 0x00, 0x01, 0xB5, 0x3F, 0x12, 0x34, 0x56, 0x78};
const bytes OTHER_USER_DATA = {0x00, 0x00, 0x01, 0xB2, 0x43, 0x43, 0x00, 0x01, 0x10, 0x0E};

bytes concat(std::initializer_list<bytes> parts) {
    bytes all;
    for (const bytes& part : parts) append(all, part);
    return all;
}

// User data, then a scan information block whose six start code and tag
// bytes (00 00 01 B2 10 0E) end `end` bytes after the extension.
bytes scan_info_tag_ending_at(std::size_t end) {
    bytes filler = {0x00, 0x00, 0x01, 0xB2};
    filler.resize(end - 6, 0x55);
    return concat({filler, PLACEHOLDER});
}

class FollowingExtension : public testing::TestWithParam<follow_case> {};

TEST_P(FollowingExtension, DecidesTheBlock) {
    const follow_case& c = GetParam();
    // The extension ends early in the first block, then 3 bytes before its
    // end, so that the look reads on into the next one.
    for (const std::size_t at : {std::size_t{0}, BLOCK - 3}) {
        bytes s = make_stream(1, 1, 0, 5);
        s.resize(s.size() - 4);  // the headers of one picture, up to its coding extension
        if (at != 0) {
            bytes tail = bytes(
                s.begin() + static_cast<std::ptrdiff_t>(sequence_header().size() + 4), s.end());
            s.resize(sequence_header().size() + 4);
            pad_to(s, at - tail.size(), 7);
            append(s, tail);
            ASSERT_EQ(s.size(), at);
        }
        append(s, c.follow);
        if (!c.ends_there) append(s, slice(500, 8));
        EXPECT_EQ(expect_filtered(s), c.blocks) << "extension ending at " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ScanInformation, FollowingExtension,
    testing::Values(
        follow_case{"RightAfter", PLACEHOLDER, false, 0},
        follow_case{"FromAnEncoder", ENCODER_SCAN_INFO, false, 0},
        follow_case{"AfterMatrixExtension", concat({MATRIX_EXTENSION, PLACEHOLDER}), false, 0},
        follow_case{"AfterOtherUserData", concat({OTHER_USER_DATA, ENCODER_SCAN_INFO}), false, 0},
        follow_case{"AfterZeroStuffing", concat({bytes(7, 0x00), PLACEHOLDER}), false, 0},
        follow_case{"OtherUserDataOnly", concat({MATRIX_EXTENSION, OTHER_USER_DATA}), false, 1},
        follow_case{"TagWithOtherLength", {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0F, 0x00}, false, 1},
        follow_case{"AfterTheFirstSlice", concat({slice(40, 3), PLACEHOLDER}), false, 1},
        follow_case{"TagEndsAtTheLastByteLooked", scan_info_tag_ending_at(65536), false, 0},
        follow_case{"TagEndsOneBytePast", scan_info_tag_ending_at(65537), false, 1},
        follow_case{"InputEndsInsideTheTag", {0x00, 0x00, 0x01, 0xB2, 0x10}, true, 1},
        follow_case{"InputEndsRightAfterTheTag", {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0E}, true, 0},
        follow_case{
            "InputEndsInsideUserData", {0x00, 0x00, 0x01, 0xB2, 0x33, 0x00, 0x00}, true, 1}),
    case_name);

// Zeros are where the scanner's shortcuts must still count exactly.
TEST(Stream, LongZeroRuns) {
    bytes headers = sequence_header();
    append(headers, {0x00, 0x00, 0x01, 0xB5});
    bytes zeros_only = headers;
    append(zeros_only, bytes(BLOCK + BLOCK / 2, 0x00));
    EXPECT_EQ(expect_filtered(zeros_only), 0u);
    for (const std::size_t run : {BLOCK - 16 - 2, BLOCK - 16 - 1, BLOCK - 16, BLOCK + 5}) {
        bytes s = headers;
        append(s, bytes(run, 0x00));  // the prefix's zeros end near or across the boundary
        append(s, {0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80, 0x00, 0x00, 0x00, 0x01, 0x01, 0x33});
        EXPECT_EQ(expect_filtered(s), 1u) << run;
    }
}

TEST(Stream, BundledSample) {
    temp_dir dir;
    const bytes in = read_file(QUORVEL_SAMPLE);
    ASSERT_GT(in.size(), 100000u);
    const auto r = run_quorvel({QUORVEL_SAMPLE, "out.m2v"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, summary(7, "out.m2v"));
    EXPECT_EQ(read_file(dir / "out.m2v"), reference_filter(in).output);
    EXPECT_EQ(read_file(dir / "out.m2v").size(), in.size() + 7 * 18);
}

}  // namespace
