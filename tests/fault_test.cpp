// Failures injected from outside (strace fails the N-th system call), a FIFO
// that hands the input over in pieces, and a full device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "harness.h"

using namespace qt;

namespace {

bytes multi_block_stream() { return make_stream(60, 12, 12000, 21); }  // about 720 KB

// Skips (or, where CI requires every tool, fails) the test without strace.
#define NEED_STRACE()                                                               \
    do {                                                                            \
        if (!native_run()) GTEST_SKIP() << "strace faults need the native program"; \
        if (!have_program("strace")) {                                              \
            if (std::getenv("QUORVEL_REQUIRE_TOOLS"))                               \
                FAIL() << "missing strace (Debian package strace)";                 \
            GTEST_SKIP() << "missing strace: install the Debian package strace";    \
        }                                                                           \
    } while (false)

std::vector<std::string> traced(const std::vector<std::string>& strace_args,
                                const std::vector<std::string>& args) {
    // LeakSanitizer cannot run under ptrace; a sanitizer build leaves it out.
    std::vector<std::string> command = {"strace", "-qq", "-E", "ASAN_OPTIONS=detect_leaks=0"};
    command.insert(command.end(), strace_args.begin(), strace_args.end());
    command.push_back(quorvel_exe());
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

// The 1-based position, among all calls of the syscall, of the nth call that
// moved a whole block, or with nth 0 of the last call, from a dry run under
// strace.
int nth_block_call(const fs::path& dir, const std::string& syscall, int nth) {
    const auto r = run_command(
        traced({"-e", "trace=" + syscall, "-o", "trace.log"}, {"in.m2v", "out.m2v"}), dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::ifstream log(dir / "trace.log");
    // A call that asked for a whole block and moved it: ", 262144) = 262144",
    // strace padding the " = " with spaces on short lines.
    const std::string block = std::to_string(BLOCK), asked = ", " + block + ")";
    const auto whole_block = [&](const std::string& line) {
        const auto at = line.rfind(asked);
        if (at == std::string::npos) return false;
        const auto result = line.find_first_not_of(' ', at + asked.size());
        return result != std::string::npos &&
               line.compare(result, std::string::npos, "= " + block) == 0;
    };
    int index = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.rfind(syscall + "(", 0) != 0) continue;
        ++index;
        if (nth > 0 && whole_block(line) && --nth == 0) return index;
    }
    if (nth == 0 && index > 0) return index;
    ADD_FAILURE() << "no " << syscall << " of a whole block";
    return 0;
}

// Fails one call of the syscall (strace's fault: an error, or a result such
// as retval=0 for an end of input) and checks the message and that the output
// holds exactly the first `kept_blocks` output blocks. An interrupted call
// (EINTR) is made again, or for close counted as done: the run is complete.
struct fault_case {
    const char* name;
    const char* syscall;
    const char* fault;
    int nth_block_call;   // which whole-block call fails, counted from 1; 0: the last call;
                          // -1: every call
    const char* message;  // nullptr: the summary of a complete run
    std::size_t kept_blocks;
    bytes (*stream)() = multi_block_stream;
    std::size_t input_seen = SIZE_MAX;  // how much of the input the program gets
    std::size_t old_output = 0;         // the size of an output there before the run
};

constexpr std::size_t ALL = SIZE_MAX;

// Headers, then user data up to the first picture, whose coding extension
// ends `end` bytes into the stream; pictures follow.
template <std::size_t end>
bytes extension_ending_at() {
    bytes s = sequence_header(), picture = picture_header(), rest = slice(3000, 9);
    append(s, sequence_extension());
    append(s, {0x00, 0x00, 0x01, 0xB2});
    append(picture, picture_coding_extension());
    s.resize(end - picture.size(), 0x55);
    append(s, picture);
    append(rest, multi_block_stream());
    append(s, rest);
    return s;
}

class Faults : public testing::TestWithParam<fault_case> {};

TEST_P(Faults, MessageStatusAndOutput) {
    NEED_STRACE();
    const fault_case& c = GetParam();
    temp_dir dir;
    const bytes in = c.stream();
    write_file(dir / "in.m2v", in);
    // The position among all calls (the loader's included) of the call; the
    // reads of blocks follow one another, and the last one is short.
    std::string inject = "inject=" + std::string(c.syscall) + ":" + c.fault;
    if (c.nth_block_call >= 0)
        inject += ":when=" +
                  std::to_string(c.syscall == std::string("read")
                                     ? nth_block_call(dir.path, c.syscall, 1) + c.nth_block_call - 1
                                     : nth_block_call(dir.path, c.syscall, c.nth_block_call));
    const bytes old(c.old_output, 'x');
    if (c.old_output) write_file(dir / "out.m2v", old);
    const auto r =
        run_command(traced({"-o", "/dev/null", "-e", inject}, {"in.m2v", "out.m2v"}), dir.path);
    const reference_result want =
        reference_filter(bytes(in.begin(), in.begin() + std::min(in.size(), c.input_seen)));
    EXPECT_EQ(r.status, c.message ? 1 : 0);
    EXPECT_EQ(r.out, c.message ? BANNER + c.message : summary(want.blocks, "out.m2v"));
    const std::size_t kept =
        std::min(want.output.size(), c.kept_blocks == ALL ? ALL : c.kept_blocks * BLOCK);
    // An output that could not be emptied stays as it was.
    EXPECT_TRUE(read_file(dir / "out.m2v") ==
                (c.old_output ? old : bytes(want.output.begin(), want.output.begin() + kept)));
}

INSTANTIATE_TEST_SUITE_P(
    Injected, Faults,
    testing::Values(
        // The third read fails: the two input blocks before it filled two
        // whole output blocks, which were written, and nothing after them.
        fault_case{"ReadErrorMidInput", "read", "error=EIO", 3,
                   "Error reading from input file in.m2v\n\n", 2},
        // The extension's last byte fills the first output block, which goes
        // out before the read that fails.
        fault_case{"ReadErrorAfterFullBlock", "read", "error=EIO", 2,
                   "Error reading from input file in.m2v\n\n", 1, extension_ending_at<BLOCK>},
        // The look after an extension near the block's end meets the input's
        // end, and the input is never read again.
        fault_case{"ReadNeverAgainAfterEnd", "read", "retval=0", 2, nullptr, ALL,
                   extension_ending_at<BLOCK - 3>, BLOCK},
        fault_case{"WriteErrorOnSecondBlock", "write", "error=ENOSPC", 2,
                   "Error writing to output file out.m2v\n\n", 1},
        // The output's close, the last one, reports a delayed write error.
        fault_case{"CloseErrorOnOutput", "close", "error=EIO", 0,
                   "Error writing to output file out.m2v\n\n", ALL},
        fault_case{"CloseInterrupted", "close", "error=EINTR", 0, nullptr, ALL},
        fault_case{"EmptyingOutputFails", "/^ftruncate", "error=EIO", -1,
                   "Unable to open output file out.m2v\n\n", 0, multi_block_stream, ALL, 3000000},
        fault_case{"ReadInterrupted", "read", "error=EINTR", 2, nullptr, ALL},
        fault_case{"WriteInterrupted", "write", "error=EINTR", 2, nullptr, ALL}),
    case_name);

// A pipe hands the input over in small pieces with pauses: each short read is
// an ordinary block, the first one too, and the output is that of the same
// bytes from a file.
TEST(Pipes, FifoInPieces) {
    if (!native_run()) GTEST_SKIP() << "no FIFOs under Wine";
    temp_dir dir;
    const bytes in = multi_block_stream();
    write_file(dir / "file.m2v", in);
    const auto from_file = run_quorvel({"file.m2v", "from-file.m2v"}, dir.path);
    ASSERT_EQ(from_file.status, 0);

    ASSERT_EQ(mkfifo((dir / "fifo.m2v").c_str(), 0600), 0);
    // Neither side waits for ever: the feeder gives up if the program never
    // opens the FIFO, and the program is ended if the feeder never comes.
    bool fed = false;
    std::thread feeder([&] {
        sigset_t pipe_signal;  // a program gone early is a failed write here
        sigemptyset(&pipe_signal);
        sigaddset(&pipe_signal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
        int fifo = -1;
        for (int tries = 0; fifo < 0 && tries < 3000; ++tries) {
            fifo =
                open((dir / "fifo.m2v").c_str(), O_WRONLY | O_NONBLOCK);  // once a reader is there
            if (fifo < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (fifo < 0) return;
        fcntl(fifo, F_SETFL, 0);
        std::mt19937 rng(5);
        bool written = true;
        for (std::size_t at = 0, piece = 0; written && at < in.size(); ++piece) {
            // First a piece shorter than the headers, then a pause.
            const std::size_t n =
                std::min<std::size_t>(in.size() - at, piece == 0 ? 5 : 1 + rng() % 3000);
            written = write(fifo, in.data() + at, n) == static_cast<ssize_t>(n);
            at += n;
            if (piece % 25 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(piece == 0 ? 50 : 2));
        }
        fed = close(fifo) == 0 && written;
    });
    const auto r = run_quorvel({"fifo.m2v", "from-fifo.m2v"}, dir.path);
    feeder.join();
    EXPECT_TRUE(fed) << "the feeder could not open or fill the FIFO";
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, summary(5, "from-fifo.m2v"));
    EXPECT_TRUE(read_file(dir / "from-fifo.m2v") == read_file(dir / "from-file.m2v"));
    EXPECT_TRUE(read_file(dir / "from-fifo.m2v") == reference_filter(in).output);
}

// A full device: the last (or only) write fails, and no summary follows.
class FullDevice : public testing::TestWithParam<int> {};

TEST_P(FullDevice, ReportsTheWriteError) {
    if (!native_run()) GTEST_SKIP() << "no /dev/full";
    temp_dir dir;
    write_file(dir / "in.m2v", make_stream(GetParam(), 12, 2000, 1));
    const auto r = run_quorvel({"in.m2v", "/dev/full"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + "Error writing to output file /dev/full\n\n");
}

// A file size limit (ulimit -f) between the first and second output block:
// the write that reaches it is reported, and the output keeps the bytes up to it.
TEST(FileSizeLimit, ReportsTheWriteError) {
    if (!native_run()) GTEST_SKIP() << "no file size limit under Wine";
    temp_dir dir;
    const bytes in = multi_block_stream();
    write_file(dir / "in.m2v", in);
    const std::size_t limit = BLOCK + 1000;
    const auto r = run_command(
        {"prlimit", "--fsize=" + std::to_string(limit), quorvel_exe(), "in.m2v", "out.m2v"},
        dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + "Error writing to output file out.m2v\n\n");
    const bytes want = reference_filter(in).output;
    EXPECT_TRUE(read_file(dir / "out.m2v") == bytes(want.begin(), want.begin() + limit));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FullDevice, testing::Values(2, 400), [](const auto& info) {
    return info.param == 2 ? "OneBlock" : "SeveralBlocks";
});

}  // namespace
