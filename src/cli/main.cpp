// The program's entry points: the arguments resolved as UTF-8, the process
// set up as the run expects it, then the run.
#include <string>
#include <vector>

#include "../platform/platform.h"
#include "../text/text.h"
#include "run.h"

#ifdef _WIN32

// The wide entry point sees names outside the ANSI code page, and as WTF-8
// they reach the file calls unchanged, also those that are not valid UTF-16;
// messages go to a console as UTF-16, which leaves its code page alone.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(quorvel::text::narrow(reinterpret_cast<const char16_t*>(argv[i])));
    return quorvel::run(quorvel::resolve_command_line(argc, args.data()));
}

#else

namespace {

// A standard descriptor that is closed gets a stand-in, in order from 0 up,
// kept for the whole run: no file of the run takes its number, and no name
// can open it again (a socket; /dev/null the wrong way round, standard input
// for writing, where no socket can be made). An open that gives another
// number is undone; the run never reads or writes a descriptor closed at
// start either way.
void stand_in_for_closed_standard_descriptors(const quorvel::command_line& line) {
    namespace platform = quorvel::platform;
    for (int fd = platform::STANDARD_INPUT; fd <= platform::STANDARD_ERROR; ++fd) {
        if (line.standard_open[fd]) continue;
        const int stand_in = platform::open_stand_in(fd == platform::STANDARD_INPUT);
        if (stand_in >= 0 && stand_in != fd) platform::close_file(stand_in);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    // What the arguments name, before any descriptor is opened: /dev/fd/N
    // names the descriptor N the program was given, or nothing.
    const quorvel::command_line line = quorvel::resolve_command_line(argc, args.data());
    stand_in_for_closed_standard_descriptors(line);
    quorvel::platform::fail_writes_instead_of_signals();
    return quorvel::run(line);
}

#endif
