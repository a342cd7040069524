// Real streams from real encoders through Quorvel, a decoder, a multiplexer
// and a disc imager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

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
    "mpeg2enc-pal-scan-info.m2v",     "ffmpeg-scan-offset.m2v",
};
const char* const STILL_FIXTURE = "ffmpeg-still.m2v";
// Streams whose encoder wrote scan information into every sequence itself.
const char* const CARRYING_FIXTURES[] = {"mpeg2enc-pal-scan-info.m2v", "ffmpeg-scan-offset.m2v"};

const bytes START_CODE = {0x00, 0x00, 0x01};
const bytes SEQUENCE_END = {0x00, 0x00, 0x01, 0xB7};
const bytes SCAN_INFO_TAG = {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0E};

std::vector<std::size_t> find_all(const bytes& data, const bytes& what) {
    std::vector<std::size_t> at;
    for (auto it = data.begin();
         (it = std::search(it, data.end(), what.begin(), what.end())) != data.end(); ++it)
        at.push_back(static_cast<std::size_t>(it - data.begin()));
    return at;
}

// For each picture coding extension, walking the list of start codes: whether
// it is the first after a sequence header, and how many scan information
// blocks follow it among its extensions and user data.
struct picture_info {
    bool first_in_sequence = false;
    int scan_info = 0;
};

std::vector<picture_info> pictures(const bytes& s) {
    std::vector<picture_info> found;
    bool pending = false, in_picture_headers = false;
    for (const std::size_t at : find_all(s, START_CODE)) {
        if (at + 5 >= s.size()) break;
        const std::uint8_t value = s[at + 3];
        if (value == 0xB5 && (s[at + 4] >> 4) == 8) {
            found.push_back({pending, 0});
            pending = false;
            in_picture_headers = true;
        } else if (value == 0xB2 && in_picture_headers) {
            found.back().scan_info += s[at + 4] == 0x10 && s[at + 5] == 0x0E;
        } else if (value != 0xB5) {
            in_picture_headers = false;
            pending = pending || value == 0xB3;
        }
    }
    return found;
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

// The Debian packages of the programs that are missing, for the skip message.
std::string missing_packages() {
    const std::pair<const char*, const char*> tools[] = {{"ffmpeg", "ffmpeg"},
                                                         {"mplex", "mjpegtools"},
                                                         {"vcdimager", "vcdimager"},
                                                         {"vcdxrip", "vcdimager"},
                                                         {"mpeg2dec", "mpeg2dec"}};
    std::string missing;
    for (const auto& [program, package] : tools)
        if (!have_program(program) && missing.find(package) == std::string::npos)
            missing += std::string(" ") + package;
    return missing;
}

std::string blocks_printed(const std::string& out) {
    const std::string key = "Embedded ";
    const auto at = out.find(key);
    return at == std::string::npos
               ? ""
               : out.substr(at + key.size(), out.find(' ', at + key.size()) - at - key.size());
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
    const auto imager = step({"vcdimager", "-t", "svcd", "--update-scan-offsets", "-c",
                              stem + ".cue", "-b", stem + ".bin", stem + ".mpg"},
                             dir);
    fs::create_directory(dir / (stem + "-rip"));
    step({"vcdxrip", "-b", "../" + stem + ".bin"}, dir / (stem + "-rip"));
    step({"ffmpeg", "-v", "error", "-y", "-i", stem + "-rip/avseq01.mpg", "-map", "0:v", "-c",
          "copy", "-f", "mpeg2video", stem + "-ripped.m2v"},
         dir);
    return {imager.out + imager.err, read_file(dir / (stem + "-ripped.m2v"))};
}

class RealStream : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        const std::string missing = missing_packages();
        if (!missing.empty()) {
            const std::string why = "missing tools: install the Debian packages" + missing;
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
        // And once more over its own output.
        const auto again = run_quorvel({"out.m2v", "out2.m2v"}, dir.path);
        ASSERT_EQ(again.status, 0) << again.out;
        printed_again = blocks_printed(again.out);
    }

    temp_dir dir;
    bytes input, output;
    std::string printed, printed_again;
};

TEST_P(RealStream, DecodesToTheSameFrames) {
    // Two decoders, ffmpeg's and libmpeg2's, each printing a checksum per frame.
    for (const std::string decoder : {"ffmpeg", "mpeg2dec"}) {
        SCOPED_TRACE(decoder);
        const auto decode = [&](const std::string& file) {
            if (decoder == "ffmpeg")
                return run_command({"ffmpeg", "-v", "error", "-i", file, "-f", "framemd5", "-"},
                                   dir.path);
            // libmpeg2 ends a picture only at the next start code, and ffmpeg
            // writes no sequence end code: it is added, or the last picture
            // (the still's only one) would not be compared.
            bytes ended = read_file(dir / file);
            if (!std::equal(SEQUENCE_END.rbegin(), SEQUENCE_END.rend(), ended.rbegin(),
                            ended.rend()))
                append(ended, SEQUENCE_END);
            write_file(dir / ("ended-" + file), ended);
            return run_command({"mpeg2dec", "-o", "md5", "ended-" + file}, dir.path);
        };
        const auto before = decode("in.m2v"), after = decode("out.m2v");
        ASSERT_EQ(before.status, 0) << before.err;
        ASSERT_EQ(after.status, 0) << after.err;
        std::istringstream lines(before.out);
        int frames = 0;
        for (std::string line; std::getline(lines, line);)
            frames += !line.empty() && line[0] != '#';
        EXPECT_GE(frames, 1);
        EXPECT_EQ(before.out, after.out);
    }
}

// Every sequence's first picture carries exactly one scan information block
// afterwards, and no picture two; the count is that of the blocks added, each
// right after a picture coding extension; taking them out gives the input.
TEST_P(RealStream, EverySequenceCarriesOneScanInformationBlock) {
    std::uint64_t lacking = 0;
    for (const picture_info& p : pictures(input))
        lacking += p.first_in_sequence && p.scan_info == 0;
    EXPECT_EQ(printed, std::to_string(lacking));
    std::size_t sequences = 0;
    for (const picture_info& p : pictures(output)) {
        EXPECT_LE(p.scan_info, 1);
        if (p.first_in_sequence) {
            EXPECT_EQ(p.scan_info, 1);
        }
        sequences += p.first_in_sequence;
    }
    EXPECT_GE(sequences, 1u);
    const auto strip = [](const bytes& s, std::size_t& blocks) {
        bytes stripped;
        std::size_t from = 0;
        blocks = 0;
        for (const std::size_t at : find_all(s, PLACEHOLDER)) {
            if (!extension_ends_at(s, at)) continue;
            stripped.insert(stripped.end(), s.begin() + from, s.begin() + at);
            from = at + PLACEHOLDER.size();
            ++blocks;
        }
        stripped.insert(stripped.end(), s.begin() + from, s.end());
        return stripped;
    };
    std::size_t blocks_before = 0, blocks_after = 0;
    EXPECT_TRUE(strip(output, blocks_after) == strip(input, blocks_before));
    EXPECT_EQ(std::to_string(blocks_after - blocks_before), printed);
}

TEST_P(RealStream, RunningAgainChangesNothing) {
    EXPECT_EQ(printed_again, "0");
    EXPECT_TRUE(read_file(dir / "out2.m2v") == output);
}

class CarryingStream : public RealStream {};

TEST_P(CarryingStream, IsLeftByteIdentical) {
    EXPECT_EQ(printed, "0");
    EXPECT_TRUE(output == input);
}

class RealMotionStream : public RealStream {};

TEST_P(RealMotionStream, DiscImagerFillsEveryBlock) {
    const auto audio = run_command(
        {"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t",
         "2", "-ac", "2", "-c:a", "mp2", "-b:a", "224k", "audio.mp2"},
        dir.path);
    ASSERT_EQ(audio.status, 0) << audio.err;
    const std::string no_scan_info = "contained no scan information";

    const bool had_scan_info = !find_all(input, SCAN_INFO_TAG).empty();
    const auto [plain_log, plain_video] = through_disc_imager(dir.path, "in.m2v");
    EXPECT_EQ(plain_log.find(no_scan_info) != std::string::npos, !had_scan_info) << plain_log;
    EXPECT_EQ(find_all(plain_video, SCAN_INFO_TAG).empty(), !had_scan_info);

    // Once and twice filtered: the disc imager fills every block in the image.
    const bytes encoder_fields(ENCODER_SCAN_INFO.begin() + 6, ENCODER_SCAN_INFO.end());
    for (const char* filtered : {"out.m2v", "out2.m2v"}) {
        SCOPED_TRACE(filtered);
        const auto [log, video] = through_disc_imager(dir.path, filtered);
        EXPECT_EQ(log.find(no_scan_info), std::string::npos) << log;
        const auto blocks = find_all(video, SCAN_INFO_TAG);
        // mplex leaves out the last picture of an ffmpeg stream.
        const std::size_t in_stream = find_all(output, SCAN_INFO_TAG).size();
        EXPECT_LE(blocks.size(), in_stream);
        EXPECT_GE(blocks.size() + 1, in_stream);
        std::size_t unfilled = 0;
        for (const std::size_t at : blocks) {
            const bytes fields(video.begin() + at + 6, video.begin() + at + 18);
            unfilled += fields == bytes(PLACEHOLDER.begin() + 6, PLACEHOLDER.end()) ||
                        fields == encoder_fields;
        }
        EXPECT_EQ(unfilled, 0u);
        std::printf(
            "[ interop  ] %s, %s: Quorvel embedded %s, blocks in the image %zu, unfilled %zu\n",
            GetParam(), filtered, printed.c_str(), blocks.size(), unfilled);
    }

    // The chain without an intermediate file: the stream through pipes from
    // the encoder's side into the multiplexer, which makes the same program stream.
    std::vector<std::string> chain = {
        "bash",
        "-o",
        "pipefail",
        "-c",
        R"(cat in.m2v | "$@" - - | mplex -v 0 -f 4 -o piped.mpg /dev/stdin audio.mp2)",
        "bash"};
    for (const std::string& word : quorvel_command()) chain.push_back(word);
    const auto piped = run_command(chain, dir.path);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err, summary(std::stoull(printed), "-"));
    EXPECT_TRUE(read_file(dir / "piped.mpg") == read_file(dir / "out.mpg"));
}

std::string fixture_name(const testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    name = name.substr(0, name.find('.'));
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Motion, RealStream, testing::ValuesIn(MOTION_FIXTURES), fixture_name);
INSTANTIATE_TEST_SUITE_P(Still, RealStream, testing::Values(STILL_FIXTURE), fixture_name);
INSTANTIATE_TEST_SUITE_P(Motion, RealMotionStream, testing::ValuesIn(MOTION_FIXTURES),
                         fixture_name);
INSTANTIATE_TEST_SUITE_P(Encoders, CarryingStream, testing::ValuesIn(CARRYING_FIXTURES),
                         fixture_name);

}  // namespace
