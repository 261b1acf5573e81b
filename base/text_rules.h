// The text-to-value rules shared by the settings file, the workbook index and the workbook
// reader: integer text, integer prefix, float text and boolean text, with their exact errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ledgerine::base {

// Optional sign, decimal digits, "_" allowed after a digit; the whole text must be used.
// ValueError "invalid integer: " + text; ValueError "Parsed integer outside of valid range"
// beyond 64 bits; RangeError (low -2147483648, high 2147483647) beyond 32 bits.
int32_t parseInteger(std::string_view text);

// The same syntax read from pos onward, stopping at the first character that does not fit.
// Returns the number of bytes read; when no digit is there, returns 0 and leaves value as it
// was. Raises the range errors of parseInteger.
size_t parseIntegerPrefix(std::string_view text, size_t pos, int32_t& value);

// Optional sign, digits, point, fraction, exponent; or "nan"/"inf" in any case. The nearest
// double. ValueError "invalid float: " + text.
double parseFloat(std::string_view text);

// After removing "_" and lowering ASCII letters: y/yes/true/1/on or n/no/false/0/off.
// ValueError "cannot interpret as a bool: " + text.
bool parseBoolean(std::string_view text);

} // namespace ledgerine::base
