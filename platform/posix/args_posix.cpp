#include "platform/args.h"

namespace ledgerine::platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

} // namespace ledgerine::platform
