#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string to_utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// The console's output code page as the program found it; 0 without a console.
UINT console_code_page = 0;

// Puts the console back as it was. Runs from exit(), after a complete run and
// after every failure (fail() ends the process with exit(1)); what is still
// buffered goes out first, in UTF-8. Ctrl+C or a closed window restores it too.
void restore_console_code_page() {
    std::fflush(stdout);
    SetConsoleOutputCP(console_code_page);
}

BOOL WINAPI on_console_event(DWORD) {
    SetConsoleOutputCP(console_code_page);  // from another thread: no stdio here
    return FALSE;                           // the default handler then ends the process
}

}  // namespace

// The wide entry point sees names outside the ANSI code page; messages go
// out in UTF-8, which the console is told to show while the program runs.
int wmain(int argc, wchar_t** argv) {
    console_code_page = GetConsoleOutputCP();
    if (console_code_page != 0 && console_code_page != CP_UTF8) {
        std::atexit(restore_console_code_page);
        SetConsoleCtrlHandler(on_console_event, TRUE);
        SetConsoleOutputCP(CP_UTF8);
    }
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(to_utf8(argv[i]));
    const int status = quorvel_main(argc, args.data());
    std::fflush(stdout);
    return status;
}

#else

int main(int argc, char** argv) {
    // A write past the file size limit (ulimit -f) fails like any other and
    // is reported, instead of SIGXFSZ ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv, argv + argc);
    const int status = quorvel_main(argc, args.data());
    std::fflush(stdout);
    return status;
}

#endif
