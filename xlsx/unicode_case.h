// Lowercasing of UTF-8 text by the Unicode simple lowercase mapping (one code point to one
// code point), used for number format codes. Bytes that do not form a valid UTF-8 sequence are
// copied unchanged. Raises nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ledgerine::xlsx {

// The simple lowercase mapping of one code point (itself when it has none).
char32_t lowerCodePoint(char32_t c);

// Every code point of the text replaced by its simple lowercase mapping.
std::string lowerUtf8(std::string_view text);

} // namespace ledgerine::xlsx
