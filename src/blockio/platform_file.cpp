#include "platform_file.h"

#include <algorithm>
#include <cerrno>

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

HANDLE standard_handle(int fd) {
    return GetStdHandle(fd == STANDARD_ERROR ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

}  // namespace

bool is_terminal(int fd) {
    DWORD mode = 0;
    const HANDLE handle = standard_handle(fd);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void print(int fd, const std::string& text) {
    // On a console, UTF-16 through WriteConsoleW, whatever its code page;
    // elsewhere the bytes, with the line ends of the C runtime's text mode.
    if (!is_terminal(fd)) {
        write_all(fd, reinterpret_cast<const std::uint8_t*>(text.data()),
                  static_cast<std::int32_t>(text.size()));
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
        if (!WriteConsoleW(standard_handle(fd), wide.data() + at, static_cast<DWORD>(n), &written,
                           nullptr) ||
            written == 0)
            return;
        at += written;
    }
}

namespace {

HANDLE os_handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool same_file(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool writes_into(HANDLE standard, HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(standard, &info)) return same_file(standard, file);
    // Wine cannot read the volume of a standard handle that a Unix shell
    // opened, only its file index: that alone decides there. A wrong match
    // would merely send the messages to standard error. ntdll's call is
    // looked up at run time, so that the program imports from KERNEL32 and
    // msvcrt alone.
    using query_file = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, ULONG);
    const auto query = reinterpret_cast<query_file>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    constexpr ULONG FILE_INTERNAL_INFORMATION = 6;
    const auto index = [&](HANDLE h, LONGLONG& id) {
        struct {
            void* status;
            ULONG_PTR information;
        } io;
        return GetFileType(h) == FILE_TYPE_DISK &&
               query(h, &io, &id, sizeof id, FILE_INTERNAL_INFORMATION) == 0;
    };
    LONGLONG x = 0, y = 0;
    return query != nullptr && index(standard, x) && index(file, y) && x == y;
}

}  // namespace

bool writes_into(int standard, int fd) { return writes_into(os_handle(standard), os_handle(fd)); }

// An existing file opened for its attributes only; device names (\\.\) are
// not opened, as that could connect to a pipe.
bool writes_into(int standard, const std::string& path) {
    const std::wstring name = native_path(path);
    if (name.rfind(L"\\\\.\\", 0) == 0) return false;
    const HANDLE file =
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool into = writes_into(os_handle(standard), file);
    CloseHandle(file);
    return into;
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

bool same_file(int a, int b) { return same_file(os_handle(a), os_handle(b)); }

bool truncate_regular(int fd) {
    return GetFileType(os_handle(fd)) != FILE_TYPE_DISK || _chsize(fd, 0) == 0;
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

// Linux closes the descriptor even when close() is interrupted, and a second
// close could close a file that has taken its number since: an interrupted
// close (EINTR) counts as done. A delayed write error comes as EIO.
bool close_file(int fd) { return ::close(fd) == 0 || errno == EINTR; }

void print(int fd, const std::string& text) {
    write_all(fd, reinterpret_cast<const std::uint8_t*>(text.data()),
              static_cast<std::int32_t>(text.size()));
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

namespace {

bool same_identity(const struct stat& x, const struct stat& y) {
    return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// Standard output or error writing into the file, a character device aside.
bool writes_into(int standard, const struct stat& file) {
    struct stat s;
    return ::fstat(standard, &s) == 0 && !S_ISCHR(s.st_mode) && same_identity(s, file);
}

}  // namespace

bool same_file(int a, int b) {
    struct stat x, y;
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && same_identity(x, y);
}

bool writes_into(int standard, int fd) {
    struct stat file;
    return ::fstat(fd, &file) == 0 && writes_into(standard, file);
}

bool writes_into(int standard, const std::string& path) {
    struct stat file;
    return ::stat(path.c_str(), &file) == 0 && writes_into(standard, file);
}

bool truncate_regular(int fd) {
    struct stat s;
    if (::fstat(fd, &s) != 0) return false;
    return !S_ISREG(s.st_mode) || ::ftruncate(fd, 0) == 0;
}

#endif

}  // namespace quorvel::platform
