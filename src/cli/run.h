// The run sequence, shared by the program's entry point, the in-process
// tests and the fuzz target.
#pragma once

#include <string>

#include "../files/files.h"

namespace quorvel {

// Runs Quorvel on its resolved arguments and returns the exit status. A
// failure prints its message and ends the process with status 1, or calls
// fail_instead_of_exit when a test has set it.
int run(const command_line& line);
// The same on the arguments as given (UTF-8; argv[0] is the program's name).
int run(int argc, const std::string* argv);

}  // namespace quorvel
