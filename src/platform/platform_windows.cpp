// The system calls on Windows, through the C runtime's descriptors.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <wchar.h>
#include <windows.h>

#include <algorithm>

#include "../text/text.h"
#include "platform.h"

namespace quorvel::platform {

namespace {

std::wstring as_wide(const std::string& text) {
    const std::u16string utf16 = text::widen(text);
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
// \\.\COM1, and with the trailing dots and spaces Windows drops: NUL., nul )
// is opened.
bool opens_unnamed_device(const std::wstring& path) {
    const std::wstring full = full_path(path);
    if (!starts_with(full, L"\\\\.\\") || starts_with(path, L"\\\\.\\")) return false;
    std::wstring name = path;
    if (!name.empty() && name.back() == L':') name.pop_back();
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    const std::size_t slash = name.find_last_of(L"\\/:");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    return _wcsicmp(name.c_str(), full.c_str() + 4) != 0;
}

// The handle under a descriptor; INVALID_HANDLE_VALUE, or -2 for a standard
// descriptor the process was started without, when there is none.
HANDLE os_handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool is_handle(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           handle != reinterpret_cast<HANDLE>(-2);
}

file_identity identify(HANDLE handle) {
    file_identity id;
    if (!is_handle(handle)) return id;
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK:
            id.what = file_identity::kind::stored;
            id.regular = true;
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

bool is_open(int fd) { return is_handle(os_handle(fd)); }

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

bool truncate_file(int fd) { return _chsize(fd, 0) == 0; }

bool is_terminal(int fd) {
    DWORD mode = 0;
    const HANDLE handle = os_handle(fd);
    return is_handle(handle) && GetConsoleMode(handle, &mode);
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
        if (!WriteConsoleW(os_handle(fd), wide.data() + at, static_cast<DWORD>(n), &written,
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

}  // namespace quorvel::platform
