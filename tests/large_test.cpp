// An input past 4 GiB: headers and a picture, a long hole, then a sequence
// header and a picture at the end. Nothing may wrap at 32 bits. The file is
// sparse, but the output is written in full (about 4.3 GB of disk for a
// moment).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "harness.h"

using namespace qt;

// The hole's end is past 4 GiB on 32-bit systems too.
static_assert(sizeof(off_t) >= 8,
              "file offsets must be 64 bits wide: build with -D_FILE_OFFSET_BITS=64");

TEST(Large, PastFourGibibytes) {
    lift_file_size_limit();
    temp_dir dir;
    const bytes head = make_stream(1, 1, 3000, 1);
    bytes tail = sequence_header();
    append(tail, sequence_extension());
    append(tail, picture_header());
    append(tail, picture_coding_extension());
    const bytes slice_bytes = slice(5000, 2);
    append(tail, slice_bytes);
    const std::uint64_t hole_end = (std::uint64_t{1} << 32) + 12345;  // not block aligned
    write_file(dir / "in.m2v", head);
    const int fd = ::open((dir / "in.m2v").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(hole_end)),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
    const std::uint64_t in_size = hole_end + tail.size();

    const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path, 1500);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, summary(2, "out.m2v"));
    EXPECT_EQ(fs::file_size(dir / "out.m2v"), in_size + 2 * PLACEHOLDER.size());

    // The head as the reference has it, and the tail with its block right
    // after the picture coding extension.
    const std::size_t head_out = reference_filter(head).output.size();
    bytes want_tail(tail.begin(), tail.end() - static_cast<long>(slice_bytes.size()));
    append(want_tail, PLACEHOLDER);
    append(want_tail, slice_bytes);
    std::ifstream out(dir / "out.m2v", std::ios::binary);
    bytes got_head(head_out), got_tail(want_tail.size());
    out.read(reinterpret_cast<char*>(got_head.data()),
             static_cast<std::streamsize>(got_head.size()));
    out.seekg(-static_cast<std::streamoff>(want_tail.size()), std::ios::end);
    out.read(reinterpret_cast<char*>(got_tail.data()),
             static_cast<std::streamsize>(got_tail.size()));
    EXPECT_EQ(got_head, reference_filter(head).output);
    EXPECT_EQ(got_tail, want_tail);
}
