// Shared test helpers: running the built program, temporary directories and
// stream builders; the reference of the insertion rule is in reference.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "reference.h"

namespace qt {

namespace fs = std::filesystem;

inline constexpr std::size_t BLOCK = 262144;
inline const std::string BANNER = "Quorvel - version 1.1, by the Quorvel developers\n\n";
// Scan information as encoders write it, offsets still unknown.
inline const bytes ENCODER_SCAN_INFO = {0x00, 0x00, 0x01, 0xB2, 0x10, 0x0E, 0x00, 0x80, 0x81,
                                        0x00, 0x80, 0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct run_result {
    int status = -1;
    std::string out;  // standard output, line ends normalised to \n
    std::string err;
};

// Runs a command (found on PATH) in the given directory, capturing its output.
// A run that outlives its time limit is ended, with all it started, and
// gets status 124; standard error then says so.
inline constexpr int TIME_LIMIT = 60;
run_result run_command(const std::vector<std::string>& command, const fs::path& cwd,
                       int time_limit_seconds = TIME_LIMIT);
// True when a program of that name is on PATH.
bool have_program(const std::string& name);

// The program under test: QUORVEL_EXE, or the one this build made.
std::string quorvel_exe();
// The command that starts it: QUORVEL_RUNNER's words (such as wine), then the program.
std::vector<std::string> quorvel_command();
// Runs the program (through QUORVEL_RUNNER such as wine when set) with the
// given arguments in the given directory, within the time limit.
run_result run_quorvel(const std::vector<std::string>& args, const fs::path& cwd,
                       int time_limit_seconds = TIME_LIMIT);
// Every program the tests start may write files of up to 256 MiB; the test
// of an input past 4 GiB lifts that limit.
void lift_file_size_limit();
// True when the program runs natively, so POSIX-only cases apply.
bool native_run();

// A fresh directory, removed with its contents afterwards.
struct temp_dir {
    fs::path path;
    temp_dir();
    ~temp_dir();
    fs::path operator/(const std::string& name) const { return path / name; }
};

bytes read_file(const fs::path& path);
void write_file(const fs::path& path, const bytes& data);
void append(bytes& to, const bytes& what);

// Stream pieces. A sequence header of 12, 76 or 140 bytes: intra and
// non-intra name the quantiser matrices that follow.
bytes sequence_header(bool intra = false, bool non_intra = false);
bytes sequence_extension();  // 00 00 01 B5 and the six bytes after it
bytes gop_header();
bytes picture_header();
bytes picture_coding_extension(bool composite_display = false);
bytes slice(std::size_t payload, std::uint32_t seed);
// Headers, then pictures, with a sequence header before every gop_size pictures.
bytes make_stream(int pictures, int gop_size, std::size_t slice_bytes, std::uint32_t seed);

std::string summary(std::uint64_t blocks, const std::string& output_name);

// Test names for parameterised cases that carry their own `name`, the same in
// every build.
inline constexpr auto case_name = [](const auto& info) { return std::string(info.param.name); };

}  // namespace qt
