#include "base/errors.h"
#include "xlsx/shared_strings.h"
#include "xlsx/xml_reader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

SharedStrings read(const std::string& xml, bool escapeQuotes = false) {
    XmlReader reader(xml, XmlOptions{true, false});
    return parseSharedStrings(reader, escapeQuotes);
}

std::vector<std::string> texts(const SharedStrings& s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size(); ++i)
        out.emplace_back(s[i]);
    return out;
}

struct Case {
    const char* name;
    std::string xml;
    std::vector<std::string> expected;
};

const std::string head = R"(<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )";

const std::vector<Case> cases = {
    {"whitespace_kept",
     head + R"(uniqueCount="2"><si><t>a</t></si><si><t xml:space="preserve">  b c </t></si></sst>)",
     {"a", "  b c "}},
    {"references_joined", head + R"(uniqueCount="1"><si><t>x &amp; y</t></si></sst>)", {"x & y"}},
    {"empty_item_keeps_slot",
     head + R"(uniqueCount="2"><si><t/></si><si><t>next</t></si></sst>)",
     {"", "next"}},
    {"rich_text_runs_joined",
     head +
         R"(uniqueCount="1"><si><r><rPr><b/></rPr><t>Hello</t></r><r><t xml:space="preserve"> World</t></r></si></sst>)",
     {"Hello World"}},
    {"count_beyond_items",
     head + R"(uniqueCount="3"><si><t>a</t></si><si><t>b</t></si></sst>)",
     {"a", "b", ""}},
    {"item_without_t_keeps_order",
     head + R"(uniqueCount="3"><si><r><rPr/></r></si><si><t>b</t></si><si/></sst>)",
     {"", "b", ""}},
    {"phonetic_runs_left_out",
     head +
         R"(uniqueCount="1"><si><t>東京</t><rPh sb="0" eb="2"><t>トウキョウ</t></rPh><phoneticPr fontId="1"/></si></sst>)",
     {"東京"}},
    {"cdata_counts",
     head + R"(uniqueCount="1"><si><t><![CDATA[a<b]]> c</t></si></sst>)",
     {"a<b c"}},
    {"escapes_decoded",
     head +
         R"(uniqueCount="4"><si><t>a_x000D__x000A_b</t></si><si><t>_x005F_x0041_</t></si><si><t>_xD83D__xDE00_</t></si><si><t>_xD800_z_x00e9_</t></si></sst>)",
     {"a\r\nb", "_x0041_", "\xF0\x9F\x98\x80", "\xEF\xBF\xBDz\xC3\xA9"}},
    {"no_unique_count_grows",
     head + R"(count="2"><si><t>a</t></si><si><t>b</t></si></sst>)",
     {"a", "b"}},
    {"items_beyond_count_extend",
     head + R"(uniqueCount="1"><si><t>a</t></si><si><t>b</t></si></sst>)",
     {"a", "b"}},
    {"prefixed_names",
     R"(<x:sst xmlns:x="urn:x" uniqueCount="1"><x:si><x:t>p</x:t></x:si></x:sst>)",
     {"p"}},
    {"root_without_attributes", R"(<sst><si><t>a</t></si></sst>)", {"a"}},
    {"empty_root", head + R"(count="0" uniqueCount="0"/>)", {}},
    {"truncated_item", head + R"(uniqueCount="1"><si><t>cut)", {"cut"}},
};

TEST(ParseSharedStrings, Items) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(texts(read(c.xml)), c.expected);
    }
}

TEST(ParseSharedStrings, EscapedForm) {
    SharedStrings s =
        read(head + "uniqueCount=\"2\"><si><t>a\"b'c\\d\t\xC3\xA9</t></si><si/></sst>", true);
    EXPECT_EQ(texts(s), (std::vector<std::string>{"\"a\\\"b\\'c\\\\d\\x09\\xC3\\xA9\"", "\"\""}));
}

TEST(ParseSharedStrings, HugeCountCostsNothing) {
    SharedStrings s =
        read(head + R"(uniqueCount="2000000000"><si><t>a</t></si><si><t>b</t></si></sst>)");
    EXPECT_EQ(s.size(), 2000000000u);
    EXPECT_EQ(s[1], "b");
    EXPECT_EQ(s[1999999999], "");
    EXPECT_LT(s.storageBytes(), 1u << 20);
}

TEST(ParseSharedStrings, BadCounts) {
    struct Bad {
        std::string count;
        std::string error;
    };
    const std::vector<Bad> bad = {
        {"x", "ValueError: invalid integer: x"},
        {"-1", "RangeError: value out of range: -1 notin 0 .. 2147483647"},
        {"3000000000",
         "RangeError: value out of range: 3000000000 notin -2147483648 .. 2147483647"},
    };
    for (const Bad& b : bad) {
        try {
            read(head + "uniqueCount=\"" + b.count + "\"></sst>");
            ADD_FAILURE() << b.count;
        } catch (const base::Error& e) {
            EXPECT_EQ(e.name() + ": " + e.message(), b.error);
        }
    }
}

TEST(ParseSharedStrings, MissingFile) {
    try {
        parseSharedStrings("/nonexistent/sharedStrings.xml", false);
        FAIL();
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "Unable to read file: /nonexistent/sharedStrings.xml");
    }
}

} // namespace
} // namespace ledgerine::xlsx
