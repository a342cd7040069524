#include <csignal>
#include <cstdio>
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

}  // namespace

// The wide entry point sees names outside the ANSI code page; messages go
// to a console as UTF-16, which leaves its code page alone (see print()).
int wmain(int argc, wchar_t** argv) {
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
