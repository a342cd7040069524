// The program's arguments, names, files and messages, seen from outside.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "harness.h"

using namespace qt;

namespace {

const std::string USAGE =
    "Quorvel is program to embed dummy user data blocks in an MPEG-2 video stream\n"
    "        so a multiplexor can insert SVCD scan information data\n\n"
    "Usage: Quorvel  input MPEG-2 video filename  output MPEG-2 video filename\n\n";
const std::string SAME = "Input and output filenames must be different\n\n";
const std::string NOT_MPEG2 = "Input file is not an MPEG-2 video stream\n\n";

bytes small_stream() { return make_stream(3, 2, 500, 7); }

std::string lower_ascii(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// The full Windows path Wine gives a Unix path: drive Z:, backslashes.
std::string windows_path(const fs::path& path) {
    std::string name = "Z:" + path.string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

struct usage_case {
    const char* name;
    std::vector<std::string> args;
    std::string out;
};

class Usage : public testing::TestWithParam<usage_case> {};

TEST_P(Usage, PrintsBannerMessageAndFails) {
    temp_dir dir;
    const auto r = run_quorvel(GetParam().args, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + GetParam().out);
    if (native_run()) {
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(fs::is_empty(dir.path));  // nothing created
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Usage,
    testing::Values(usage_case{"None", {}, USAGE}, usage_case{"OnlyInput", {"in.m2v"}, USAGE},
                    usage_case{"SameNameInOtherCase", {"IN.MPV", "in.mpv"}, SAME},
                    usage_case{"BothEmpty", {"", ""}, SAME},
                    usage_case{"MissingInput",
                               {"Missing.M2V", "out.m2v"},
                               "Unable to open input file missing.m2v\n\n"},
                    usage_case{
                        "EveryLetterFolded",
                        {"AZ-ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{.M2V", "out.m2v"},
                        "Unable to open input file az-abcdefghijklmnopqrstuvwxyz@[`{.m2v\n\n"}),
    case_name);

// Inputs the header check refuses: no output appears, and an existing one is
// left as it was.
struct rejected_case {
    const char* name;
    bytes input;
};

bytes with_prefix(bytes prefix, const bytes& rest) {
    append(prefix, rest);
    return prefix;
}

bytes mpeg1_stream() {
    bytes s = sequence_header();
    append(s, gop_header());
    append(s, picture_header());
    append(s, slice(400000, 3));
    return s;
}

bytes zero_before_extension() {
    bytes s = sequence_header();
    s.push_back(0x00);
    append(s, small_stream());
    s.erase(s.begin() + 13, s.begin() + 25);  // drop the stream's own sequence header
    return s;
}

bytes first(bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

bytes with_byte(bytes b, std::size_t at, std::uint8_t value) {
    b.at(at) = value;
    return b;
}

class Rejected : public testing::TestWithParam<rejected_case> {};

TEST_P(Rejected, CreatesNoOutput) {
    temp_dir dir;
    write_file(dir / "in.m2v", GetParam().input);
    const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + NOT_MPEG2);
    EXPECT_FALSE(fs::exists(dir / "out.m2v"));
}

TEST_P(Rejected, LeavesExistingOutputUnchanged) {
    temp_dir dir;
    write_file(dir / "in.m2v", GetParam().input);
    const bytes keep = {'k', 'e', 'e', 'p'};
    write_file(dir / "out.m2v", keep);
    const auto r = run_quorvel({"in.m2v", "out.m2v"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(dir / "out.m2v"), keep);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Rejected,
    testing::Values(
        rejected_case{"PackHeaderFirst",
                      with_prefix({0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01},
                                  small_stream())},
        rejected_case{"LeadingZeroByte", with_prefix({0x00}, small_stream())},
        rejected_case{"GroupStartCodeFirst", with_byte(small_stream(), 3, 0xB8)},
        rejected_case{"Mpeg1WithoutExtension", mpeg1_stream()},
        rejected_case{"ZeroByteBeforeExtension", zero_before_extension()},
        rejected_case{"Empty", {}}, rejected_case{"HeaderCutShort", first(sequence_header(), 11)},
        rejected_case{"IntraMatrixCutShort", first(sequence_header(true), 70)},
        rejected_case{"ExtensionCodeCutShort", with_prefix(sequence_header(), {0x00, 0x00, 0x01})}),
    case_name);

TEST(Run, CompleteRunPrintsBannerAndSummaryOnly) {
    temp_dir dir;
    const bytes in = small_stream();
    write_file(dir / "in.m2v", in);
    const auto r = run_quorvel({"in.m2v", "Out.M2V", "ignored", "extra"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, summary(2, "out.m2v"));
    if (native_run()) {
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(read_file(dir / "Out.M2V"), reference_filter(in).output);
    // Created writable, for a later run by a user who is not root.
    EXPECT_NE(fs::status(dir / "Out.M2V").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(Run, OverwritesAnExistingOutput) {
    temp_dir dir;
    const bytes in = small_stream();
    write_file(dir / "in.m2v", in);
    write_file(dir / "out.m2v", bytes(3 * BLOCK, 0x55));
    EXPECT_EQ(run_quorvel({"in.m2v", "out.m2v"}, dir.path).status, 0);
    EXPECT_EQ(read_file(dir / "out.m2v"), reference_filter(in).output);
}

// The standard streams as shells, pipelines and front-ends hand them over. A
// lost summary keeps status 0; an output that is standard output's own file
// or pipe gets nothing but the stream, the messages going to standard error
// (or nowhere, when that is the output too). `$@` is the program; fd 5 is a
// pipe whose reader has gone. Also what the shell shows of the output: its
// mode, a write the system takes in part, and file systems.
struct redirect_case {
    const char* name;
    std::string shell;
    int status;
    bool whole;       // out.m2v holds the whole output; otherwise it does not exist
    std::string err;  // standard error
    bool posix_only = true;
    const char* needs = nullptr;  // a command that must work first, or the case skips
    // Standard error under Wine, where it differs: Wine puts a handle that
    // fails every write in place of a standard stream the shell closed.
    const char* on_wine = nullptr;
};

const std::string GONE_READER = "mkfifo p && exec 4<>p 5>p 4<&- && ";

class Redirected : public testing::TestWithParam<redirect_case> {};

TEST_P(Redirected, StreamStatusAndMessages) {
    const redirect_case& c = GetParam();
    if (c.posix_only && !native_run()) GTEST_SKIP() << "POSIX shell redirections";
    if (c.needs && run_command({"sh", "-c", c.needs}, fs::current_path()).status != 0) {
        if (std::getenv("QUORVEL_REQUIRE_TOOLS")) FAIL() << "cannot run: " << c.needs;
        GTEST_SKIP() << "this machine cannot run: " << c.needs;
    }
    temp_dir dir;
    const bytes in = make_stream(60, 12, 12000, 21);  // more than a pipe holds
    write_file(dir / "in.m2v", in);
    // $STRACE: strace quiet, and without LeakSanitizer, which cannot run under it;
    // $README: the README, whose examples run as they stand.
    const std::string shell =
        "STRACE='strace -qq -E ASAN_OPTIONS=detect_leaks=0'\n"
        "README='" QUORVEL_README "'\n" +
        c.shell;
    std::vector<std::string> command = {"bash", "-o", "pipefail", "-c", shell, "bash"};
    for (const std::string& word : quorvel_command()) command.push_back(word);
    auto r = run_command(command, dir.path);
    if (!native_run()) r.err.erase(std::remove(r.err.begin(), r.err.end(), '\r'), r.err.end());
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.on_wine && !native_run() ? BANNER + c.on_wine : c.err);
    if (c.whole) {
        EXPECT_TRUE(read_file(dir / "out.m2v") == reference_filter(in).output);
    } else {
        EXPECT_FALSE(fs::exists(dir / "out.m2v"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shell, Redirected,
    testing::Values(
        redirect_case{"SummaryToFullDevice", R"("$@" in.m2v out.m2v >/dev/full)", 0, true, ""},
        redirect_case{"SummaryToClosedStandardOutput", R"("$@" in.m2v out.m2v >&-)", 0, true, ""},
        redirect_case{"SummaryToGoneReader", (GONE_READER + R"("$@" in.m2v out.m2v >&5)"), 0, true,
                      ""},
        redirect_case{"StandardOutputToFile", R"("$@" in.m2v /dev/stdout >out.m2v)", 0, true,
                      summary(5, "/dev/stdout")},
        redirect_case{"StandardOutputIntoPipe", R"("$@" in.m2v /dev/stdout | cat >out.m2v)", 0,
                      true, summary(5, "/dev/stdout")},
        redirect_case{"StandardOutputReaderQuits",
                      R"("$@" in.m2v /dev/stdout | head -c 1000 >/dev/null)", 1, false,
                      BANNER + "Error writing to output file /dev/stdout\n\n"},
        redirect_case{"OutputRedirectedToItself", R"("$@" in.m2v out.m2v >out.m2v)", 0, true,
                      summary(5, "out.m2v"), false},
        redirect_case{"BothStreamsRedirectedToOutput", R"("$@" in.m2v out.m2v >out.m2v 2>&1)", 0,
                      true, ""},
        redirect_case{"NullDeviceKeepsMessages", R"("$@" in.m2v /dev/null >/dev/null)", 0, false,
                      "", false},
        redirect_case{"StandardDescriptorsClosed", R"("$@" in.m2v out.m2v <&- >&-)", 0, true, ""},
        redirect_case{"CreatedWithModeLessUmask",
                      R"(umask 0 && "$@" in.m2v out.m2v >/dev/null && stat -c %a out.m2v >&2 &&
                         rm out.m2v && umask 027 && "$@" in.m2v out.m2v >/dev/null &&
                         stat -c %a out.m2v >&2)",
                      0, true, "666\n640\n"},
        // Stopped and continued while it waits on a slow reader, the program
        // sees writes taken in part.
        redirect_case{"PartWritesToStoppedProgram",
                      R"(mkfifo f && { "$@" in.m2v f >/dev/null & } && pid=$! &&
                         { while kill -STOP $pid; do kill -CONT $pid; done 2>/dev/null & } &&
                         while n=$(head -c 4096 | tee -a out.m2v | wc -c) && [ $n -gt 0 ]; do
                         :; done <f && wait $pid)",
                      0, true, ""},
        // Two fresh tmpfs mounts number their first files alike: the device
        // tells them apart.
        redirect_case{
            "SameInodeOnAnotherFileSystem",
            R"(mkdir a b && unshare -rm bash -c 'mount -t tmpfs t a && mount -t tmpfs t b &&
                         cp in.m2v a/ && : >b/out.m2v && [ $(stat -c %i a/in.m2v) = $(stat -c %i b/out.m2v) ] &&
                         "$@" a/in.m2v b/out.m2v >/dev/null && cp b/out.m2v .' bash "$@")",
            0, true, "", true, "unshare -rm true"},
        // Standard output and input are the descriptors the shell set up:
        // written where they stand (appended, after what went before), read
        // from where they stand, never opened again or emptied.
        redirect_case{"AppendedToStandardOutput",
                      R"(printf 'PREVIOUS\n' >f && "$@" in.m2v - >>f && head -c 9 f >&2 &&
                         tail -c +10 f >out.m2v)",
                      0, true, summary(5, "-") + "PREVIOUS\n", false},
        redirect_case{"AppendedThroughDevStdout",
                      R"(printf 'PREVIOUS\n' >f && "$@" in.m2v /dev/stdout >>f && head -c 9 f >&2 &&
                         tail -c +10 f >out.m2v)",
                      0, true, summary(5, "/dev/stdout") + "PREVIOUS\n", false},
        redirect_case{"AppendedThroughProcSelfFd",
                      R"(printf 'PREVIOUS\n' >f && "$@" in.m2v /proc/self/fd/1 >>f &&
                         head -c 9 f >&2 && tail -c +10 f >out.m2v)",
                      0, true, summary(5, "/proc/self/fd/1") + "PREVIOUS\n", false},
        // Any name that reaches a descriptor folder of the program's own is
        // that descriptor: a link to /dev/stdout, /proc/thread-self/fd/1,
        // /dev/fd//1 and ../../dev/./stdout append like /dev/stdout.
        redirect_case{"AppendedThroughOtherSpellings",
                      R"(ln -s /dev/stdout lnout && printf 'PREVIOUS\n' >f && for n in lnout \
                         /proc/thread-self/fd/1 /dev/fd//1 ../../../../../../../../../../dev/./stdout; do "$@" in.m2v $n >>f; done &&
                         head -c 9 f >&2 && tail -c +10 f >all && split -n 4 all part && cmp partaa partab &&
                         cmp partaa partac && cmp partaa partad && mv partaa out.m2v)",
                      0, true,
                      summary(5, "lnout") + summary(5, "/proc/thread-self/fd/1") +
                          summary(5, "/dev/fd//1") +
                          summary(5, "../../../../../../../../../../dev/./stdout") + "PREVIOUS\n"},
        // /dev/fd is a descriptor folder by its name too, where no /proc is
        // mounted for its link to reach (the status aside: a sanitizer's
        // runtime, which reads its options through /proc, fails at exit
        // there); and /proc/self names the program as a /proc of another PID
        // namespace counts it.
        redirect_case{"AppendedWithoutOwnProc",
                      R"(printf 'PREVIOUS\n' >f && export ASAN_OPTIONS=detect_leaks=0 &&
                         unshare -rm bash -c 'mount -t tmpfs t /proc && "$@" in.m2v /dev/fd//1 2>e;
                           grep -v ^== e >&2; true' bash "$@" >>f &&
                         unshare -r --pid --fork bash -c '"$@" in.m2v /dev/./stdout' bash "$@" >>f &&
                         head -c 9 f >&2 && tail -c +10 f >all && split -n 2 all part &&
                         cmp partaa partab && mv partaa out.m2v)",
                      0, true,
                      summary(5, "/dev/fd//1") + summary(5, "/dev/./stdout") + "PREVIOUS\n", true,
                      "unshare -rm true"},
        redirect_case{
            "TwoRunsInOneRedirection",
            R"({ "$@" in.m2v -; "$@" in.m2v /dev/stdout; } >f && n=$(($(stat -c %s f) / 2)) &&
                         head -c $n f >out.m2v && tail -c $n f | cmp - out.m2v >&2)",
            0, true, summary(5, "-") + summary(5, "/dev/stdout"), false},
        redirect_case{"TrailerAfterStream",
                      R"({ "$@" in.m2v -; printf TRAILER; } >f && tail -c 7 f >&2 &&
                         head -c -7 f >out.m2v)",
                      0, true, summary(5, "-") + "TRAILER", false},
        redirect_case{"DevFdAndDevStderr",
                      R"({ printf NINEBYTES; cat in.m2v; } >j && printf P >f &&
                         { dd bs=9 count=1 of=/dev/null <&4 2>/dev/null;
                           "$@" /dev/fd/4 /dev/stderr 2>>f; } 4<j | cat >&2 &&
                         head -c 1 f >&2 && tail -c +2 f >out.m2v)",
                      0, true, summary(5, "/dev/stderr") + "P"},
        // The README's example of a partly read standard input, as it stands.
        redirect_case{"ReadmePartlyReadExample",
                      R"(quorvel() { "${program[@]}" "$@"; } && program=("$@") &&
                         { printf 'TAG:NINE\n'; cat in.m2v; } >tagged.m2v &&
                         example=$(grep -E '^    \{ dd .*quorvel - .*< tagged\.m2v' "$README") &&
                         eval "$example" >log 2>/dev/null; s=$?; cat log >&2; exit $s)",
                      0, true, summary(5, "out.m2v"), false},
        redirect_case{"PartlyReadStandardInput",
                      R"({ printf NINEBYTES; cat in.m2v; } >f &&
                         { dd bs=9 count=1 of=/dev/null 2>/dev/null; "$@" /dev/stdin out.m2v >&2; } <f)",
                      0, true, summary(5, "out.m2v"), false},
        redirect_case{"FilterThroughPipes", R"(cat in.m2v | "$@" - - | cat >out.m2v)", 0, true,
                      summary(5, "-"), false},
        redirect_case{"FilterToFiles", R"("$@" - - <in.m2v >out.m2v)", 0, true, summary(5, "-"),
                      false},
        // One socket as both streams, as socket activation hands them over;
        // a socket pair for each, as the README's Node.js front-end has them.
        redirect_case{"FilterThroughOneSocket",
                      R"(python3 -c 'import socket, subprocess, sys, threading
ours, theirs = socket.socketpair()
run = subprocess.Popen(sys.argv[1:] + ["-", "-"], stdin=theirs, stdout=theirs)
theirs.close()
def feed(): ours.sendall(open("in.m2v", "rb").read()); ours.shutdown(socket.SHUT_WR)
threading.Thread(target=feed).start()
with open("out.m2v", "wb") as out:
    while chunk := ours.recv(65536): out.write(chunk)
sys.exit(run.wait())' "$@")",
                      0, true, summary(5, "-"), false, "python3 -c 0"},
        redirect_case{"NodeFrontEnd",
                      R"(node -e 'const { spawn } = require("child_process"), fs = require("fs");
const [program, ...words] = process.argv.slice(1);
const quorvel = spawn(program, [...words, "-", "-"]);
fs.createReadStream("in.m2v").pipe(quorvel.stdin);
quorvel.stdout.pipe(fs.createWriteStream("out.m2v"));
quorvel.stderr.pipe(process.stderr);
quorvel.on("close", (status) => process.exitCode = status);' "$@")",
                      0, true, summary(5, "-"), false, "node -e 0"},
        // A file named "-" is reached as ./-; a character device or a socket
        // is read and written apart, never the input's own file.
        redirect_case{"FileNamedDash", R"(cp in.m2v ./- && "$@" ./- out.m2v >&2)", 0, true,
                      summary(5, "out.m2v"), false},
        redirect_case{"NullDeviceBothWays", R"("$@" - - </dev/null >/dev/null)", 1, false,
                      BANNER + NOT_MPEG2, false},
        // A descriptor closed at start names nothing, whatever the run has
        // put in its place since: no file of the run, no stand-in on
        // /dev/null, nothing opened, created, read or written.
        redirect_case{"ClosedStandardOutputAsDash", R"("$@" in.m2v - >&-)", 1, false,
                      BANNER + "Unable to open output file -\n\n", false, nullptr,
                      "Error writing to output file -\n\n"},
        redirect_case{"ClosedStandardOutputAsDevStdout", R"("$@" in.m2v /dev/stdout >&-)", 1, false,
                      BANNER + "Unable to open output file /dev/stdout\n\n", false, nullptr,
                      "Error writing to output file /dev/stdout\n\n"},
        redirect_case{"ClosedStandardInputAsDash", R"("$@" - out.m2v <&- >&2)", 1, false,
                      BANNER + "Unable to open input file -\n\n"},
        redirect_case{"ClosedStandardInputAsOutput",
                      R"("$@" in.m2v /dev/stdin <&- >&2 || "$@" in.m2v /dev/fd/0 <&- >&2)", 1,
                      false,
                      BANNER + "Unable to open output file /dev/stdin\n\n" + BANNER +
                          "Unable to open output file /dev/fd/0\n\n"},
        redirect_case{"ClosedDescriptorTakenByInput", R"("$@" in.m2v /dev/fd/3 3>&- >&2)", 1, false,
                      BANNER + "Unable to open output file /dev/fd/3\n\n", false},
        // A descriptor closed, whatever the spelling: nothing written
        // anywhere, and no name reaches main()'s stand-in either (the /proc of
        // another mount is no folder of the program's own, but the stand-in
        // cannot be opened through it; the message is lost with standard
        // output, as a named output's would be).
        redirect_case{
            "ClosedDescriptorsOtherSpellings",
            R"(for n in /dev/fd//3 /proc/thread-self/fd/3; do "$@" in.m2v $n 3>&- >&2; echo $? >&2; done &&
                         ln -s /dev/stdout lnout && for n in /dev/./stdout lnout; do
                         "$@" in.m2v $n >&-; echo $? >&2; done &&
                         unshare -rm bash -c 'mkdir p && mount --rbind /proc p && "$@" in.m2v p/self/fd/1 >&-' bash "$@")",
            1, false,
            BANNER + "Unable to open output file /dev/fd//3\n\n1\n" + BANNER +
                "Unable to open output file /proc/thread-self/fd/3\n\n1\n" + BANNER +
                "Unable to open output file /dev/./stdout\n\n1\n" + BANNER +
                "Unable to open output file lnout\n\n1\n",
            true, "unshare -rm true"},
        redirect_case{"ClosedProcSelfFdNeverOpened",
                      R"($STRACE -o t -e trace=open,openat "$@" in.m2v /proc/self/fd/3 3>&- >&2;
                         s=$?; grep -h '/proc/self/fd' t >&2; exit $s)",
                      1, false, BANNER + "Unable to open output file /proc/self/fd/3\n\n", true,
                      "strace -V"},
        // The input a socket, descriptor 3 closed: nothing goes back to the sender.
        redirect_case{"ClosedDescriptorBesideSocketInput",
                      R"(python3 -c 'import socket, subprocess, sys
ours, theirs = socket.socketpair()
run = subprocess.Popen(sys.argv[1:] + ["-", "/dev/fd/3"], stdin=theirs, stdout=2)
theirs.close()
ours.sendall(open("in.m2v", "rb").read(60000))
ours.shutdown(socket.SHUT_WR)
sys.exit(run.wait() if ours.recv(65536) == b"" else 9)' "$@")",
                      1, false, BANNER + "Unable to open output file /dev/fd/3\n\n", false,
                      "python3 -c 0"},
        // The same file through a standard stream is refused with nothing
        // written; messages never enter the input.
        redirect_case{"StandardInputIsOutputFile",
                      R"(cp in.m2v x && "$@" - x <x >&2; s=$?; cmp x in.m2v >&2; exit $s)", 1,
                      false, BANNER + SAME, false},
        redirect_case{"StandardOutputIsInputFile",
                      R"(cp in.m2v x && "$@" x - >>x; s=$?; cmp x in.m2v >&2; exit $s)", 1, false,
                      BANNER + SAME, false},
        redirect_case{"MessagesKeptOutOfInput",
                      R"(cp in.m2v x && "$@" x out.m2v >>x && cmp x in.m2v >&2)", 0, true,
                      summary(5, "out.m2v"), false},
        // Only "-", /dev/stdin, /dev/stdout, /dev/stderr and /dev/fd/ or
        // /proc/self/fd/ with one to nine digits are descriptors; /dev/stdin
        // as the output is standard input itself, never opened by name.
        redirect_case{"OnlyDescriptorNamesAreDescriptors",
                      R"("$@" /dev/fd/ x >&2; "$@" /dev/fd/9999999999 x >&2;
                         "$@" /dev/fd/3x x 3<in.m2v >&2; "$@" /dev/fd/03 x 3<in.m2v >&2; "$@" /dev/fd/3/ x 3<in.m2v >&2;
                         "$@" /proc/self/fd/000000003 x 3<in.m2v >&2; "$@" /DEV/STDIN x <in.m2v >&2;
                         cp in.m2v ./-x.m2v && "$@" -x.m2v x >&2; mkdir -p ab/cdef && cp in.m2v ab/cdef/3 &&
                         printf KEEP >f && { "$@" in.m2v /dev/stdin <f >&2; cat f >&2; } &&
                         "$@" ab/cdef/3 out.m2v 3</dev/null >&2)",
                      0, true,
                      BANNER + "Error reading from input file /dev/fd/\n\n" + BANNER +
                          "Unable to open input file /dev/fd/9999999999\n\n" + BANNER +
                          "Unable to open input file /dev/fd/3x\n\n" + BANNER +
                          "Unable to open input file /dev/fd/03\n\n" + BANNER +
                          "Unable to open input file /dev/fd/3/\n\n" + BANNER +
                          "Unable to open input file /proc/self/fd/000000003\n\n" + BANNER +
                          "Unable to open input file /dev/stdin\n\n" + summary(5, "x") + BANNER +
                          "Error writing to output file /dev/stdin\n\nKEEP" +
                          summary(5, "out.m2v")},
        redirect_case{"MissingInputBesideOutput", R"(: >x && "$@" missing.m2v x >&2)", 1, false,
                      BANNER + "Unable to open input file missing.m2v\n\n", false},
        // Two nodes of one block device are one file, by the device they
        // are: refused by the names, before anything is opened.
        redirect_case{
            "BlockDeviceNamedTwice",
            R"(mknod b1 b 7 200 && mknod b2 b 7 200 && "$@" b1 b2 >&2 ||
                         { mknod b3 b 7 0 && "$@" /dev/loop0 b3 >&2; })",
            1, false, BANNER + SAME + BANNER + SAME, true,
            "d=$(mktemp -d) && mknod $d/b b 7 200 && test -b /dev/loop0; s=$?; rm -r $d; exit $s"},
        // Standard streams handed over non-blocking, a slow writer and a slow
        // reader: the run waits for them.
        redirect_case{"NonBlockingStreams",
                      R"(python3 -c 'import os, subprocess, sys, threading, time
a, b = os.pipe(); c, d = os.pipe()
for fd in (a, d): os.set_blocking(fd, False)
run = subprocess.Popen(sys.argv[1:] + ["-", "-"], stdin=a, stdout=d)
os.close(a); os.close(d)
def feed():
    data = open("in.m2v", "rb").read()
    for at in range(0, len(data), 65536): os.write(b, data[at:at + 65536]); time.sleep(0.01)
    os.close(b)
threading.Thread(target=feed).start()
with open("out.m2v", "wb") as out:
    while chunk := os.read(c, 65536): out.write(chunk); time.sleep(0.01)
sys.exit(run.wait())' "$@")",
                      0, true, summary(5, "-"), true, "python3 -c 0"},
        // Standard input, output and error one socket, inetd style: the
        // messages go back through it, as they never enter what is read.
        redirect_case{"MessagesThroughInputSocket",
                      R"(python3 -c 'import socket, subprocess, sys
ours, theirs = socket.socketpair()
run = subprocess.Popen(sys.argv[1:] + ["-", "out.m2v"], stdin=theirs, stdout=theirs, stderr=theirs)
theirs.close()
ours.sendall(open("in.m2v", "rb").read()); ours.shutdown(socket.SHUT_WR)
while chunk := ours.recv(65536): sys.stderr.buffer.write(chunk)
sys.exit(run.wait())' "$@")",
                      0, true, summary(5, "out.m2v"), true, "python3 -c 0"},
        // A socket that is the output and standard output too: the messages
        // never enter the stream.
        redirect_case{"OutputSocketIsStandardOutput",
                      R"(python3 -c 'import socket, subprocess, sys
ours, theirs = socket.socketpair()
run = subprocess.Popen(["bash", "-c", "exec \"$@\" in.m2v /dev/fd/3 3>&1", "bash"] + sys.argv[1:],
                       stdout=theirs)
theirs.close()
with open("out.m2v", "wb") as out:
    while chunk := ours.recv(65536): out.write(chunk)
sys.exit(run.wait())' "$@")",
                      0, true, summary(5, "/dev/fd/3"), true, "python3 -c 0"},
        // Standard output's file made the output after the names were looked
        // up: the open files send the summary to standard error instead.
        redirect_case{"OutputLinkedToStandardOutputMeanwhile",
                      R"(: >f && { $STRACE -o t -P o -e trace=openat \
                           -e inject=openat:delay_enter=2000000 "$@" in.m2v o >f & } &&
                         for i in $(seq 500); do grep -q '"o"' t 2>/dev/null && break; sleep 0.01; done &&
                         ln f o && wait $! && mv o out.m2v)",
                      0, true, summary(5, "o").substr(BANNER.size()), true, "strace -V"},
        // The output made a link to the input after the names were looked
        // up (the open of the output held back): the open files refuse it,
        // before anything is emptied or written.
        redirect_case{"OutputLinkedToInputMeanwhile",
                      R"(cp in.m2v x && { $STRACE -o t -P o -e trace=%%stat,openat \
                           -e inject=openat:delay_enter=2000000 "$@" x o >&2 & } &&
                         for i in $(seq 500); do grep -q '"o"' t 2>/dev/null && break; sleep 0.01; done &&
                         ln x o && wait $!; s=$?; cmp x in.m2v >&2; exit $s)",
                      1, false, BANNER + SAME, true, "strace -V"},
        // The banner is out before the input is opened (a FIFO's open waits
        // for a writer).
        redirect_case{"BannerBeforeInputOpens",
                      R"(mkfifo f && { "$@" f out.m2v >log & } && for i in $(seq 500); do
                         [ -s log ] && break; sleep 0.01; done; cat log >&2; cat in.m2v >f && wait $!)",
                      0, true, BANNER},
        // Standard output on one tmpfs, the output with its inode number on
        // another: not the output, so the summary stays on standard output.
        redirect_case{
            "StandardOutputInodeOnAnotherFileSystem",
            R"(mkdir a b && unshare -rm bash -c 'mount -t tmpfs t a && mount -t tmpfs t b &&
                         : >a/log && : >b/out.m2v && [ $(stat -c %i a/log) = $(stat -c %i b/out.m2v) ] &&
                         "$@" in.m2v b/out.m2v >a/log 2>/dev/null && cat a/log >&2 && cp b/out.m2v .' bash "$@")",
            0, true, summary(5, "b/out.m2v"), true, "unshare -rm true"},
        // No open makes a terminal the controlling one; a refused run opens
        // nothing for writing, also where "-" is the other name; the end of
        // a short input is read once.
        redirect_case{"OpenedWithoutControllingTerminal",
                      R"sh($STRACE -o t -e trace=open,openat "$@" in.m2v out.m2v <&- >/dev/null &&
                         ! $STRACE -o u -e trace=open,openat "$@" in.m2v ./in.m2v >/dev/null &&
                         ! $STRACE -o v -e trace=open,openat "$@" - in.m2v <in.m2v >/dev/null &&
                         { grep -hE '"(/dev/null|in\.m2v|out\.m2v)"' t | grep -v O_NOCTTY;
                           grep -h 'in\.m2v"' u v; } >&2; true)sh",
                      0, true, "", true, "strace -V"},
        // A plain run looks up each name once, each open file once, and
        // standard output once: the input, the output, their descriptors,
        // then descriptors 1 and 2.
        redirect_case{
            "PlainRunLooksUpOnce",
            R"sh($STRACE -o t -e trace=%%stat,openat,close "$@" in.m2v out.m2v >/dev/null &&
                         awk '/^openat\(.*"in\.m2v", / { i = $NF } /^openat\(.*"out\.m2v", / { o = $NF }
                              /^close\(/ { sub(/^close\(/, ""); sub(/\).*/, "");
                                           if ($0 == i) i = "-"; if ($0 == o) o = "-"; next }
                              !/^[a-z0-9]*stat/ { next } /"in\.m2v"/ { n[1]++ } /"out\.m2v"/ { n[2]++ }
                              { sub(/^[a-z0-9]*\(/, ""); sub(/,.*/, "") }
                              $0 == i { n[3]++ } $0 == o { n[4]++ } $0 == 1 { n[5]++ } $0 == 2 { n[6]++ }
                              END { print n[1] + 0, n[2] + 0, n[3] + 0, n[4] + 0, n[5] + 0, n[6] + 0 }' t >&2)sh",
            0, true, "1 1 1 1 1 0\n", true, "strace -V"},
        // Counted while the input is open: a sanitizer's runtime may take its
        // number afterwards.
        redirect_case{"ShortInputEndReadOnce",
                      R"sh(head -c 100000 in.m2v >s &&
                         $STRACE -o t -e trace=openat,read,close "$@" s x >/dev/null &&
                         awk '/^openat\(.*"s", / { fd = $NF }
                              fd != "" && index($0, "close(" fd ")") == 1 { fd = "" }
                              fd != "" && index($0, "read(" fd ", ") == 1 && / = 0$/ { n++ }
                              END { print n + 0 }' t >&2)sh",
                      0, false, "1\n", true, "strace -V"}),
    case_name);

// Names are opened as typed; a lower-cased twin is a different file here.
TEST(Names, OpenedAsTypedShownLowerCased) {
    temp_dir dir;
    write_file(dir / "Clip.M2V", small_stream());
    const auto r = run_quorvel({"Clip.M2V", "Result.M2V"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, summary(2, "result.m2v"));
    EXPECT_TRUE(fs::exists(dir / "Result.M2V"));
    EXPECT_FALSE(fs::exists(dir / "result.m2v"));
}

// É and é are two names to the comparison. On a case-sensitive file system
// they are two files; on Windows they name one file, which is then refused.
TEST(Names, BytesAboveAsciiAreNotFolded) {
    temp_dir dir;
    const bytes in = small_stream();
    write_file(dir / "\xC3\x89.m2v", in);
    const auto r = run_quorvel({"\xC3\x89.m2v", "\xC3\xA9.m2v"}, dir.path);
    if (native_run()) {
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, summary(2, "\xC3\xA9.m2v"));
        EXPECT_EQ(read_file(dir / "\xC3\xA9.m2v"), reference_filter(in).output);
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + SAME);
    }
    EXPECT_EQ(read_file(dir / "\xC3\x89.m2v"), in);
}

TEST(Names, LongerThanAnyFixedBuffer) {
    temp_dir dir;
    fs::path deep = dir.path;
    std::string relative;
    for (int i = 0; i < 6; ++i) {
        const std::string part(100, static_cast<char>('A' + i));
        deep /= part;
        relative += part + "/";
    }
    fs::create_directories(deep);
    write_file(deep / "in.m2v", small_stream());
    const std::string out_name = relative + "OUT.m2v";  // over 600 characters
    const auto r = run_quorvel({relative + "in.m2v", out_name}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, summary(2, lower_ascii(out_name)));
    EXPECT_EQ(read_file(deep / "OUT.m2v"), reference_filter(small_stream()).output);
}

TEST(Output, CannotBeOpened) {
    temp_dir dir;
    write_file(dir / "in.m2v", small_stream());
    fs::create_directory(dir / "Folder");
    const auto r = run_quorvel({"in.m2v", "Folder"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + "Unable to open output file folder\n\n");
    const auto r2 = run_quorvel({"in.m2v", "no/such/dir/out.m2v"}, dir.path);
    EXPECT_EQ(r2.status, 1);
    EXPECT_EQ(r2.out, BANNER + "Unable to open output file no/such/dir/out.m2v\n\n");
}

// A directory opens on POSIX systems and then fails to read; Windows refuses
// to open it. Either way no output appears.
TEST(Input, DirectoryIsRefused) {
    temp_dir dir;
    fs::create_directory(dir / "Clips");
    const auto r = run_quorvel({"Clips", "out.m2v"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + (native_run() ? "Error reading from input file clips\n\n"
                                            : "Unable to open input file clips\n\n"));
    EXPECT_FALSE(fs::exists(dir / "out.m2v"));
}

// A short name in a folder so deep that the full path passes Windows' old
// 260-character limit: Windows opens it only in the \\?\ form of that full
// path. Wine would open it either way, so its file trace shows which form the
// program asked for.
TEST(Names, ShortNameInDeepFolder) {
    temp_dir dir;
    fs::path deep = dir.path;
    // 235 characters: Wine refuses a working folder past 260.
    while (deep.string().size() < 235)
        deep /= std::string(std::min<std::size_t>(50, 234 - deep.string().size()), 'f');
    fs::create_directories(deep);
    const std::string in = "clip-in-a-deep-folder.m2v", out = "output-in-a-deep-folder.m2v";
    write_file(deep / in, small_stream());
    const char* debug = std::getenv("WINEDEBUG");
    const std::string debug_before = debug ? debug : "";
    if (!native_run()) setenv("WINEDEBUG", "trace+file", 1);
    const auto r = run_quorvel({in, out}, deep);
    if (!native_run()) setenv("WINEDEBUG", debug_before.c_str(), 1);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, summary(2, out));
    EXPECT_EQ(read_file(deep / out), reference_filter(small_stream()).output);
    if (!native_run()) {
        for (const std::string& name : {in, out}) {
            const std::string asked = R"(CreateFileW L"\\\\?\\)", ending = R"(\\)" + name + "\"";
            std::istringstream lines(r.err);
            bool long_form = false;
            for (std::string line; std::getline(lines, line);)
                long_form = long_form || (line.find(asked) != std::string::npos &&
                                          line.find(ending) != std::string::npos);
            EXPECT_TRUE(long_form) << name << " not opened by its full \\\\?\\ path";
        }
    }
    // Named in the \\?\ form already, and through a share (\\server\share,
    // which Wine serves from its prefix) long enough for \\?\UNC\.
    if (!native_run()) {
        const char* prefix = std::getenv("WINEPREFIX");
        const fs::path share =
            fs::path(prefix ? prefix : std::string(std::getenv("HOME")) + "/.wine") / "dosdevices" /
            "unc" / "quorvel" / (dir.path.filename().string() + std::string(40, 's'));
        fs::create_directories(share.parent_path());
        fs::create_symlink(dir.path, share);
        const std::string through_share = "\\\\quorvel\\" + share.filename().string() +
                                          windows_path(deep).substr(2 + dir.path.string().size());
        for (const std::string& name :
             {"\\\\?\\" + windows_path(deep / in), through_share + "\\" + in}) {
            fs::remove(dir / "o.m2v");
            EXPECT_EQ(run_quorvel({name, "o.m2v"}, dir.path).status, 0) << name;
            EXPECT_TRUE(fs::exists(dir / "o.m2v")) << name;
        }
        fs::remove(share);
    }
}

// Names in messages on a terminal: a pseudo-terminal, on which Wine gives the
// program a console. A name outside ASCII is shown whole; a control character
// is shown as '?', so that a name cannot set the title or forge a line. Into
// a pipe the name's bytes go out as they are.
struct shown_case {
    const char* name;
    std::string typed;
    std::string on_terminal;
    std::string output = "out.m2v";  // and any redirection, for the run on the terminal
    bool posix_only = false;         // Wine turns bytes that are not UTF-8 into U+FFFD
};

class ShownOnTerminal : public testing::TestWithParam<shown_case> {};

TEST_P(ShownOnTerminal, AndThroughPipe) {
    const shown_case& c = GetParam();
    if (c.posix_only && !native_run()) GTEST_SKIP() << "names that are not UTF-8";
    temp_dir dir;
    std::string command;
    for (const std::string& word : quorvel_command()) command += "'" + word + "' ";
    command += "'" + c.typed + "' " + c.output;
    const auto r = run_command({"script", "-qec", command, "/dev/null"}, dir.path);
    EXPECT_EQ(r.status, 1) << r.out;
    const std::string missing = "Unable to open input file ";
    EXPECT_NE(r.out.find(missing + c.on_terminal + "\r"), std::string::npos) << r.out;
    const auto piped = run_quorvel({c.typed, "out.m2v"}, dir.path);
    EXPECT_EQ(piped.out, BANNER + missing + lower_ascii(c.typed) + "\n\n");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ShownOnTerminal,
    testing::Values(shown_case{"OutsideAscii",
                               "\xC3\xBCn\xC3\xAF"
                               "c\xC3\xB6"
                               "d\xC3\xA9-\xE2\x82\xAC.m2v",  // ünïcödé-€
                               "\xC3\xBCn\xC3\xAF"
                               "c\xC3\xB6"
                               "d\xC3\xA9-\xE2\x82\xAC.m2v"},
                    shown_case{"TitleEscape", "Clip\x1B]0;TITLE\x07.m2v", "clip?]0;title?.m2v"},
                    shown_case{"ForgedLine", "a.m2v\nEmbedded 9 ...\x7F", "a.m2v?embedded 9 ...?"},
                    // C0 and C1 controls; U+00A0 is the first character past them.
                    shown_case{"C1Controls",
                               "\x01\x1F\xC2\x80\xC2\x9B"
                               "31m\xC2\x9F\xC2\xA0.m2v",
                               "???"
                               "?31m?\xC2\xA0.m2v"},
                    // Standard output is the output: the messages, on standard
                    // error, are the ones that reach the terminal.
                    shown_case{"OnStandardError", "Clip\x1B]0;TITLE\x07.m2v", "clip?]0;title?.m2v",
                               "- >/dev/null"},
                    // Also overlong forms, leads past F4, a lead where a
                    // continuation must be, and the surrogate U+DFFF.
                    shown_case{"NotUtf8",
                               "\xFF\xC3(\xE2\x82\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF\xC1\xBF"
                               "\xE0\x9F\xBF\xF0\x8F\xBF\xBF\xF5\x80\x80\x80\xF7\xBF\xBF\xBF\xE2"
                               "\xC0\x80\xED\xBF\xBF\xE2\x82\xC0.m2v",
                               "?"
                               "?(?????????" +
                                   std::string(28, '?') + ".m2v",
                               "out.m2v", true}),
    case_name);

// Names far outside any ANSI code page go in and come out whole, in UTF-8.
TEST(Names, OutsideAnsiCodePage) {
    temp_dir dir;
    const std::string in_name = "\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.m2v";       // Ωmega-日本
    const std::string out_name = "\xE5\x87\xBA\xE5\x8A\x9B-\xF0\x9F\x8E\xAC.M2V";  // 出力-🎬
    write_file(dir / in_name, small_stream());
    const auto r = run_quorvel({in_name, out_name}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, summary(2, "\xE5\x87\xBA\xE5\x8A\x9B-\xF0\x9F\x8E\xAC.m2v"));
    EXPECT_EQ(read_file(dir / out_name), reference_filter(small_stream()).output);
}

// Other names for the input file: refused before anything is opened, and the
// input keeps every byte. A FIFO opened twice would wait on itself for ever.
enum class alias { dot_slash, absolute, symlink, hard_link };

struct same_file_case {
    const char* name;
    alias other;
    bool fifo;
};

class SameFile : public testing::TestWithParam<same_file_case> {};

TEST_P(SameFile, IsRefusedAndInputKept) {
    const same_file_case& c = GetParam();
    if (c.fifo && !native_run()) GTEST_SKIP() << "no FIFOs under Wine";
    temp_dir dir;
    bytes in = small_stream();
    int fifo = -1;
    if (c.fifo) {
        // More than a block, all of it waiting in the pipe: the test holds the
        // FIFO open at both ends, so no open waits, the program never sees the
        // input end, and what it leaves in the pipe can be read back.
        in = make_stream(30, 12, 12000, 3);
        ASSERT_EQ(mkfifo((dir / "in.m2v").c_str(), 0600), 0);
        fifo = open((dir / "in.m2v").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(fcntl(fifo, F_SETPIPE_SZ, 1 << 20), static_cast<int>(in.size()));
        ASSERT_EQ(write(fifo, in.data(), in.size()), static_cast<ssize_t>(in.size()));
    } else {
        write_file(dir / "in.m2v", in);
    }
    std::string other;
    switch (c.other) {
        case alias::dot_slash:
            other = "./in.m2v";
            break;
        case alias::absolute:
            other = (dir / "in.m2v").string();
            break;
        case alias::symlink:
            fs::create_symlink("in.m2v", dir / "link.m2v");
            other = "link.m2v";
            break;
        case alias::hard_link:
            fs::create_hard_link(dir / "in.m2v", dir / "hard.m2v");
            other = "hard.m2v";
            break;
    }
    const auto r = run_quorvel({"in.m2v", other}, dir.path, 30);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + SAME);
    if (c.fifo) {
        // The names told: nothing was read, and nothing else written.
        bytes rest(in.size() + 1);
        rest.resize(
            static_cast<std::size_t>(std::max<ssize_t>(0, read(fifo, rest.data(), rest.size()))));
        close(fifo);
        EXPECT_TRUE(rest == in);
    } else {
        EXPECT_EQ(read_file(dir / "in.m2v"), in);
    }
}

// Windows up to 10 opens a device for aux.m2v or prn.m2v, which is refused
// like a file that cannot be opened; a device named as one (NUL) is written
// to. Elsewhere they are files like any other.
TEST(Names, DevicesOnlyWhereNamed) {
    temp_dir dir;
    write_file(dir / "in.m2v", small_stream());
    // Windows drops trailing dots and spaces: NUL. and "nul " name NUL too.
    const std::vector<std::string> devices = {"NUL", "NUL:", "NUL.", "nul "};
    for (const std::string name :
         {"aux.m2v", "NUL.m2v", "com1.m2v", "con.m2v", "NUL", "NUL:", "NUL.", "nul "}) {
        const bool named = std::find(devices.begin(), devices.end(), name) != devices.end();
        const bool refused = !native_run() && !named;
        const auto r = run_quorvel({"in.m2v", name}, dir.path);
        EXPECT_EQ(r.status, refused ? 1 : 0) << name;
        EXPECT_EQ(r.out, refused
                             ? BANNER + "Unable to open output file " + lower_ascii(name) + "\n\n"
                             : summary(2, lower_ascii(name)));
        EXPECT_EQ(fs::exists(dir / name), native_run()) << name;
    }
    for (const std::string input : {"prn.m2v", "nul.m2v"})
        EXPECT_EQ(run_quorvel({input, "out.m2v"}, dir.path).out,
                  BANNER + "Unable to open input file " + input + "\n\n");
    // A file named in the \\.\ form is a file.
    if (!native_run()) {
        const std::string dotted = "\\\\.\\" + windows_path(dir / "dotted.m2v");
        EXPECT_EQ(run_quorvel({"in.m2v", dotted}, dir.path).status, 0);
        EXPECT_TRUE(fs::exists(dir / "dotted.m2v"));
    }
}

// On Windows, names that differ in case (beyond what lower-casing A-Z sees)
// or in \\ against / name the same file too.
struct windows_names {
    const char* name;
    const char* input;
    const char* output;
};

class SameFileOnWindows : public testing::TestWithParam<windows_names> {};

TEST_P(SameFileOnWindows, IsRefused) {
    if (native_run()) GTEST_SKIP() << "Windows file names";
    temp_dir dir;
    fs::create_directory(dir / "Sub");
    const bytes in = small_stream();
    write_file(dir / "Sub" / "in.m2v", in);
    std::string output = GetParam().output;
    if (const auto at = output.find("{DIR}"); at != std::string::npos)
        output.replace(at, 5, windows_path(dir.path));
    const auto r = run_quorvel({GetParam().input, output}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, BANNER + SAME);
    EXPECT_EQ(read_file(dir / "Sub" / "in.m2v"), in);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SameFileOnWindows,
    testing::Values(windows_names{"BackslashAgainstSlash", "Sub\\in.m2v", "Sub/in.m2v"},
                    windows_names{"UpperCaseAndDot", "Sub/in.m2v", "SUB\\.\\IN.M2V"},
                    windows_names{"MixedCaseAndDotDot", "sub\\in.m2v", "Sub\\..\\Sub\\In.m2v"},
                    // Not told by the names, which open no device; never emptied.
                    windows_names{"DeviceForm", "Sub\\in.m2v", "\\\\.\\{DIR}\\Sub\\in.m2v"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(Aliases, SameFile,
                         testing::Values(same_file_case{"DotSlash", alias::dot_slash, false},
                                         same_file_case{"AbsolutePath", alias::absolute, false},
                                         same_file_case{"SymbolicLink", alias::symlink, false},
                                         same_file_case{"HardLink", alias::hard_link, false},
                                         same_file_case{"FifoDotSlash", alias::dot_slash, true},
                                         same_file_case{"FifoSymbolicLink", alias::symlink, true}),
                         case_name);

}  // namespace
