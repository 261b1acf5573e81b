// Taking paths apart and joining them. Both "/" and "\" count as separators when a path is
// taken apart; joins write the platform's separator. Paths are compared byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace ledgerine::base {

bool isSeparator(char c);

// a + one separator + b; a separator at the end of a or the start of b is not doubled.
// An empty a yields b.
std::string joinPath(std::string_view a, std::string_view b);

// The path without trailing separators.
std::string_view stripTrailingSeparators(std::string_view path);

// The last component (after the last separator), trailing separators ignored.
std::string_view lastComponent(std::string_view path);

// The folder that holds the last component, trailing separators ignored, without a trailing
// separator (but a root such as "/" or "D:\" keeps its own). Empty when there is none.
std::string parentPath(std::string_view path);

// True for "/", "\", "D:", "D:\", "D:/", "\\server\share" style roots and similar paths that
// have no last component.
bool isRootPath(std::string_view path);

// Absolute paths start with a separator or a drive letter and colon.
bool isAbsolutePath(std::string_view path);

} // namespace ledgerine::base
