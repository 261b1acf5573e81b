#include "base/text_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/errors.h"

namespace ledgerine::base {
namespace {

// An expected outcome: a value, or an error kind's name with its message.
struct IntCase {
    std::string text;
    int32_t value;
    std::string error; // "" when the text is valid
    std::string message;
};

TEST(TextRules, IntegerText) {
    const IntCase cases[] = {
        {"0", 0, "", ""},
        {"42", 42, "", ""},
        {"+7", 7, "", ""},
        {"-13", -13, "", ""},
        {"1_000", 1000, "", ""},
        {"1_", 1, "", ""},
        {"2147483647", 2147483647, "", ""},
        {"-2147483648", INT32_MIN, "", ""},
        {"007", 7, "", ""},
        {"", 0, "ValueError", "invalid integer: "},
        {"+", 0, "ValueError", "invalid integer: +"},
        {"-", 0, "ValueError", "invalid integer: -"},
        {"_1", 0, "ValueError", "invalid integer: _1"},
        {"1__0", 0, "ValueError", "invalid integer: 1__0"},
        {" 1", 0, "ValueError", "invalid integer:  1"},
        {"1 ", 0, "ValueError", "invalid integer: 1 "},
        {"1.5", 0, "ValueError", "invalid integer: 1.5"},
        {"0x10", 0, "ValueError", "invalid integer: 0x10"},
        {"2147483648", 0, "RangeError",
         "value out of range: 2147483648 notin -2147483648 .. 2147483647"},
        {"-2147483649", 0, "RangeError",
         "value out of range: -2147483649 notin -2147483648 .. 2147483647"},
        {"9223372036854775807", 0, "RangeError",
         "value out of range: 9223372036854775807 notin -2147483648 .. 2147483647"},
        {"9223372036854775808", 0, "ValueError", "Parsed integer outside of valid range"},
        {"-9223372036854775808", 0, "RangeError",
         "value out of range: -9223372036854775808 notin -2147483648 .. 2147483647"},
        {"-9223372036854775809", 0, "ValueError", "Parsed integer outside of valid range"},
        {"99999999999999999999999", 0, "ValueError", "Parsed integer outside of valid range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        if (c.error.empty()) {
            EXPECT_EQ(parseInteger(c.text), c.value);
            continue;
        }
        try {
            parseInteger(c.text);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.name(), c.error);
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST(TextRules, IntegerPrefixStopsAtFirstMisfitAndKeepsValueWithoutDigits) {
    struct Case {
        std::string text;
        size_t pos;
        size_t used;
        int32_t value;
    } const cases[] = {
        {"B3", 1, 1, 3},        {"AB12:C4", 2, 2, 12}, {"A", 1, 0, 99},
        {"A-5", 1, 2, -5},      {"A+", 1, 0, 99},      {"A1_000x", 1, 5, 1000},
        {"Z9z", 1, 1, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t v = 99;
        EXPECT_EQ(parseIntegerPrefix(c.text, c.pos, v), c.used);
        EXPECT_EQ(v, c.value);
    }
    int32_t v = 0;
    EXPECT_THROW(parseIntegerPrefix("A99999999999", 1, v), RangeError);
}

TEST(TextRules, FloatText) {
    struct Case {
        std::string text;
        double value;
    } const ok[] = {
        {"0", 0},           {"1.5", 1.5},         {".75", 0.75},     {"5.", 5},
        {"-2.5e3", -2500},  {"+1E-2", 0.01},      {"1e400", HUGE_VAL}, {"-inf", -HUGE_VAL},
        {"INF", HUGE_VAL},  {"0.3", 0.3},         {"1.0000000000000001E-3", 1.0000000000000001E-3},
    };
    for (const auto& c : ok) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseFloat(c.text), c.value);
    }
    EXPECT_TRUE(std::isnan(parseFloat("nan")));
    EXPECT_TRUE(std::isnan(parseFloat("NaN")));
    for (std::string bad : {"", "+", ".", "e5", "1e", "1e+", " 1", "1 ", "0x1p3", "1,5",
                            "infinity", "nan(1)", "1.2.3", "--1"}) {
        SCOPED_TRACE(bad);
        try {
            parseFloat(bad);
            ADD_FAILURE() << "no error";
        } catch (const ValueError& e) {
            EXPECT_EQ(e.message(), "invalid float: " + bad);
        }
    }
}

TEST(TextRules, BooleanText) {
    for (std::string t : {"y", "yes", "true", "1", "on", "True", "ON", "Y_E_S", "_true_"})
        EXPECT_TRUE(parseBoolean(t)) << t;
    for (std::string f : {"n", "no", "false", "0", "off", "FALSE", "O_f_f"})
        EXPECT_FALSE(parseBoolean(f)) << f;
    for (std::string bad : {"", "t", "2", "yes ", "oui"}) {
        try {
            parseBoolean(bad);
            ADD_FAILURE() << bad;
        } catch (const ValueError& e) {
            EXPECT_EQ(e.message(), "cannot interpret as a bool: " + bad);
        }
    }
}

} // namespace
} // namespace ledgerine::base
