#include "base/text_rules.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/errors.h"

namespace ledgerine::base {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads sign, digits and digit-following underscores from pos. Returns bytes used (0 when no
// digit is there). The value is accumulated negatively so that INT64_MIN is reachable.
size_t scanInteger(std::string_view text, size_t pos, int64_t& out) {
    size_t i = pos;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i])) return 0;
    int64_t acc = 0;
    while (i < text.size()) {
        char c = text[i];
        if (isDigit(c)) {
            int d = c - '0';
            if (acc < (INT64_MIN + d) / 10)
                throw ValueError("Parsed integer outside of valid range");
            acc = acc * 10 - d;
            ++i;
        } else if (c == '_' && isDigit(text[i - 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (!negative) {
        if (acc == INT64_MIN) throw ValueError("Parsed integer outside of valid range");
        acc = -acc;
    }
    out = acc;
    return i - pos;
}

int32_t narrow(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw rangeError(v, INT32_MIN, INT32_MAX);
    return static_cast<int32_t>(v);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != b[i]) return false;
    return true;
}

// [digits] ["." [digits]] with at least one digit, then [("e"|"E") [sign] digits].
bool isDecimalFloat(std::string_view s) {
    size_t i = 0, digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

} // namespace

int32_t parseInteger(std::string_view text) {
    int64_t v = 0;
    size_t used = scanInteger(text, 0, v);
    if (used == 0 || used != text.size())
        throw ValueError("invalid integer: " + std::string(text));
    return narrow(v);
}

size_t parseIntegerPrefix(std::string_view text, size_t pos, int32_t& value) {
    int64_t v = 0;
    size_t used = scanInteger(text, pos, v);
    if (used > 0) value = narrow(v);
    return used;
}

double parseFloat(std::string_view text) {
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    double v = 0;
    if (equalsNoCase(body, "nan")) {
        v = std::nan("");
    } else if (equalsNoCase(body, "inf")) {
        v = HUGE_VAL;
    } else if (isDecimalFloat(body)) {
        auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
        if (ec == std::errc::result_out_of_range) {
            // from_chars leaves v alone; strtod gives the nearest value (inf or 0).
            v = std::strtod(std::string(body).c_str(), nullptr);
        } else if (ec != std::errc() || ptr != body.data() + body.size()) {
            throw ValueError("invalid float: " + std::string(text));
        }
    } else {
        throw ValueError("invalid float: " + std::string(text));
    }
    return negative ? -v : v;
}

bool parseBoolean(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != '_') s.push_back(lowerAscii(c));
    if (s == "y" || s == "yes" || s == "true" || s == "1" || s == "on") return true;
    if (s == "n" || s == "no" || s == "false" || s == "0" || s == "off") return false;
    throw ValueError("cannot interpret as a bool: " + std::string(text));
}

} // namespace ledgerine::base
