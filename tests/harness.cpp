#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace qt {

namespace {

std::string env_or(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string without_cr(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::vector<std::string> split_words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// A program under test that never stops writing is stopped by a file size
// limit well above any output the tests expect, which the programs started
// inherit.
[[maybe_unused]] const bool file_size_limited = [] {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, rlim_t{256} << 20);
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}();

}  // namespace

void lift_file_size_limit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
}

bool native_run() { return env_or("QUORVEL_RUNNER", "").empty(); }

run_result run_command(const std::vector<std::string>& command, const fs::path& cwd,
                       int time_limit_seconds) {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    temp_dir capture;
    const fs::path out_path = capture / "stdout", err_path = capture / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    // In a process group of its own, so that a run out of time is ended with
    // everything it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + command.front() + ": " + std::strerror(spawned));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(time_limit_seconds);
    int wait_status = 0;
    bool late = false;
    for (auto pause = std::chrono::microseconds(100); waitpid(pid, &wait_status, WNOHANG) == 0;
         pause = std::min(2 * pause, std::chrono::microseconds(5000))) {
        if (std::chrono::steady_clock::now() > deadline) {
            late = true;
            kill(-pid, SIGKILL);
            waitpid(pid, &wait_status, 0);
            break;
        }
        usleep(static_cast<useconds_t>(pause.count()));
    }

    run_result result;
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    if (late) result.status = 124;
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    if (late)
        result.err += "\n[" + command.front() + " ended after " +
                      std::to_string(time_limit_seconds) + " s]\n";
    return result;
}

bool have_program(const std::string& name) {
    const std::string path = env_or("PATH", "/usr/bin:/bin");
    std::istringstream dirs(path);
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((fs::path(dir) / name).c_str(), X_OK) == 0) return true;
    return false;
}

std::string quorvel_exe() { return env_or("QUORVEL_EXE", QUORVEL_EXE_DEFAULT); }

std::vector<std::string> quorvel_command() {
    std::vector<std::string> command = split_words(env_or("QUORVEL_RUNNER", ""));
    command.push_back(quorvel_exe());
    return command;
}

run_result run_quorvel(const std::vector<std::string>& args, const fs::path& cwd,
                       int time_limit_seconds) {
    std::vector<std::string> command = quorvel_command();
    command.insert(command.end(), args.begin(), args.end());
    run_result result = run_command(command, cwd, time_limit_seconds);
    // Now and then (seen twice, each time once in a whole run of the suite)
    // Wine ends a program that has not printed its banner yet with status 1
    // and no word. The program itself never fails silently while its
    // standard output and error are files apart from the output, so such a
    // run is made once more, and said so.
    if (!native_run() && result.status == 1 && result.out.empty() && result.err.empty()) {
        std::fprintf(stderr, "[the runner ended %s silently with status 1: run again]\n",
                     quorvel_exe().c_str());
        result = run_command(command, cwd, time_limit_seconds);
    }
    if (!native_run()) {
        result.out = without_cr(result.out);
        // Standard error then also holds the runner's own chatter.
    }
    return result;
}

temp_dir::temp_dir() {
    // Under the build tree, where the next ctest run removes what a killed
    // test left.
    fs::create_directories(QUORVEL_SCRATCH);
    std::string pattern = (fs::path(QUORVEL_SCRATCH) / "quorvel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const fs::path& path, const bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

void append(bytes& to, const bytes& what) { to.insert(to.end(), what.begin(), what.end()); }

bytes sequence_header(bool intra, bool non_intra) {
    // 480x576, aspect 4:3, 25 Hz, 2.5 Mbit/s, VBV 112, constrained flag clear.
    bytes h = {0x00, 0x00, 0x01, 0xB3, 0x1E, 0x02, 0x40, 0x23, 0x06, 0x1A, 0xA3, 0x80};
    if (intra) {
        h.back() |= 0x02;
        for (int i = 0; i < 64; ++i) h.push_back(static_cast<std::uint8_t>(0x10 + (i & 0x0E)));
    }
    if (non_intra) {
        h.back() |= 0x01;  // the last byte before the matrix carries the flag
        for (int i = 0; i < 64; ++i) h.push_back(0x10);
    }
    return h;
}

bytes sequence_extension() { return {0x00, 0x00, 0x01, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00}; }
bytes gop_header() { return {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40}; }
bytes picture_header() { return {0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0xFF, 0xF8}; }

bytes picture_coding_extension(bool composite_display) {
    if (composite_display)
        return {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0xC0, 0x5A, 0x00};
    return {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80};
}

bytes slice(std::size_t payload, std::uint32_t seed) {
    bytes s = {0x00, 0x00, 0x01, 0x01};
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < payload; ++i) {
        auto b = static_cast<std::uint8_t>(rng());
        // Coded data holds no start code prefix.
        if (b == 0x00 && s.size() >= 2 && s[s.size() - 1] == 0x00) b = 0x5A;
        s.push_back(b);
    }
    return s;
}

bytes make_stream(int pictures, int gop_size, std::size_t slice_bytes, std::uint32_t seed) {
    bytes s;
    for (int i = 0; i < pictures; ++i) {
        if (i % gop_size == 0) {
            append(s, sequence_header());
            append(s, sequence_extension());
            append(s, gop_header());
        }
        append(s, picture_header());
        append(s, picture_coding_extension());
        append(s, slice(slice_bytes, seed + static_cast<std::uint32_t>(i)));
    }
    return s;
}

std::string summary(std::uint64_t blocks, const std::string& output_name) {
    return BANNER + "Embedded " + std::to_string(blocks) +
           " SVCD scan information user data blocks in " + output_name + "\n";
}

}  // namespace qt
