// The system calls on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>

#include "platform.h"

// Inputs and outputs past 2 GiB: on a 32-bit system only 64-bit file offsets
// make open() ask for a large file. Without them the kernel refuses to open an
// input of 2 GiB or more and fails the first write past 2 GiB of output.
static_assert(sizeof(off_t) >= 8,
              "file offsets must be 64 bits wide: build with -D_FILE_OFFSET_BITS=64");

namespace quorvel::platform {

bool is_open(int fd) { return ::fcntl(fd, F_GETFD) >= 0 || errno != EBADF; }

int open_stand_in(bool for_writing) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    return fd >= 0 ? fd : ::open("/dev/null", (for_writing ? O_WRONLY : O_RDONLY) | O_NOCTTY);
}

std::string current_folder() {
    char path[PATH_MAX];
    return ::getcwd(path, sizeof path) != nullptr && path[0] == '/' ? path : "";
}

int look_at_link(const std::string& path, std::string& target) {
    struct stat s;
    if (::lstat(path.c_str(), &s) != 0) return -1;
    if (!S_ISLNK(s.st_mode)) return 0;
    char text[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), text, sizeof text);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof text)) return -1;
    target.assign(text, static_cast<std::size_t>(n));
    return 1;
}

// /proc/self names the process as the PID namespace of that /proc counts
// it, which can differ from getpid() (a /proc mounted outside the
// program's own namespace).
std::string own_process_number() {
    char text[32];
    const ssize_t n = ::readlink("/proc/self", text, sizeof text);
    if (n > 0 && n < static_cast<ssize_t>(sizeof text)) return std::string(text, n);
    return std::to_string(::getpid());
}

void fail_writes_instead_of_signals() {
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

// No file opened here becomes the controlling terminal of a session leader.
int open_for_reading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
}

int open_for_writing(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
}

// Above the standard descriptors, so that a copy never takes one of them.
int duplicate(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

namespace {

// Whether a call that failed may be made again: it was interrupted, or the
// descriptor is non-blocking (a front-end, or a sibling sharing the pipe, may
// have made it so) and was not ready, which is then waited for.
bool try_again(int fd, short ready) {
    if (errno == EINTR) return true;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd wait_for{fd, ready, 0};
    return ::poll(&wait_for, 1, -1) >= 0 || errno == EINTR;
}

}  // namespace

long read_some(int fd, std::uint8_t* data, std::int32_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, data, static_cast<size_t>(size));
        if (n >= 0) return static_cast<long>(n);
        if (!try_again(fd, POLLIN)) return -1;
    }
}

bool write_all(int fd, const std::uint8_t* data, std::int32_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && try_again(fd, POLLOUT)) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::int32_t>(n);
    }
    return true;
}

// Linux closes the descriptor even when close() is interrupted, and a second
// close could close a file that has taken its number since: an interrupted
// close (EINTR) counts as done. A delayed write error comes as EIO.
bool close_file(int fd) { return ::close(fd) == 0 || errno == EINTR; }

bool truncate_file(int fd) { return ::ftruncate(fd, 0) == 0; }

void print(int fd, const std::string& text) {
    write_all(fd, reinterpret_cast<const std::uint8_t*>(text.data()),
              static_cast<std::int32_t>(text.size()));
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

namespace {

file_identity identity_of(const struct stat& s) {
    file_identity id;
    id.what = S_ISCHR(s.st_mode)    ? file_identity::kind::device
              : S_ISSOCK(s.st_mode) ? file_identity::kind::stream
                                    : file_identity::kind::stored;
    id.regular = S_ISREG(s.st_mode);
    id.comparable = true;
    // Every node of a block device is that device.
    id.block_device = S_ISBLK(s.st_mode);
    id.volume = id.block_device ? 0 : static_cast<std::uint64_t>(s.st_dev);
    id.index = static_cast<std::uint64_t>(id.block_device ? s.st_rdev : s.st_ino);
    return id;
}

}  // namespace

file_identity identify(int fd) {
    struct stat s;
    return ::fstat(fd, &s) == 0 ? identity_of(s) : file_identity{};
}

file_identity identify(const std::string& path) {
    struct stat s;
    return ::stat(path.c_str(), &s) == 0 ? identity_of(s) : file_identity{};
}

}  // namespace quorvel::platform
