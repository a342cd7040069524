// The few file calls the program needs, on POSIX systems and on Windows.
// Paths arrive as UTF-8 (on Windows WTF-8, which also holds names that are
// not valid UTF-16); handles are C runtime file descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::platform {

// On Windows a name that opens a device though it names none (aux.m2v or
// nul.m2v up to Windows 10) is not opened: -1, as for a missing file.
int open_for_reading(const std::string& path);
int open_for_writing(const std::string& path);  // created if missing, never truncated here
// A copy of one of the process's own descriptors, which reads and writes
// where the original stands (and keeps its O_APPEND); -1 if it is not open.
int duplicate(int fd);
// Bytes read, 0 at the end of the input, -1 on failure. One request per call.
long read_some(int fd, std::uint8_t* data, std::int32_t size);
// One request for the whole run unless the system takes less; false on failure.
bool write_all(int fd, const std::uint8_t* data, std::int32_t size);
bool close_file(int fd);

inline constexpr int STANDARD_INPUT = 0;
inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;
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
    bool comparable = false;   // index (and volume) below are known
    bool volume_known = true;  // Wine tells a standard handle a shell opened by its index alone
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
};
file_identity identify(int fd);
// The existing file a name opens, which is not opened for reading or writing.
file_identity identify(const std::string& path);
// Whether both identities are known and name one file, pipe or socket.
bool same_identity(const file_identity& a, const file_identity& b);

// Empties a regular file; a FIFO or a device is left as it is.
bool truncate_regular(int fd);

// The code point of the UTF-8 sequence at `at`, which moves past it, also a
// surrogate half (as WTF-8 holds one); -1 for a byte that starts no valid
// sequence, and `at` moves past that byte alone.
long next_code_point(const std::string& text, std::size_t& at);

// UTF-16 as WTF-8 and back, for Windows names: an unpaired surrogate, which
// NTFS names may hold, is kept as its own three bytes, so every name comes
// back whole and no two names become one.
std::string narrow(std::u16string_view wide);
std::u16string widen(const std::string& text);

}  // namespace quorvel::platform
