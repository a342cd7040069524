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
// out in UTF-8, which the console is told to show.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(to_utf8(argv[i]));
    const int status = quorvel_main(argc, args.data());
    std::fflush(stdout);
    return status;
}

#else

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    const int status = quorvel_main(argc, args.data());
    std::fflush(stdout);
    return status;
}

#endif
