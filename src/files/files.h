// The two files as the command line names them: each argument resolved once,
// at the start, into one value that every later step uses; the two open
// descriptors; the same-file rule; where the messages go, and fail().
#pragma once

#include <string>

namespace quorvel {

// What an argument names. The standard streams are descriptors, not names:
// "-" (standard input as the input, standard output as the output),
// /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N and any
// name that reaches a descriptor folder of the program's own (names.h) stand
// for the descriptor itself, which is used where it stands, never opened
// again by its name nor emptied. A descriptor that was closed when the
// program started names nothing, whatever has taken its number since.
struct named_file {
    std::string typed;           // as typed (UTF-8): what the file calls open
    std::string lowered;         // lower-cased: compared, and shown in messages
    int descriptor = -1;         // the descriptor it stands for, or -1 for a file by its name
    bool open_at_start = false;  // whether that descriptor was open at start
};

struct command_line {
    int count = 0;  // the arguments, the program's name among them
    named_file input, output;
    bool standard_open[3] = {};  // which of descriptors 0 to 2 were open at start
};

// Works out what the arguments name; opens nothing, so that it can run
// before the closed standard descriptors are given stand-ins.
command_line resolve_command_line(int argc, const std::string* argv);

// The run's two files: the names resolved at start, and the descriptors once
// open (-1 until then and after they are closed).
extern named_file input_name;
extern named_file output_name;
extern int input_file;
extern int output_file;

// Takes the resolved names for the run and decides by them where messages
// go (standard output, unless the output is standard output, or standard
// output writes into the output or into the input: then standard error, or
// nowhere when that does too). The names are looked up here, once.
void use_names(const command_line& line);
// Whether writing the output would write into the input: one stored file
// (whatever names, a FIFO or a block device too), or files that cannot be
// told apart. A terminal or a socket is read and written apart. By the
// names, for files that exist, before anything is opened...
bool names_are_one_file();
bool open_input();
bool open_output();  // created if missing, not yet emptied
// ...and by the open files, once both are open, which also decide again
// where the messages go. Then the output named as a file, if it is a regular
// one, is emptied.
void identify_open_files();
bool output_is_input();
bool empty_output();
void close_files();  // the output's close is checked like a write

// Prints a message at once, with the file name for a %s (shown on a terminal
// as text::shown_on_terminal() has it).
void message(const char* text, const std::string& name = {});

// A seam for tests and the fuzz target, which run the whole sequence
// in-process: when set, what fail() calls after the message instead of
// ending the process (it must not return: it throws).
extern void (*fail_instead_of_exit)();
// Prints the message, closes whichever files are open and ends the process
// with status 1.
[[noreturn]] void fail(const char* text, const std::string& name = {});

}  // namespace quorvel
