// Block-buffered input and output: an input buffer of a 256 KiB block and the
// 64 KiB a look past its end may keep, an output buffer of one block; one read
// request per input block and one write per full output block.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

inline constexpr std::int32_t BLOCK_SIZE = 0x40000;
// Input bytes not yet consumed that read_more_input() may keep in front of a
// whole read: a reader looking past the end of a block holds on to them.
inline constexpr std::int32_t INPUT_KEEP_MAX = 0x10000;

// The I/O state of the run: one instance each, shared with the stream pass.
extern std::uint8_t input_buffer[INPUT_KEEP_MAX + BLOCK_SIZE];
extern std::int32_t input_count;  // valid bytes in input_buffer; 0 once the input has ended
extern std::int32_t input_pos;    // next byte not yet consumed
extern std::uint8_t output_buffer[BLOCK_SIZE];
extern std::int32_t output_count;  // bytes waiting, below output_block_size between calls

// Seams for tests and the fuzz target, which run the whole sequence
// in-process. The size of a read request and of a full output block,
// BLOCK_SIZE in the program, made small to force block boundaries
// everywhere; and, when set, what fail() calls after the message instead of
// ending the process (it must not return: it throws).
extern std::int32_t input_block_size;
extern std::int32_t output_block_size;
extern void (*fail_instead_of_exit)();

// Lower-cased file names, as compared and shown in messages.
extern std::string input_name;
extern std::string output_name;

// The standard streams are descriptors, not names: "-" (standard input as
// the input, standard output as the output), /dev/stdin, /dev/stdout,
// /dev/stderr and /dev/fd/N stand for the descriptor itself, which is used
// where it stands, never opened again by its name nor emptied. -1 for any
// other name.
int standard_descriptor(const std::string& path, int dash);

// Messages go to standard output, unless the output is standard output, or
// standard output writes into the output or the input (the same file, pipe or
// socket): then to standard error, or nowhere when that does too. First
// decided by the names, before the banner; then by the open files.
void keep_messages_out_of(const std::string& input_path, const std::string& output_path);
void keep_messages_out_of_open_files();
// Prints a message at once, with the file name for a %s. On a terminal a
// control character (C0, DEL, C1) or a byte that is not part of valid UTF-8
// in the name is shown as '?', so that a name cannot drive the terminal;
// elsewhere the name goes out as it is.
void message(const char* text, const std::string& name = {});

// Prints the message, closes whichever files are open and ends the process
// with status 1.
[[noreturn]] void fail(const char* text, const std::string& name = {});

// Opening and closing; the names are the ones the user typed (UTF-8).
bool open_input(const std::string& path);
bool open_output(const std::string& path);  // created if missing, not yet emptied
// Whether writing the output would write into the input: one stored file
// (whatever names, a FIFO or a block device too), or files that cannot be
// told apart. A terminal or a socket is read and written apart. By the names,
// for files that exist, before anything is opened; then by the open files.
bool names_are_one_file(const std::string& input_path, const std::string& output_path);
bool output_is_input();
bool empty_output();  // truncates a regular output named as a file
void close_files();   // the output's close is checked like a write

// Reads until the block is full or the input ends; the header check's read.
void read_first_block();
void refill_input();  // called when every byte held has been consumed
// Reads one more request after the bytes not yet consumed (at most
// INPUT_KEEP_MAX of them), which may move to the front of the buffer first;
// false, with nothing changed, at the end of the input.
bool read_more_input();
void flush_output();
void copy_byte();
void put_byte(std::uint8_t value);
// Moves the next n input bytes (n at most what the block holds) to the output.
void copy_bytes(std::int32_t n);

}  // namespace quorvel
