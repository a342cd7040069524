// Real streams from real encoders through Quorvel, a decoder, a multiplexer
// and a disc imager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "harness.h"

using namespace qt;

namespace {

// Motion video, for the whole chain. mplex crashes on a stream of a single
// picture, filtered or not, so the still goes only through the decoder.
const char* const MOTION_FIXTURES[] = {
    "ffmpeg-pal-progressive.m2v",     "ffmpeg-ntsc-interlaced.m2v",
    "ffmpeg-one-sequence-header.m2v", "ffmpeg-intra-matrix.m2v",
    "ffmpeg-non-intra-matrix.m2v",    "mpeg2enc-pal-interlaced-matrices.m2v",
    "mpeg2enc-ntsc-progressive.m2v",  "edited-composite-display.m2v",
};
const char* const STILL_FIXTURE = "ffmpeg-still.m2v";

const bytes START_CODE = {0x00, 0x00, 0x01};
const bytes SCAN_INFO_TAG = {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0E};

std::vector<std::size_t> find_all(const bytes& data, const bytes& what) {
    std::vector<std::size_t> at;
    for (auto it = data.begin(); (it = std::search(it, data.end(), what.begin(), what.end())) != data.end(); ++it)
        at.push_back(static_cast<std::size_t>(it - data.begin()));
    return at;
}

// Sequence headers that a picture coding extension follows before the next
// sequence header, counted over the list of start codes.
std::uint64_t headers_with_picture(const bytes& s) {
    std::uint64_t count = 0;
    bool pending = false;
    for (const std::size_t at : find_all(s, START_CODE)) {
        if (at + 4 >= s.size()) break;
        if (s[at + 3] == 0xB3) pending = true;
        if (s[at + 3] == 0xB5 && (s[at + 4] >> 4) == 8 && pending) {
            ++count;
            pending = false;
        }
    }
    return count;
}

// A picture coding extension (5 bytes, 7 with composite_display_flag) ends at `end`.
bool extension_ends_at(const bytes& s, std::size_t end) {
    for (const std::size_t length : {5u, 7u}) {
        if (end < length + 4) continue;
        const std::size_t at = end - length - 4;
        if (std::equal(START_CODE.begin(), START_CODE.end(), s.begin() + at) && s[at + 3] == 0xB5 &&
            (s[at + 4] >> 4) == 8 && bool(s[at + 8] & 0x40) == (length == 7))
            return true;
    }
    return false;
}

std::string need(std::initializer_list<const char*> programs) {
    std::string missing;
    for (const char* p : programs)
        if (!have_program(p)) missing += std::string(" ") + p;
    return missing;
}

std::string blocks_printed(const std::string& out) {
    const std::string key = "Embedded ";
    const auto at = out.find(key);
    return at == std::string::npos ? "" : out.substr(at + key.size(), out.find(' ', at + key.size()) - at - key.size());
}

// Multiplexes with an MP2 track and makes an SVCD image; returns vcdimager's
// messages and the video stream ripped back out of the image.
std::pair<std::string, bytes> through_disc_imager(const fs::path& dir, const std::string& video) {
    const std::string stem = fs::path(video).stem().string();
    const auto step = [&](const std::vector<std::string>& command, const fs::path& cwd) {
        const auto r = run_command(command, cwd);
        EXPECT_EQ(r.status, 0) << command.front() << ": " << r.out << r.err;
        return r;
    };
    step({"mplex", "-v", "0", "-f", "4", "-o", stem + ".mpg", video, "audio.mp2"}, dir);
    const auto imager = step({"vcdimager", "-t", "svcd", "--update-scan-offsets", "-c", stem + ".cue",
                              "-b", stem + ".bin", stem + ".mpg"},
                              dir);
    fs::create_directory(dir / (stem + "-rip"));
    step({"vcdxrip", "-b", "../" + stem + ".bin"}, dir / (stem + "-rip"));
    step({"ffmpeg", "-v", "error", "-y", "-i", stem + "-rip/avseq01.mpg", "-map", "0:v", "-c", "copy",
          "-f", "mpeg2video", stem + "-ripped.m2v"},
         dir);
    return {imager.out + imager.err, read_file(dir / (stem + "-ripped.m2v"))};
}

class RealStream : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const std::string missing = need({"ffmpeg", "mplex", "vcdimager", "vcdxrip"});
        if (!missing.empty()) {
            const std::string why = "missing" + missing +
                                    ": install the Debian packages ffmpeg, mjpegtools and vcdimager";
            // CI installs them and must never skip.
            if (std::getenv("QUORVEL_REQUIRE_TOOLS")) FAIL() << why;
            GTEST_SKIP() << why;
        }
        input = read_file(fs::path(QUORVEL_FIXTURES) / GetParam());
        ASSERT_FALSE(input.empty());
        write_file(dir / "in.m2v", input);
        const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path);
        ASSERT_EQ(r.status, 0) << r.out;
        printed = blocks_printed(r.out);
        output = read_file(dir / "out.m2v");
    }

    temp_dir dir;
    bytes input, output;
    std::string printed;
};

TEST_P(RealStream, DecodesToTheSameFrames) {
    const auto before = run_command({"ffmpeg", "-v", "error", "-i", "in.m2v", "-f", "framemd5", "-"}, dir.path);
    const auto after = run_command({"ffmpeg", "-v", "error", "-i", "out.m2v", "-f", "framemd5", "-"}, dir.path);
    ASSERT_EQ(before.status, 0) << before.err;
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_GT(std::count(before.out.begin(), before.out.end(), '\n'), 8);
    EXPECT_EQ(before.out, after.out);
    EXPECT_EQ(after.err, "");
}

TEST_P(RealStream, OneBlockAfterEachHeadersFirstExtension) {
    const std::uint64_t expected = headers_with_picture(input);
    EXPECT_GE(expected, 1u);
    EXPECT_EQ(printed, std::to_string(expected));
    const auto blocks = find_all(output, PLACEHOLDER);
    EXPECT_EQ(blocks.size(), expected);
    // Taking the blocks out again gives the input back, and each one sat
    // right after a picture coding extension.
    bytes stripped;
    std::size_t from = 0;
    for (const std::size_t at : blocks) {
        EXPECT_TRUE(extension_ends_at(output, at)) << "block at " << at;
        stripped.insert(stripped.end(), output.begin() + from, output.begin() + at);
        from = at + PLACEHOLDER.size();
    }
    stripped.insert(stripped.end(), output.begin() + from, output.end());
    EXPECT_TRUE(stripped == input);
}

class RealMotionStream : public RealStream {};

TEST_P(RealMotionStream, DiscImagerFillsEveryBlock) {
    const auto audio = run_command({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
                                    "-t", "2", "-ac", "2", "-c:a", "mp2", "-b:a", "224k", "audio.mp2"},
                                   dir.path);
    ASSERT_EQ(audio.status, 0) << audio.err;
    const std::string no_scan_info = "contained no scan information";

    const auto [plain_log, plain_video] = through_disc_imager(dir.path, "in.m2v");
    EXPECT_NE(plain_log.find(no_scan_info), std::string::npos) << plain_log;
    EXPECT_TRUE(find_all(plain_video, SCAN_INFO_TAG).empty());

    const auto [log, video] = through_disc_imager(dir.path, "out.m2v");
    EXPECT_EQ(log.find(no_scan_info), std::string::npos) << log;
    const auto blocks = find_all(video, SCAN_INFO_TAG);
    EXPECT_EQ(std::to_string(blocks.size()), printed);
    std::size_t filled = 0;
    for (const std::size_t at : blocks) {
        const bytes fields(video.begin() + at + 6, video.begin() + at + 18);
        if (fields != bytes(PLACEHOLDER.begin() + 6, PLACEHOLDER.end())) ++filled;
    }
    EXPECT_EQ(filled, blocks.size());
    std::printf("[ interop  ] %s: Quorvel embedded %s, vcdimager filled %zu\n", GetParam(), printed.c_str(), filled);
}

std::string fixture_name(const testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    name = name.substr(0, name.find('.'));
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Motion, RealStream, testing::ValuesIn(MOTION_FIXTURES), fixture_name);
INSTANTIATE_TEST_SUITE_P(Still, RealStream, testing::Values(STILL_FIXTURE), fixture_name);
INSTANTIATE_TEST_SUITE_P(Motion, RealMotionStream, testing::ValuesIn(MOTION_FIXTURES), fixture_name);

}  // namespace
