#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <shellapi.h> // needs windows.h first
// clang-format on

#include "platform/args.h"
#include "platform/win32/wide_text.h"

namespace ledgerine::platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) {
        // Without the wide line the narrow one is the best there is.
        for (int i = 1; i < argc; ++i)
            args.emplace_back(argv[i]);
        return args;
    }
    for (int i = 1; i < count; ++i)
        args.push_back(utf8Text(wide[i]));
    ::LocalFree(wide);
    return args;
}

} // namespace ledgerine::platform
