// The platform's entry point hands the arguments over as UTF-8 strings.
#pragma once

#include <string>

int quorvel_main(int argc, const std::string* argv);
