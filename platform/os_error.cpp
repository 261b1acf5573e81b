#include "platform/os_error.h"

#include "platform/system.h"

namespace ledgerine::platform {

std::string quotedPath(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

base::OSError osError(int code, const std::string& path) {
    std::string message = systemErrorText(code);
    if (!path.empty()) message += "\nAdditional info: " + quotedPath(path);
    return base::OSError(message);
}

} // namespace ledgerine::platform
