// The program's entry points: the process set up as the run expects it, and
// the arguments handed over as UTF-8.
#include <csignal>
#include <string>
#include <vector>

#include "run.h"

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
    return quorvel::run(argc, args.data());
}

#else

#include <fcntl.h>

#include <cerrno>

int main(int argc, char** argv) {
    // A standard descriptor that is closed is opened on /dev/null, so that no
    // file of the run takes its number and receives the messages.
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    // A write past the file size limit (ulimit -f), or into a pipe whose
    // reader has gone, fails like any other and is reported, instead of
    // SIGXFSZ or SIGPIPE ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv, argv + argc);
    return quorvel::run(argc, args.data());
}

#endif
