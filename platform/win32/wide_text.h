// UTF-8 <-> UTF-16 conversion for the Win32 implementation of the platform layer: every text
// handed to or taken from a wide (...W) system call passes through here. Raises nothing:
// malformed UTF-8 or lone surrogates become U+FFFD, as the system's converters make them.
#pragma once

#include <string>
#include <string_view>

namespace ledgerine::platform {

std::wstring wideText(std::string_view text);
std::string utf8Text(std::wstring_view text);

// A path for the wide file API: "/" becomes "\", and a path too long for the classic limit
// gets the "\\?\" form (made absolute first), so deep folders stay reachable.
std::wstring widePath(std::string_view path);

} // namespace ledgerine::platform
