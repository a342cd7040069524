#include "platform_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
// Inputs and outputs past 2 GiB: on a 32-bit system only 64-bit file offsets
// make open() ask for a large file. Without them the kernel refuses to open an
// input of 2 GiB or more and fails the first write past 2 GiB of output.
static_assert(sizeof(off_t) >= 8,
              "file offsets must be 64 bits wide: build with -D_FILE_OFFSET_BITS=64");
#endif

namespace quorvel::platform {

#ifdef _WIN32

namespace {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
    return wide;
}

// A path whose full form passes the old 260-character limit (whatever the
// length of the name as typed: a short name in a deep folder too) needs the
// \\?\ form of that full path; \\server\share paths take \\?\UNC\. Names
// already in the \\?\ or \\.\ form are left as given.
std::wstring native_path(const std::string& utf8) {
    std::wstring path = widen(utf8);
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    if (full.size() < MAX_PATH - 12) return path;  // 248: a folder's limit, the stricter one
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

void print(const std::string& text) {
    // On a console, UTF-16 through WriteConsoleW, whatever its code page;
    // line ends as the C runtime's text mode writes them elsewhere.
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (console == nullptr || console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    std::wstring wide;
    for (const wchar_t c : widen(text)) {
        if (c == L'\n') wide += L'\r';
        wide += c;
    }
    // Pieces small enough for every console, never splitting a surrogate pair.
    constexpr std::size_t PIECE = 8192;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t n = std::min(PIECE, wide.size() - at);
        if (at + n < wide.size() && IS_HIGH_SURROGATE(wide[at + n - 1])) --n;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(n), &written, nullptr) ||
            written == 0)
            return;
        at += written;
    }
}

int open_for_reading(const std::string& path) {
    return _wopen(native_path(path).c_str(), _O_RDONLY | _O_BINARY);
}

int open_for_writing(const std::string& path) {
    return _wopen(native_path(path).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
}

long read_some(int fd, std::uint8_t* data, std::int32_t size) {
    return _read(fd, data, static_cast<unsigned>(size));
}

bool write_all(int fd, const std::uint8_t* data, std::int32_t size) {
    while (size > 0) {
        const int n = _write(fd, data, static_cast<unsigned>(size));
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

bool close_file(int fd) { return _close(fd) == 0; }

bool same_file(int a, int b) {
    const auto identity = [](int fd, BY_HANDLE_FILE_INFORMATION& info) {
        const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
        return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
    };
    BY_HANDLE_FILE_INFORMATION x, y;
    return identity(a, x) && identity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool truncate_regular(int fd) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return GetFileType(handle) != FILE_TYPE_DISK || _chsize(fd, 0) == 0;
}

#else

int open_for_reading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int open_for_writing(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

long read_some(int fd, std::uint8_t* data, std::int32_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, data, static_cast<size_t>(size));
        if (n >= 0 || errno != EINTR) return n < 0 ? -1 : static_cast<long>(n);
    }
}

bool write_all(int fd, const std::uint8_t* data, std::int32_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::int32_t>(n);
    }
    return true;
}

bool close_file(int fd) { return ::close(fd) == 0 || errno == EINTR; }

void print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

bool same_file(int a, int b) {
    struct stat x, y;
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

bool truncate_regular(int fd) {
    struct stat s;
    if (::fstat(fd, &s) != 0) return false;
    return !S_ISREG(s.st_mode) || ::ftruncate(fd, 0) == 0;
}

#endif

}  // namespace quorvel::platform
