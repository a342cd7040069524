#include "platform_file.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <wchar.h>
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

long next_code_point(const std::string& text, std::size_t& at) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned lead = byte(at);
    // The sequence's length, and the range of its second byte (the others
    // lie in 80 to BF): no overlong forms, nothing past U+10FFFF.
    int length = 0;
    unsigned low = 0x80, high = 0xBF;
    unsigned long code = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, low = lead == 0xE0 ? 0xA0 : 0x80;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        ++at;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned b = byte(at + i);
        if (b < (i == 1 ? low : 0x80u) || b > (i == 1 ? high : 0xBFu)) {
            ++at;
            return -1;
        }
        code = code << 6 | (b & 0x3F);
    }
    at += length;
    return static_cast<long>(code);
}

bool same_identity(const file_identity& a, const file_identity& b) {
    return a.comparable && b.comparable && a.index == b.index &&
           (a.volume == b.volume || !a.volume_known || !b.volume_known);
}

namespace {

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    constexpr unsigned LEAD[] = {0, 0, 0xC0, 0xE0, 0xF0};
    const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    out += static_cast<char>(LEAD[length] | (c >> (6 * (length - 1))));
    for (int i = length - 2; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
}

}  // namespace

std::string narrow(std::u16string_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::uint32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00u);
        append_utf8(out, c);
    }
    return out;
}

std::u16string widen(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size();) {
        long c = next_code_point(text, at);
        if (c < 0) c = 0xFFFD;
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        wide += static_cast<char16_t>(c);
    }
    return wide;
}

#ifdef _WIN32

namespace {

std::wstring as_wide(const std::string& text) {
    const std::u16string utf16 = widen(text);
    return {utf16.begin(), utf16.end()};
}

bool starts_with(const std::wstring& text, const wchar_t* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::wstring full_path(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    return full;
}

// A path whose full form passes the old 260-character limit (whatever the
// length of the name as typed: a short name in a deep folder too) needs the
// \\?\ form of that full path; \\server\share paths take \\?\UNC\. Names
// already in the \\?\ or \\.\ form are left as given.
std::wstring native_path(const std::wstring& path) {
    if (starts_with(path, L"\\\\?\\") || starts_with(path, L"\\\\.\\")) return path;
    const std::wstring full = full_path(path);
    if (full.size() < MAX_PATH - 12) return path;  // 248: a folder's limit, the stricter one
    if (starts_with(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Windows up to 10 opens the device AUX for aux.m2v, and NUL for nul.m2v; the
// full path then reads \\.\AUX. A device named as one (NUL, C:\x\nul, NUL:,
// \\.\COM1) is opened.
bool opens_unnamed_device(const std::wstring& path) {
    const std::wstring full = full_path(path);
    if (!starts_with(full, L"\\\\.\\") || starts_with(path, L"\\\\.\\")) return false;
    std::wstring name = path;
    if (!name.empty() && name.back() == L':') name.pop_back();
    const std::size_t slash = name.find_last_of(L"\\/:");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    return _wcsicmp(name.c_str(), full.c_str() + 4) != 0;
}

HANDLE standard_handle(int fd) {
    return GetStdHandle(fd == STANDARD_ERROR ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

HANDLE os_handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

file_identity identify(HANDLE handle) {
    file_identity id;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return id;
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK:
            id.what = file_identity::kind::stored;
            break;
        case FILE_TYPE_CHAR:
            id.what = file_identity::kind::device;
            return id;
        case FILE_TYPE_PIPE:  // Windows gives a pipe no identity to compare
            id.what = file_identity::kind::stream;
            return id;
        default:
            return id;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
        id.comparable = true;
        id.volume = info.dwVolumeSerialNumber;
        id.index = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
        return id;
    }
    // Wine cannot read the volume of a standard handle that a Unix shell
    // opened, only its file index: that alone tells there. ntdll's call is
    // looked up at run time, so that the program imports from KERNEL32 and
    // msvcrt alone.
    using query_file = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, ULONG);
    const auto query = reinterpret_cast<query_file>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    constexpr ULONG FILE_INTERNAL_INFORMATION = 6;
    struct {
        void* status;
        ULONG_PTR information;
    } io;
    LONGLONG index = 0;
    if (query != nullptr &&
        query(handle, &io, &index, sizeof index, FILE_INTERNAL_INFORMATION) == 0) {
        id.comparable = true;
        id.volume_known = false;
        id.index = static_cast<std::uint64_t>(index);
    }
    return id;
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
    for (const wchar_t c : as_wide(text)) {
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

file_identity identify(int fd) { return identify(os_handle(fd)); }

// Opened for its attributes only; a device is not opened at all, as that
// could connect to a pipe or a port.
file_identity identify(const std::string& path) {
    const std::wstring name = as_wide(path);
    if (starts_with(full_path(name), L"\\\\.\\")) return {};
    const HANDLE file = CreateFileW(native_path(name).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    const file_identity id = identify(file);
    CloseHandle(file);
    return id;
}

int open_for_reading(const std::string& path) {
    const std::wstring name = as_wide(path);
    if (opens_unnamed_device(name)) return -1;
    return _wopen(native_path(name).c_str(), _O_RDONLY | _O_BINARY);
}

int open_for_writing(const std::string& path) {
    const std::wstring name = as_wide(path);
    if (opens_unnamed_device(name)) return -1;
    return _wopen(native_path(name).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
}

// Binary, whatever mode the C runtime gave the standard descriptor: no CRLF,
// no end at ^Z.
int duplicate(int fd) {
    const int copy = _dup(fd);
    if (copy >= 0) _setmode(copy, _O_BINARY);
    return copy;
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

bool truncate_regular(int fd) {
    return GetFileType(os_handle(fd)) != FILE_TYPE_DISK || _chsize(fd, 0) == 0;
}

#else

// No file opened here becomes the controlling terminal of a session leader.
int open_for_reading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
}

int open_for_writing(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
}

int duplicate(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

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

file_identity identity_of(const struct stat& s) {
    file_identity id;
    id.what = S_ISCHR(s.st_mode)    ? file_identity::kind::device
              : S_ISSOCK(s.st_mode) ? file_identity::kind::stream
                                    : file_identity::kind::stored;
    id.comparable = true;
    id.volume = static_cast<std::uint64_t>(s.st_dev);
    id.index = static_cast<std::uint64_t>(s.st_ino);
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

bool truncate_regular(int fd) {
    struct stat s;
    if (::fstat(fd, &s) != 0) return false;
    return !S_ISREG(s.st_mode) || ::ftruncate(fd, 0) == 0;
}

#endif

}  // namespace quorvel::platform
