#include "base/errors.h"
#include "xlsx/cells.h"
#include "xlsx/shared_strings.h"
#include "xlsx/xml_reader.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

void setZone(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone);
    _tzset();
#else
    setenv("TZ", zone, 1);
    tzset();
#endif
}

// Style indexes: 0 general (float), 1 mm-dd-yy (date), 2 h:mm:ss (time), 3 0.00% (percentage),
// 4 none (an id without a code: date), 5 h:mm (time).
const StyleFormats formats = {"general", "mm-dd-yy", "h:mm:ss", "0.00%", "none", "h:mm"};

SharedStrings strings() {
    XmlReader reader("<sst uniqueCount=\"3\"><si><t>zero</t></si><si><t>one</t></si></sst>",
                     XmlOptions{true, false});
    return parseSharedStrings(reader, false);
}

struct Outcome {
    SheetDataKind kind;
    std::string text;
    CellPlace place;
    std::string error; // "Name: message" when the cell fails
};

Outcome convert(const std::string& cellXml, bool date1904 = false) {
    std::string xml = "<sheetData><row r=\"1\">" + cellXml + "<c r=\"Z9\"/></row></sheetData>";
    XmlReader reader(xml, XmlOptions{true, false});
    do
        reader.nextEvent();
    while (!(reader.kind() == XmlEventKind::ElementOpen ||
             reader.kind() == XmlEventKind::ElementStart) ||
           localName(reader.name()) != "c");
    Outcome out{};
    try {
        auto [place, data] = parseCell(reader, formats, date1904);
        out.kind = data.kind();
        out.place = place;
        out.text = std::string(cellText(data, strings()));
        // The reader stops at the cell's own end: the next event starts the next cell.
        reader.nextEvent();
        EXPECT_TRUE(isElement(reader, XmlEventKind::ElementOpen, "c")) << cellXml;
    } catch (const base::Error& e) {
        out.error = e.name() + ": " + e.message();
    }
    return out;
}

struct CellCase {
    const char* name;
    const char* zone;
    std::string xml;
    SheetDataKind kind;
    std::string text;
    std::string error = "";
    bool date1904 = false;
};

using K = SheetDataKind;
const char* const berlin = "Europe/Berlin";
const char* const newYork = "America/New_York";

const std::vector<CellCase> cellCases = {
    {"shared_string_r_s_t", berlin, R"(<c r="A1" s="1" t="s"><v>1</v></c>)", K::SharedString,
     "one"},
    {"type_decides_in_any_order", berlin, R"(<c r="A1" t="s" s="1"><v>0</v></c>)", K::SharedString,
     "zero"},
    {"style_decides_with_t_n_after_s", berlin, R"(<c r="A1" s="1" t="n"><v>43466</v></c>)", K::Date,
     "2019-01-01T00:00:00+01:00"},
    {"style_decides_with_t_n_before_s", berlin, R"(<c r="A1" t="n" s="1"><v>43466</v></c>)",
     K::Date, "2019-01-01T00:00:00+01:00"},
    {"plain_number", berlin, R"(<c r="A1"><v>1.5</v></c>)", K::Num, "1.5"},
    {"number_text_unchanged", berlin, R"(<c r="A1"><v>1.0000000000000001E-3</v></c>)", K::Num,
     "1.0000000000000001E-3"},
    {"percentage_style", berlin, R"(<c r="A1" s="3"><v>0.25</v></c>)", K::Num, "0.25"},
    {"float_style", berlin, R"(<c r="A1" s="0"><v>7</v></c>)", K::Num, "7"},
    {"date_1900", berlin, R"(<c r="A1" s="1"><v>43466.75</v></c>)", K::Date,
     "2019-01-01T18:00:00+01:00"},
    {"date_summer", berlin, R"(<c r="A1" s="1"><v>43647</v></c>)", K::Date,
     "2019-07-01T01:00:00+02:00"},
    {"date_serial_one", berlin, R"(<c r="A1" s="1"><v>1</v></c>)", K::Date,
     "1899-12-31T00:00:00+01:00"},
    {"date_1904", berlin, R"(<c r="A1" s="1"><v>43466</v></c>)", K::Date,
     "2023-01-02T00:00:00+01:00", "", true},
    {"accounting_style_is_date", berlin, R"(<c r="A1" s="4"><v>1234.5</v></c>)", K::Date,
     "1903-05-18T12:00:00+01:00"},
    {"date_after_2038", berlin, R"(<c r="A1" s="1"><v>73051</v></c>)", K::Date,
     "2100-01-01T00:00:00+01:00"},
    {"date_after_2038_summer", berlin, R"(<c r="A1" s="1"><v>73232.5</v></c>)", K::Date,
     "2100-07-01T13:00:00+02:00"},
    {"date_five_digit_year", berlin, R"(<c r="A1" s="1"><v>2958466</v></c>)", K::Date,
     "+10000-01-01T00:00:00+01:00"},
    {"date_new_york_winter", newYork, R"(<c r="A1" s="1"><v>43466.75</v></c>)", K::Date,
     "2019-01-01T18:00:00-05:00"},
    {"date_new_york_summer", newYork, R"(<c r="A1" s="1"><v>43647</v></c>)", K::Date,
     "2019-07-01T01:00:00-04:00"},
    {"date_new_york_before_1970", newYork, R"(<c r="A1" s="1"><v>21916.5</v></c>)", K::Date,
     "1960-01-01T12:00:00-05:00"},
    {"date_before_1970_summer_uses_1970_offset", berlin, R"(<c r="A1" s="1"><v>17715</v></c>)",
     K::Date, "1948-07-01T00:00:00+01:00"},
    {"date_iso_text_in_d_cell", berlin, R"(<c r="A1" t="d"><v>2019-01-01T00:00:00</v></c>)",
     K::Date, "2019-01-01T00:00:00"},
    {"date_iso_date_in_d_cell", berlin, R"(<c r="A1" t="d"><v>2019-01-01</v></c>)", K::Date,
     "2019-01-01"},
    {"date_empty", berlin, R"(<c r="A1" s="1"><v></v></c>)", K::Initial, "",
     "ValueError: invalid integer: "},
    {"date_spaced", berlin, R"(<c r="A1" s="1"><v> 43466</v></c>)", K::Initial, "",
     "ValueError: invalid integer:  43466"},
    {"date_bad_fraction", berlin, R"(<c r="A1" s="1"><v>43466.5x</v></c>)", K::Initial, "",
     "ValueError: invalid float: .5x"},
    {"time_half", berlin, R"(<c r="A1" s="2"><v>0.5</v></c>)", K::Time, "12:00:00"},
    {"time_builtin_21_style", berlin, R"(<c r="A1" s="5"><v>0.75</v></c>)", K::Time, "18:00:00"},
    {"time_whole_days_dropped", berlin, R"(<c r="A1" s="2"><v>1.5</v></c>)", K::Time, "12:00:00"},
    {"time_truncated", berlin, R"(<c r="A1" s="2"><v>0.3</v></c>)", K::Time, "07:11:59"},
    {"time_zero", berlin, R"(<c r="A1" s="2"><v>0</v></c>)", K::Time, "00:00:00"},
    {"time_negative", berlin, R"(<c r="A1" s="2"><v>-0.5</v></c>)", K::Initial, "",
     "RangeError: value out of range: -12 notin 0 .. 23"},
    {"time_beyond_32_bits", berlin, R"(<c r="A1" s="2"><v>30000</v></c>)", K::Initial, "",
     "RangeError: value out of range: -3 notin 0 .. 23"},
    {"time_not_float", berlin, R"(<c r="A1" s="2"><v>noon</v></c>)", K::Initial, "",
     "ValueError: invalid float: noon"},
    {"boolean_true", berlin, R"(<c r="A1" t="b"><v>1</v></c>)", K::Boolean, "true"},
    {"boolean_false", berlin, R"(<c r="A1" t="b"><v>0</v></c>)", K::Boolean, "false"},
    {"boolean_bad", berlin, R"(<c r="A1" t="b"><v>2</v></c>)", K::Boolean, "",
     "ValueError: cannot interpret as a bool: 2"},
    {"error_cell", berlin, R"(<c r="A1" t="e"><v>#DIV/0!</v></c>)", K::Error, ""},
    {"formula_text", berlin, R"(<c r="A1" t="str"><f>B1&amp;C1</f><v>xy</v></c>)", K::Formula,
     "xy"},
    {"formula_shared_empty_f", berlin, R"(<c r="A1" t="str"><f t="shared" si="0"/><v>xy</v></c>)",
     K::Formula, "xy"},
    {"formula_indented", berlin, "<c r=\"A1\" t=\"str\">\n  <f>B1</f>\n  <v>cached value</v>\n</c>",
     K::Formula, "cached value"},
    {"formula_value_before_f", berlin, R"(<c r="A1" t="str"><v>v first</v><f>B1</f></c>)",
     K::Formula, "v first"},
    {"formula_without_v", berlin, R"(<c r="A1" t="str"><f>B1</f></c>)", K::Formula, ""},
    {"str_without_f", berlin, R"(<c r="A1" t="str"><v>plain</v></c>)", K::Formula, "plain"},
    {"str_empty", berlin, R"(<c r="A1" t="str"></c>)", K::Initial, ""},
    {"number_formula_indented", berlin,
     "<c r=\"A1\">\n    <f>SUM(A2:A9)</f>\n    <v>42</v>\n  </c>", K::Num, "42"},
    {"inline_string", berlin, R"(<c r="A1" t="inlineStr"><is><t>abc</t></is></c>)", K::InlineStr,
     "abc"},
    {"inline_rich_with_escape", berlin,
     R"(<c r="A1" t="inlineStr"><is><r><t>a_x0042_</t></r><r><t xml:space="preserve"> c</t></r></is></c>)",
     K::InlineStr, "aB c"},
    {"unknown_type", berlin, R"(<c r="A1" t="z"><v>1</v></c>)", K::Initial, "",
     "UnKnownSheetDataKindError: unsupport sheet data kind"},
    {"styled_empty", berlin, R"(<c r="A1" s="1"/>)", K::Initial, ""},
    {"style_not_integer", berlin, R"(<c r="A1" s="x"><v>1</v></c>)", K::Initial, "",
     "ValueError: invalid integer: x"},
    {"style_out_of_list", berlin, R"(<c r="A1" s="6"><v>1</v></c>)", K::Initial, "",
     "IndexError: index 6 not in 0 .. 5"},
    {"style_checked_even_with_type", berlin, R"(<c r="A1" t="s" s="9"><v>0</v></c>)", K::Initial,
     "", "IndexError: index 9 not in 0 .. 5"},
    {"shared_index_not_integer", berlin, R"(<c r="A1" t="s"><v>one</v></c>)", K::SharedString, "",
     "ValueError: invalid integer: one"},
    {"shared_index_past_list", berlin, R"(<c r="A1" t="s"><v>3</v></c>)", K::SharedString, "",
     "IndexError: index 3 not in 0 .. 2"},
    {"shared_index_in_empty_slot", berlin, R"(<c r="A1" t="s"><v>2</v></c>)", K::SharedString, ""},
    {"row_beyond_32_bits", berlin, R"(<c r="A2147483648"><v>1</v></c>)", K::Initial, "",
     "RangeError: value out of range: 2147483648 notin -2147483648 .. 2147483647"},
    {"value_with_attributes_and_whitespace", berlin,
     "<c r=\"A1\">\n<v xml:space=\"preserve\"> 12 </v></c>", K::Num, " 12 "},
};

TEST(ParseCell, Cases) {
    for (const CellCase& c : cellCases) {
        SCOPED_TRACE(c.name);
        setZone(c.zone);
        Outcome o = convert(c.xml, c.date1904);
        EXPECT_EQ(o.error, c.error);
        if (!c.error.empty()) continue;
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.text, c.text);
    }
}

TEST(ParseCell, Places) {
    struct PlaceCase {
        std::string xml;
        CellPlace place;
    };
    const std::vector<PlaceCase> cases = {
        {R"(<c r="B3"><v>1</v></c>)", {3, 2}},
        {R"(<c r="XFD1048576"><v>1</v></c>)", {1048576, 16384}},
        {R"(<c r="AA7"/>)", {7, 27}},
        {R"(<c t="n"><v>1</v></c>)", {0, 0}}, // no r: the caller's fallback
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.xml);
        EXPECT_EQ(convert(c.xml).place, c.place);
    }
}

TEST(ParseDataKind, Table) {
    const std::vector<std::pair<std::string, SheetDataKind>> cases = {
        {"b", K::Boolean}, {"d", K::Date},         {"e", K::Error},    {"inlineStr", K::InlineStr},
        {"n", K::Num},     {"s", K::SharedString}, {"str", K::Formula}};
    for (const auto& [text, kind] : cases)
        EXPECT_EQ(parseDataKind(text), kind) << text;
    EXPECT_THROW(parseDataKind("S"), base::UnKnownSheetDataKindError);
    EXPECT_THROW(parseDataKind("inlinestr"), base::UnKnownSheetDataKindError);
}

TEST(ParseDateSerial, WholeDaysAndSeconds) {
    struct SerialCase {
        std::string text;
        int32_t days;
        int64_t seconds;
    };
    const std::vector<SerialCase> cases = {
        {"43466", 43466, 0}, {"43466.75", 43466, 64800}, {"0.3", 0, 25919}, {"-1.5", -1, 43200}};
    for (const SerialCase& c : cases) {
        DateSerial s = parseDateSerial(c.text);
        EXPECT_EQ(s.days, c.days) << c.text;
        EXPECT_EQ(s.seconds, c.seconds) << c.text;
    }
}

TEST(DateText, HonoursTheZoneOfEachCall) {
    setZone("UTC");
    EXPECT_EQ(dateText("25569", false), "1970-01-01T00:00:00+00:00");
    setZone("Asia/Kolkata");
    EXPECT_EQ(dateText("43466", false), "2019-01-01T00:00:00+05:30");
    setZone("Europe/Berlin");
}

} // namespace
} // namespace ledgerine::xlsx
