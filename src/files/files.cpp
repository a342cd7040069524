#include "files.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "../platform/platform.h"
#include "../text/text.h"
#include "names.h"

namespace quorvel {

named_file input_name;
named_file output_name;
int input_file = -1;
int output_file = -1;
void (*fail_instead_of_exit)() = nullptr;

namespace {

using platform::file_identity;
using kind = file_identity::kind;

// What the run has looked up, each once: the two names before anything is
// opened, the two files once open, and standard output and standard error
// when first needed.
struct looked_up {
    file_identity input_by_name, output_by_name;
    file_identity input_open, output_open;
    bool standard_open[3] = {};
    bool standard_known[3] = {};
    file_identity standard[3];
};
looked_up identities;

// Standard output or standard error; -1: no message is printed.
int message_fd = platform::STANDARD_OUTPUT;

named_file resolve(const std::string& argument, int dash, const bool (&standard_open)[3]) {
    named_file file{argument, text::lower_ascii(argument), descriptor_named(argument, dash)};
    const int fd = file.descriptor;
    file.open_at_start =
        fd >= 0 && (fd <= platform::STANDARD_ERROR ? standard_open[fd] : platform::is_open(fd));
    return file;
}

// The standard descriptors stay what they were at start for the whole run,
// so each is looked up once.
const file_identity& standard_identity(int fd) {
    if (!identities.standard_known[fd] && identities.standard_open[fd])
        identities.standard[fd] = platform::identify(fd);
    identities.standard_known[fd] = true;
    return identities.standard[fd];
}

file_identity identify_named(const named_file& file) {
    if (file.descriptor < 0) return platform::identify(file.typed);
    if (!file.open_at_start) return {};
    if (file.descriptor <= platform::STANDARD_ERROR) return standard_identity(file.descriptor);
    return platform::identify(file.descriptor);
}

// Whether both identities are known and name one file, pipe or socket.
bool same_identity(const file_identity& a, const file_identity& b) {
    return a.comparable && b.comparable && a.block_device == b.block_device && a.index == b.index &&
           (a.volume == b.volume || !a.volume_known || !b.volume_known);
}

// A character device keeps nothing written to it: a terminal or /dev/null
// that is also the output or the input still takes the messages.
bool writes_into(const file_identity& standard, const file_identity& file) {
    return standard.what != kind::device && same_identity(standard, file);
}

// A standard stream closed at start takes no message, whatever has its
// number now.
int message_descriptor(const file_identity& input, const file_identity& output) {
    for (const int fd : {platform::STANDARD_OUTPUT, platform::STANDARD_ERROR}) {
        if (fd == output_name.descriptor) continue;
        const file_identity& standard = standard_identity(fd);
        // What is written to a socket never enters what is read from it: a
        // socket that is the input takes the messages, one that is the output
        // never does.
        const bool into_input = input.what != kind::stream && writes_into(standard, input);
        if (!into_input && !writes_into(standard, output))
            return identities.standard_open[fd] ? fd : -1;
    }
    return -1;
}

// Stored files only: reading and writing a terminal or a socket go apart.
// Files that exist but cannot be told apart count as one.
bool one_stored_file(const file_identity& input, const file_identity& output) {
    for (const kind k : {input.what, output.what})
        if (k == kind::device || k == kind::stream) return false;
    if (!input.comparable || !output.comparable) return true;
    return same_identity(input, output);
}

// A descriptor is copied, so that closing the run's file leaves it open.
int open_named(const named_file& file, int (*open_by_name)(const std::string&)) {
    if (file.descriptor < 0) return open_by_name(file.typed);
    return file.open_at_start ? platform::duplicate(file.descriptor) : -1;
}

void close_quietly(int& fd) {
    if (fd >= 0) platform::close_file(fd);
    fd = -1;
}

}  // namespace

command_line resolve_command_line(int argc, const std::string* argv) {
    command_line line;
    line.count = argc;
    for (int fd = platform::STANDARD_INPUT; fd <= platform::STANDARD_ERROR; ++fd)
        line.standard_open[fd] = platform::is_open(fd);
    if (argc >= 3) {
        line.input = resolve(argv[1], platform::STANDARD_INPUT, line.standard_open);
        line.output = resolve(argv[2], platform::STANDARD_OUTPUT, line.standard_open);
    }
    return line;
}

void use_names(const command_line& line) {
    input_name = line.input;
    output_name = line.output;
    identities = looked_up{};
    std::copy(std::begin(line.standard_open), std::end(line.standard_open),
              identities.standard_open);
    message_fd = line.standard_open[platform::STANDARD_OUTPUT] ? platform::STANDARD_OUTPUT : -1;
    if (line.count < 3) return;
    identities.input_by_name = identify_named(input_name);
    identities.output_by_name = identify_named(output_name);
    message_fd = message_descriptor(identities.input_by_name, identities.output_by_name);
}

bool names_are_one_file() {
    // Two "-" are standard input and standard output.
    if (input_name.lowered == output_name.lowered && input_name.typed != "-") return true;
    const file_identity& input = identities.input_by_name;
    const file_identity& output = identities.output_by_name;
    return input.what != kind::missing && output.what != kind::missing &&
           one_stored_file(input, output);
}

bool open_input() {
    input_file = open_named(input_name, platform::open_for_reading);
    return input_file >= 0;
}

bool open_output() {
    output_file = open_named(output_name, platform::open_for_writing);
    return output_file >= 0;
}

void identify_open_files() {
    identities.input_open = platform::identify(input_file);
    identities.output_open = platform::identify(output_file);
    message_fd = message_descriptor(identities.input_open, identities.output_open);
}

bool output_is_input() { return one_stored_file(identities.input_open, identities.output_open); }

bool empty_output() {
    return output_name.descriptor >= 0 || !identities.output_open.regular ||
           platform::truncate_file(output_file);
}

void close_files() {
    close_quietly(input_file);
    const int fd = output_file;
    output_file = -1;
    if (fd >= 0 && !platform::close_file(fd))
        fail("Error writing to output file %s\n\n", output_name.lowered);
}

void message(const char* text, const std::string& name) {
    if (message_fd < 0) return;
    const std::string shown =
        platform::is_terminal(message_fd) ? text::shown_on_terminal(name) : name;
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

}  // namespace quorvel
