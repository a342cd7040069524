// What a name on the command line stands for: one of the descriptors the
// program was given, or a file by its name.
#pragma once

#include <string>

namespace quorvel {

// The descriptor a name stands for, or -1 for a file by its name. "-" is
// `dash`. /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N and
// /proc/self/fd/N are descriptors on every system. On POSIX systems so is
// every other name that reaches a descriptor folder of this process, its
// links followed one component at a time as the system follows them:
// /dev/fd, /proc/self/fd, /proc/thread-self/fd or /proc/PID/fd with the
// program's own PID, as /dev/./stdout, /dev/fd//1 or a link to /dev/stdout
// do. N is read as the system reads it there: decimal, no leading zero.
int descriptor_named(const std::string& name, int dash);

}  // namespace quorvel
