// The few file calls the program needs, on POSIX systems and on Windows.
// Paths arrive as UTF-8; handles are C runtime file descriptors.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::platform {

int open_for_reading(const std::string& path);
int open_for_writing(const std::string& path);  // created if missing, never truncated here
// Bytes read, 0 at the end of the input, -1 on failure. One request per call.
long read_some(int fd, std::uint8_t* data, std::int32_t size);
// One request for the whole run unless the system takes less; false on failure.
bool write_all(int fd, const std::uint8_t* data, std::int32_t size);
bool close_file(int fd);

// Standard output and standard error, as descriptors.
inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;
// Writes a message (UTF-8) to the descriptor at once: as UTF-16 to a Windows
// console, as the bytes themselves to anything else.
void print(int fd, const std::string& text);
// Whether the descriptor is a terminal (a console on Windows).
bool is_terminal(int fd);
// Whether writing to the descriptor `standard` writes into the open file `fd`
// (the same file or pipe); a character device such as /dev/null or a
// terminal is not counted, as nothing written there ends up in a file.
bool writes_into(int standard, int fd);
// The same for the existing file a name opens, before it is opened, also a
// name such as /dev/stdout for standard output's pipe.
bool writes_into(int standard, const std::string& path);
// Whether two open files are one: device and inode, or on Windows volume
// serial number and file index. Files whose identity cannot be read are not.
bool same_file(int a, int b);
// Empties a regular file; a FIFO or a device is left as it is.
bool truncate_regular(int fd);

}  // namespace quorvel::platform
