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
// Writes a message (UTF-8) to standard output: as UTF-16 to a Windows
// console, as the bytes themselves to anything else.
void print(const std::string& text);
// Whether two open files are one: device and inode, or on Windows volume
// serial number and file index. Files whose identity cannot be read are not.
bool same_file(int a, int b);
// Empties a regular file; a FIFO or a device is left as it is.
bool truncate_regular(int fd);

}  // namespace quorvel::platform
