// The program's entry points: the process set up as the run expects it, and
// the arguments handed over as UTF-8.
#include <csignal>
#include <string>
#include <vector>

#include "run.h"

#ifdef _WIN32

#include "../blockio/platform_file.h"

// The wide entry point sees names outside the ANSI code page, and as WTF-8
// they reach the file calls unchanged, also those that are not valid UTF-16;
// messages go to a console as UTF-16, which leaves its code page alone.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(quorvel::platform::narrow(reinterpret_cast<const char16_t*>(argv[i])));
    return quorvel::run(argc, args.data());
}

#else

#include <fcntl.h>

#include <cerrno>

int main(int argc, char** argv) {
    // A standard descriptor that is closed is opened on /dev/null the wrong
    // way round (standard input for writing, standard output and error for
    // reading), in order from 0 up: no file of the run takes its number, and
    // a run that reads or writes the stream through it fails.
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_NOCTTY);
    // A write past the file size limit (ulimit -f), or into a pipe whose
    // reader has gone, fails like any other and is reported, instead of
    // SIGXFSZ or SIGPIPE ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv, argv + argc);
    return quorvel::run(argc, args.data());
}

#endif
