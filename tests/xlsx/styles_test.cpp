#include "base/errors.h"
#include "xlsx/styles.h"
#include "xlsx/unicode_case.h"
#include "xlsx/xml_reader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

StyleFormats read(const std::string& xml) {
    XmlReader reader(xml, XmlOptions{true, false});
    return parseStyles(reader);
}

const std::string head =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";

struct Case {
    const char* name;
    std::string body;
    StyleFormats expected;
};

const std::vector<Case> cases = {
    {"builtin_14", R"(<cellXfs count="1"><xf numFmtId="14"/></cellXfs>)", {"mm-dd-yy"}},
    {"unknown_builtin", R"(<cellXfs count="1"><xf numFmtId="44"/></cellXfs>)", {"none"}},
    {"custom_code",
     R"(<numFmts count="1"><numFmt numFmtId="164" formatCode="0.000"/></numFmts><cellXfs count="1"><xf numFmtId="164"/></cellXfs>)",
     {"0.000"}},
    {"custom_lowercased",
     R"(<numFmts count="1"><numFmt numFmtId="165" formatCode="YYYY-MM-DD HH:MM:SS"/></numFmts><cellXfs count="1"><xf numFmtId="165"/></cellXfs>)",
     {"yyyy-mm-dd hh:mm:ss"}},
    {"custom_shared_by_two",
     R"(<numFmts count="1"><numFmt numFmtId="166" formatCode="0.00%"/></numFmts><cellXfs count="2"><xf numFmtId="166"/><xf numFmtId="166"/></cellXfs>)",
     {"0.00%", "0.00%"}},
    {"custom_overrides_builtin",
     R"(<numFmts count="1"><numFmt numFmtId="14" formatCode="dd/mm/yyyy"/></numFmts><cellXfs count="1"><xf numFmtId="14"/></cellXfs>)",
     {"dd/mm/yyyy"}},
    {"count_only_reserves",
     R"(<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="1"/><xf numFmtId="2"/></cellXfs>)",
     {"general", "0", "0.00"}},
    {"xf_with_children",
     R"(<cellXfs count="2"><xf numFmtId="0"><alignment horizontal="left"/><protection locked="0"/></xf><xf numFmtId="21"/></cellXfs>)",
     {"general", "h:mm:ss"}},
    {"xf_without_numfmtid_keeps_indexes",
     R"(<cellXfs count="3"><xf fontId="1"/><xf/><xf numFmtId="14"/></cellXfs>)",
     {"general", "general", "mm-dd-yy"}},
    {"cell_style_xfs_ignored",
     R"(<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs><cellXfs count="1"><xf numFmtId="2"/></cellXfs>)",
     {"0.00"}},
    {"dxf_numfmt_ignored",
     R"(<cellXfs count="1"><xf numFmtId="170"/></cellXfs><dxfs><dxf><numFmt numFmtId="170" formatCode="0"/></dxf></dxfs>)",
     {"none"}},
    {"without_attributes",
     R"(<numFmts><numFmt numFmtId="164" formatCode="H:MM"/></numFmts><cellXfs><xf numFmtId="164"/></cellXfs>)",
     {"h:mm"}},
    {"ids_compared_as_text", R"(<cellXfs count="1"><xf numFmtId="014"/></cellXfs>)", {"none"}},
    {"no_cellxfs", R"(<fonts count="1"><font/></fonts>)", {}},
};

TEST(ParseStyles, Entries) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(head + c.body + "</styleSheet>"), c.expected);
    }
    EXPECT_EQ(
        read(
            R"(<x:styleSheet xmlns:x="urn:x"><x:cellXfs count="1"><x:xf numFmtId="20"/></x:cellXfs></x:styleSheet>)"),
        StyleFormats{"h:mm"});
}

TEST(ParseStyles, BadCounts) {
    struct Bad {
        std::string count;
        std::string error;
    };
    const std::vector<Bad> bad = {
        {"two", "ValueError: invalid integer: two"},
        {"", "ValueError: invalid integer: "},
        {"-2", "RangeError: value out of range: -2 notin 0 .. 2147483647"},
    };
    for (const Bad& b : bad) {
        try {
            read(head + "<cellXfs count=\"" + b.count +
                 "\"><xf numFmtId=\"0\"/></cellXfs></styleSheet>");
            ADD_FAILURE() << b.count;
        } catch (const base::Error& e) {
            EXPECT_EQ(e.name() + ": " + e.message(), b.error);
        }
    }
}

TEST(FormatClass, BuiltinsAndKnownCodes) {
    ASSERT_EQ(builtinFormats.size(), 28u);
    ASSERT_EQ(formatClasses.size(), 45u);
    const std::vector<std::pair<std::string, std::string>> byId = {
        {"0", "float"},  {"1", "float"}, {"4", "float"}, {"9", "percentage"}, {"10", "percentage"},
        {"11", "float"}, {"12", "date"}, {"13", "date"}, {"14", "date"},      {"18", "date"},
        {"20", "time"},  {"21", "time"}, {"22", "date"}, {"37", "float"},     {"40", "float"},
        {"45", "time"},  {"46", "time"}, {"47", "time"}, {"48", "float"},     {"49", "float"}};
    for (const auto& [id, cls] : byId)
        EXPECT_EQ(formatClass(builtinFormat(id)), cls) << id;
    EXPECT_EQ(builtinFormat("13"), "# ?\?/??");
    EXPECT_EQ(formatClass("none"), "date");
    EXPECT_EQ(formatClass("0.000"), "date");
    EXPECT_EQ(formatClass("dd/mm/yy\\ hh:mm"), "date");
    EXPECT_EQ(formatClass("yyyy\\-mm\\-dd"), "date");
    EXPECT_EQ(formatClass("_(* #,##0_);_(* (#,##0);_(* \"-\"??_);_(@_)"), "float");
    EXPECT_EQ(formatClass("_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"), "float");
    EXPECT_EQ(formatClass("hh:mm:ss"), "time");
    EXPECT_EQ(formatClass("General"), "date"); // exact: the table's keys are lowercase
}

TEST(LowerUtf8, UnicodeLetters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"YYYY-MM-DD", "yyyy-mm-dd"},
        {"ÀÉÎÕÜ Ÿ", "àéîõü ÿ"},
        {"ĀĂĄĆŁŃŒŠŽ", "āăąćłńœšž"},
        {"ǄǅƁƩ", "ǆǆɓʃ"},
        {"ΑΒΓΔ ΆΏ", "αβγδ άώ"},
        {"ДЕНЬ ЁЇ", "день ёї"},
        {"ԱԲԳ", "աբգ"},
        {"ＡＢＣ", "ａｂｃ"},
        {"İ", "i"},
        {"\xFF\xC3", "\xFF\xC3"}, // not UTF-8: bytes kept
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(lowerUtf8(in), out) << in;
}

} // namespace
} // namespace ledgerine::xlsx
