// The program's command-line arguments in UTF-8, the program name left out. On Windows they
// come from the wide command line (the narrow argv holds only the ANSI code page).
#pragma once

#include <string>
#include <vector>

namespace ledgerine::platform {

std::vector<std::string> commandLineArguments(int argc, char** argv);

} // namespace ledgerine::platform
