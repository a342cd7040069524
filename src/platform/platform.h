// The few system calls the program needs, on POSIX systems
// (platform_posix.cpp) and on Windows (platform_windows.cpp). Paths arrive as
// UTF-8 (on Windows WTF-8, which also holds names that are not valid UTF-16);
// handles are C runtime file descriptors.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::platform {

inline constexpr int STANDARD_INPUT = 0;
inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;

// Whether the descriptor is open.
bool is_open(int fd);
#ifndef _WIN32
// Something to hold a closed standard descriptor's number that no name can
// open again: a socket, which open() refuses through /proc or /dev/fd
// (ENXIO). Where no socket can be made, /dev/null opened the wrong way round
// (for writing or for reading). The descriptor, or -1.
int open_stand_in(bool for_writing);
// The folder a relative name starts from, as the system has it; "" if it
// cannot be told.
std::string current_folder();
// What a name is without following it: -1 nothing (or not to be looked at),
// 0 anything but a symbolic link, 1 a link, whose target it puts in `target`.
int look_at_link(const std::string& path, std::string& target);
// This process's own number, as its /proc folder is named (/proc/self's
// target, or getpid() where there is no /proc).
std::string own_process_number();
// Keeps a write past the file size limit, or into a pipe whose reader has
// gone, from ending the program by a signal: the write fails instead.
void fail_writes_instead_of_signals();
#endif

// On Windows a name that opens a device though it names none (aux.m2v or
// nul.m2v up to Windows 10) is not opened: -1, as for a missing file.
int open_for_reading(const std::string& path);
int open_for_writing(const std::string& path);  // created if missing, never truncated here
// A copy of an open descriptor, which reads and writes where the original
// stands (and keeps its O_APPEND); -1 on failure.
int duplicate(int fd);
// Bytes read, 0 at the end of the input, -1 on failure. One request per call.
long read_some(int fd, std::uint8_t* data, std::int32_t size);
// One request for the whole run unless the system takes less; false on failure.
bool write_all(int fd, const std::uint8_t* data, std::int32_t size);
bool close_file(int fd);
bool truncate_file(int fd);

// Writes a message (UTF-8) to the descriptor at once: as UTF-16 to a Windows
// console, as the bytes themselves to anything else.
void print(int fd, const std::string& text);
// Whether the descriptor is a terminal (a console on Windows).
bool is_terminal(int fd);

// What tells one file from another: device and inode, or on Windows volume
// serial number and file index.
struct file_identity {
    enum class kind {
        missing,  // not open, no such file, or a device name that is not opened to be told
        stored,   // a file, FIFO or block device: what is written there can be read back
        device,   // a character device (a terminal, /dev/null): nothing written is kept
        stream,   // a socket (on Windows a pipe): read and written apart
    };
    kind what = kind::missing;
    bool regular = false;       // a regular file (a disk file on Windows), the kind that is emptied
    bool block_device = false;  // told by the device it is (index), not by the node
    bool comparable = false;    // index (and volume) below are known
    bool volume_known = true;   // Wine tells a standard handle a shell opened by its index alone
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
};
file_identity identify(int fd);
// The existing file a name opens, which is not opened for reading or writing.
file_identity identify(const std::string& path);

}  // namespace quorvel::platform
