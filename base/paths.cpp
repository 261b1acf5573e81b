#include "base/paths.h"

#include "platform/system.h"

namespace ledgerine::base {
namespace {

bool hasDrive(std::string_view p) {
    return p.size() >= 2 && p[1] == ':' &&
           ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

} // namespace

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string joinPath(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    std::string out(a);
    while (!b.empty() && isSeparator(b.front())) b.remove_prefix(1);
    if (!isSeparator(out.back())) out.push_back(platform::pathSeparator());
    out.append(b);
    return out;
}

std::string_view stripTrailingSeparators(std::string_view path) {
    while (!path.empty() && isSeparator(path.back())) path.remove_suffix(1);
    return path;
}

std::string_view lastComponent(std::string_view path) {
    path = stripTrailingSeparators(path);
    size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1])) --i;
    std::string_view last = path.substr(i);
    if (i == 0 && hasDrive(last)) last.remove_prefix(2);
    return last;
}

std::string parentPath(std::string_view path) {
    path = stripTrailingSeparators(path);
    size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1])) --i;
    if (i == 0) return hasDrive(path) ? std::string(path.substr(0, 2)) : std::string();
    std::string_view head = path.substr(0, i);
    std::string_view stripped = stripTrailingSeparators(head);
    // Keep the root's own separator: "/x" has the parent "/", "D:\x" has "D:\".
    if (stripped.empty() || (stripped.size() == 2 && hasDrive(stripped)))
        return std::string(head.substr(0, stripped.size() + 1));
    return std::string(stripped);
}

bool isRootPath(std::string_view path) {
    if (path.empty()) return false;
    std::string_view s = stripTrailingSeparators(path);
    if (s.empty()) return true;                  // "/" or "\"
    if (s.size() == 2 && hasDrive(s)) return true; // "D:" or "D:\"
    // "\\server\share" and "//server/share": a UNC share root.
    if (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        std::string_view rest = s.substr(2);
        size_t sep = rest.find_first_of("/\\");
        return !rest.empty() && (sep == std::string_view::npos || sep == rest.size() - 1 ||
                                 rest.find_first_of("/\\", sep + 1) == std::string_view::npos);
    }
    return false;
}

bool isAbsolutePath(std::string_view path) {
    return (!path.empty() && isSeparator(path[0])) || (hasDrive(path) && path.size() > 2 &&
                                                       isSeparator(path[2]));
}

} // namespace ledgerine::base
