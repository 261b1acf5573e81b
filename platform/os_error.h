// The OSError of a failed system call: the system's description of the code, then, where a
// path is known, "Additional info: " and the path in double quotes (backslash-escaped).
// Shared by the POSIX and Win32 implementations so both say it the same way.
#pragma once

#include "base/errors.h"

#include <string>

namespace ledgerine::platform {

// The path in double quotes, with every double quote and backslash escaped by a backslash.
std::string quotedPath(const std::string& path);

base::OSError osError(int code, const std::string& path);

} // namespace ledgerine::platform
