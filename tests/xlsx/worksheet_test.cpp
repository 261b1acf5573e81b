#include "base/errors.h"
#include "xlsx/shared_strings.h"
#include "xlsx/worksheet.h"
#include "xlsx/xml_reader.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

using K = SheetDataKind;

const StyleFormats formats = {"general", "mm-dd-yy", "h:mm:ss"};

SharedStrings strings() {
    XmlReader reader("<sst uniqueCount=\"3\"><si><t>s0</t></si><si><t>s1</t></si>"
                     "<si><t>s2</t></si></sst>",
                     XmlOptions{true, false});
    return parseSharedStrings(reader, false);
}

std::string sheetXml(const std::string& dimension, const std::string& data) {
    std::string dim = dimension.empty() ? "" : "<dimension ref=\"" + dimension + "\"/>";
    return "<?xml version=\"1.0\"?>\n<worksheet xmlns=\"urn:main\">" + dim +
           "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
           "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>" +
           data + "</sheetData><pageMargins left=\"0.7\"/></worksheet>";
}

struct Result {
    Result() = default;
    Result(Shape s, std::vector<std::string> d, std::vector<SheetDataKind> t, bool h,
           std::string e = "")
        : shape(s), data(std::move(d)), colType(std::move(t)), header(h), error(std::move(e)) {}
    Shape shape;
    std::vector<std::string> data;
    std::vector<SheetDataKind> colType;
    bool header = false;
    std::string error;
    bool operator==(const Result&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Result& r) {
    os << "(" << r.shape.rows << "," << r.shape.columns << ") [";
    for (const auto& d : r.data)
        os << "'" << d << "' ";
    os << "] types[";
    for (auto k : r.colType)
        os << static_cast<int>(k) << " ";
    return os << "] header " << r.header << " error '" << r.error << "'";
}

Result of(const Sheet& s) {
    return Result{s.shape, s.data(), s.colType, s.header, ""};
}

Result twoStep(const std::string& xml, bool header, bool skipHeaders, bool trim) {
    try {
        XmlReader reader(xml, XmlOptions{true, false});
        RawSheet raw = parseSheet(reader, formats, false, trim);
        return of(toSheet(raw, strings(), header, skipHeaders));
    } catch (const base::Error& e) {
        return Result{{}, {}, {}, false, e.name() + ": " + e.message()};
    }
}

Result streamed(const std::string& xml, bool header, bool skipHeaders, bool trim) {
    try {
        XmlReader reader(xml, XmlOptions{true, false});
        return of(loadSheet(reader, formats, false, strings(), header, skipHeaders, trim));
    } catch (const base::Error& e) {
        return Result{{}, {}, {}, false, e.name() + ": " + e.message()};
    }
}

struct Case {
    const char* name;
    std::string xml;
    Result expected;
    bool header = true;
    bool skipHeaders = false;
    bool trim = false;
};

const std::vector<std::string> none;

const std::vector<Case> cases = {
    {"range_with_gaps",
     sheetXml("A1:C2", R"(<row r="1"><c r="A1"><v>1</v></c><c r="C1" t="s"><v>0</v></c></row>)"
                       R"(<row r="2"><c r="B2" t="s"><v>1</v></c></row>)"),
     {{2, 3}, {"1", "", "s0", "", "s1", ""}, {K::Initial, K::SharedString, K::Initial}, true}},
    {"colType_from_first_row_without_header",
     sheetXml("A1:C2", R"(<row r="1"><c r="A1"><v>1</v></c><c r="C1" t="s"><v>0</v></c></row>)"
                       R"(<row r="2"><c r="B2" t="s"><v>1</v></c></row>)"),
     {{2, 3}, {"1", "", "s0", "", "s1", ""}, {K::Num, K::Initial, K::SharedString}, false},
     false},
    {"empty_with_dimension_a1", sheetXml("A1", ""), {{0, 0}, none, {}, true}},
    {"empty_without_dimension", sheetXml("", ""), {{0, 0}, none, {}, true}},
    {"range_starting_at_b2",
     sheetXml("B2:C3", R"(<row r="2"><c r="B2"><v>x</v></c></row>)"),
     {{2, 2}, {"x", "", "", ""}, {K::Initial, K::Initial}, true}},
    {"columns_beyond_z",
     sheetXml("A1:AB1", R"(<row r="1"><c r="AA1"><v>7</v></c></row>)"),
     {{1, 28},
      {"", "", "", "", "", "", "", "", "", "", "", "", "",  "",
       "", "", "", "", "", "", "", "", "", "", "", "", "7", ""},
      std::vector<SheetDataKind>(28, K::Initial),
      true}},
    {"skip_headers",
     sheetXml("A1:B3", R"(<row r="1"><c r="A1"><v>h1</v></c><c r="B1"><v>h2</v></c></row>)"
                       R"(<row r="2"><c r="A2" t="b"><v>1</v></c><c r="B2"><v>2</v></c></row>)"
                       R"(<row r="3"><c r="A3"><v>3</v></c></row>)"),
     {{2, 2}, {"true", "2", "3", ""}, {K::Boolean, K::Num}, false},
     true,
     true},
    {"single_row_with_header",
     sheetXml("A1:B1", R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c></row>)"),
     {{1, 2}, {"1", "2"}, {K::Initial, K::Initial}, true}},
    {"cells_extend_the_dimension",
     sheetXml("A1:B2",
              R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="3"><c r="C3"><v>9</v></c></row>)"),
     {{3, 3}, {"1", "", "", "", "", "", "", "", "9"}, {K::Initial, K::Initial, K::Initial}, true}},
    {"one_cell_dimension_over_a_table",
     sheetXml("B2", R"(<row r="2"><c r="B2"><v>a</v></c><c r="C2"><v>b</v></c></row>)"
                    R"(<row r="3"><c r="B3"><v>c</v></c></row>)"),
     {{2, 2}, {"a", "b", "c", ""}, {K::Num, K::Initial}, true}},
    {"no_dimension",
     sheetXml("", R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c></row>)"),
     {{1, 2}, {"1", "2"}, {K::Initial, K::Initial}, true}},
    {"row_and_cells_without_r",
     sheetXml(
         "",
         R"(<row><c><v>1</v></c><c t="s"><v>2</v></c></row><row><c r="B2"><v>3</v></c><c><v>4</v></c></row>)"
         R"(<row r="5"><c><v>5</v></c></row><row><c t="b"><v>0</v></c></row>)"),
     {{6, 3},
      {"1", "s2", "", "", "3", "4", "", "", "", "", "", "", "5", "", "", "false", "", ""},
      {K::Initial, K::Num, K::Num},
      true}},
    {"sheet_data_right_after_dimension",
     "<worksheet><dimension ref=\"A1:A2\"/><sheetData><row><c r=\"A2\"><v>2</v></c></row>"
     "</sheetData></worksheet>",
     {{2, 1}, {"", "2"}, {K::Num}, true}},
    {"prefixed_and_attributed",
     R"(<x:worksheet xmlns:x="urn:main"><x:dimension ref="A1:B1"/><x:sheetData foo="1"><x:row r="1"><x:c r="B1" t="s"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>)",
     {{1, 2}, {"", "s1"}, {K::Initial, K::Initial}, true}},
    {"out_of_order_and_duplicates",
     sheetXml("A1:B2", R"(<row r="2"><c r="B2"><v>late</v></c><c r="A2"><v>a2</v></c></row>)"
                       R"(<row r="1"><c r="A1"><v>first</v></c><c r="A1" t="s"><v>2</v></c></row>)"
                       R"(<row r="2"><c r="B2"/></row>)"),
     {{2, 2}, {"s2", "", "a2", ""}, {K::Num, K::Initial}, true}},
    {"duplicate_in_order_replaces",
     sheetXml(
         "A1:B1",
         R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c><c r="B1"><v>3</v></c></row>)"),
     {{1, 2}, {"1", "3"}, {K::Initial, K::Initial}, true}},
    {"trim_cuts_rows_after_the_last_cell",
     sheetXml(
         "A1:B5",
         R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c></row><row r="2"><c r="A2"><v>3</v></c></row>)"),
     {{2, 2}, {"1", "2", "3", ""}, {K::Num, K::Initial}, true},
     true,
     false,
     true},
    {"trim_without_columns",
     sheetXml("", ""),
     {{}, {}, {}, false, "DivByZeroError: division by zero"},
     true,
     false,
     true},
    {"dimension_reversed_one_way",
     sheetXml("C1:A2", ""),
     {{}, {}, {}, false, "RangeError: value out of range: -2 notin 0 .. 2147483647"}},
    {"dimension_reversed_both_ways",
     sheetXml("C3:A1", ""),
     {{}, {}, {}, false, "RangeError: value out of range: -1 notin 0 .. 2147483647"}},
    {"dimension_beyond_32_bits",
     sheetXml("A1:XFD1048576", ""),
     {{}, {}, {}, false, "OverflowError: over- or underflow"}},
    {"cells_beyond_32_bits",
     sheetXml(
         "",
         R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="1048576"><c r="XFD1048576"><v>1</v></c></row>)"),
     {{}, {}, {}, false, "OverflowError: over- or underflow"}},
    {"read_errors_before_text_errors",
     sheetXml(
         "A1:B2",
         R"(<row r="1"><c r="A1" t="s"><v>7</v></c></row><row r="2"><c r="B2" t="q"><v>1</v></c></row>)"),
     {{}, {}, {}, false, "UnKnownSheetDataKindError: unsupport sheet data kind"}},
    {"first_text_error_by_slot",
     sheetXml("A1:B1",
              R"(<row r="1"><c r="B1" t="b"><v>maybe</v></c><c r="A1" t="s"><v>7</v></c></row>)"),
     {{}, {}, {}, false, "IndexError: index 7 not in 0 .. 2"}},
    {"text_error_in_order",
     sheetXml("A1:B1",
              R"(<row r="1"><c r="A1" t="b"><v>maybe</v></c><c r="B1" t="s"><v>7</v></c></row>)"),
     {{}, {}, {}, false, "ValueError: cannot interpret as a bool: maybe"}},
    {"replaced_cell_raises_nothing",
     sheetXml(
         "A1:B1",
         R"(<row r="1"><c r="A1" t="s"><v>7</v></c><c r="B1"><v>1</v></c><c r="A1"><v>ok</v></c></row>)"),
     {{1, 2}, {"ok", "1"}, {K::Initial, K::Initial}, true}},
    {"full_index_rules_in_text",
     sheetXml("A1:B1",
              R"(<row r="1"><c r="A1" t="s"><v>+1</v></c><c r="B1" t="b"><v>Yes</v></c></row>)"),
     {{1, 2}, {"s1", "true"}, {K::Initial, K::Initial}, true}},
    {"skipped_header_row_raises_nothing",
     sheetXml(
         "A1:A2",
         R"(<row r="1"><c r="A1" t="s"><v>9</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>)"),
     {{1, 1}, {"2"}, {K::Num}, false},
     true,
     true},
    {"missing_cell_end_reads_next_cell",
     sheetXml("A1:B1", R"(<row r="1"><c r="A1"><v>1</v><c r="B1"><v>2</v></c></row>)"),
     {{1, 2}, {"1", "2"}, {K::Initial, K::Initial}, true}},
};

TEST(Worksheet, BothPathsAgree) {
#ifdef _WIN32
    _putenv_s("TZ", "Europe/Berlin");
    _tzset();
#else
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(twoStep(c.xml, c.header, c.skipHeaders, c.trim), c.expected);
        EXPECT_EQ(streamed(c.xml, c.header, c.skipHeaders, c.trim), c.expected);
    }
}

TEST(Worksheet, RawSheetSlots) {
    XmlReader reader(
        sheetXml(
            "B2:D5",
            R"(<row r="2"><c r="B2"><v>1</v></c></row><row r="5"><c r="D5" s="1"><v>43466</v></c></row>)"),
        XmlOptions{true, false});
    RawSheet raw = parseSheet(reader, formats, false, false);
    EXPECT_EQ(raw.shape, (Shape{4, 3}));
    EXPECT_EQ(raw.firstColumn, 2);
    EXPECT_EQ(raw.firstRow, 2);
    ASSERT_EQ(raw.cells.size(), 2u);
    EXPECT_EQ(raw.cells[0].index, 0);
    EXPECT_EQ(raw.cells[0].data.nvalue(), "1");
    EXPECT_EQ(raw.cells[1].index, 11);
    EXPECT_EQ(raw.cells[1].data.kind(), K::Date);
}

TEST(Worksheet, HugeDimensionCostsOnlyItsCells) {
    std::string xml =
        sheetXml("A1:BXX100000", R"(<row r="1"><c r="A1"><v>1</v></c></row>)"
                                 R"(<row r="500"><c r="C500"><v>2</v></c></row>)"
                                 R"(<row r="100000"><c r="BXX100000"><v>3</v></c></row>)");
    XmlReader reader(xml, XmlOptions{true, false});
    Sheet s = loadSheet(reader, formats, false, strings(), true, false, false);
    EXPECT_EQ(s.shape, (Shape{100000, 2000}));
    EXPECT_EQ(s.storedCells(), 3u);
    EXPECT_LT(s.storageBytes(), 4096u);
    EXPECT_EQ(s.text(99999, 1999), "3");
    EXPECT_EQ(s.text(499, 2), "2");

    XmlReader again(xml, XmlOptions{true, false});
    RawSheet raw = parseSheet(again, formats, false, false);
    EXPECT_EQ(raw.cells.size(), 3u);
}

} // namespace
} // namespace ledgerine::xlsx
