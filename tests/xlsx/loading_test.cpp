#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "support/package_builder.h"
#include "xlsx/loading.h"
#include "xlsx/manifest.h"
#include "xlsx/package.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

using testing::PackageEntries;

void setVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// The temporary directory is fixed at its first use: point TEMP at this executable's own
// scratch folder before any test runs, so parallel test executables never share it.
class PrivateTemp : public ::testing::Environment {
public:
    void SetUp() override {
        setVariable("TEMP", testing::scratchFolder("xlsx_loading_temp"));
        setVariable("TZ", "Europe/Berlin");
        tzset();
    }
};
const auto* const privateTemp = ::testing::AddGlobalTestEnvironment(new PrivateTemp);

std::string folder() {
    static const std::string f = testing::scratchFolder("xlsx_loading");
    return f;
}

std::string write(const std::string& name, const PackageEntries& entries) {
    std::string path = base::joinPath(folder(), name + ".xlsx");
    testing::writePackage(path, entries);
    return path;
}

const char* const xmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// A package from its parts; the manifest lists every part given (and nothing else).
struct Part {
    std::string name; // without the leading slash
    std::string bytes;
    bool listed = true;  // named in the manifest
    bool present = true; // stored in the archive
};

PackageEntries package(const std::vector<Part>& parts) {
    std::string types = std::string(xmlHead) +
                        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                        "content-types\"><Default Extension=\"xml\" ContentType=\"application/"
                        "xml\"/>";
    for (const Part& p : parts)
        if (p.listed)
            types += "<Override PartName=\"/" + p.name + "\" ContentType=\"application/xml\"/>";
    types += "</Types>";
    PackageEntries out{{"[Content_Types].xml", types}};
    for (const Part& p : parts)
        if (p.present) out.emplace_back(p.name, p.bytes);
    return out;
}

std::string workbook(const std::string& sheets, const std::string& pr = "") {
    return std::string(xmlHead) +
           "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
           pr + "<sheets>" + sheets + "</sheets></workbook>";
}

std::string rels(const std::vector<std::pair<std::string, std::string>>& idTargets) {
    std::string out = std::string(xmlHead) +
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                      "relationships\">";
    for (const auto& [id, target] : idTargets)
        out += "<Relationship Id=\"" + id +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "worksheet\" Target=\"" +
               target + "\"/>";
    return out + "</Relationships>";
}

const std::string styles =
    std::string(xmlHead) +
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\n"
    "  <numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"YYYY-MM-DD HH:MM:SS\"/>"
    "</numFmts>\n"
    "  <cellXfs count=\"4\">\n"
    "    <xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>\n"
    "    <xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>\n"
    "    <xf numFmtId=\"164\" fontId=\"0\"><alignment horizontal=\"left\"/></xf>\n"
    "    <xf numFmtId=\"21\" fontId=\"0\"/>\n"
    "  </cellXfs>\n"
    "</styleSheet>";

std::string worksheet(const std::string& dimension, const std::string& rows) {
    return std::string(xmlHead) +
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">\n"
           "  <dimension ref=\"" +
           dimension + "\"/>\n  <sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>\n" +
           "  <sheetData>\n" + rows + "\n  </sheetData>\n</worksheet>";
}

std::vector<std::string> rowsOf(const Sheet& s) {
    std::vector<std::string> out;
    std::vector<std::string> d = s.data();
    for (int32_t r = 0; r < s.shape.rows; ++r) {
        std::string line;
        for (int32_t c = 0; c < s.shape.columns; ++c) {
            if (c) line += ",";
            line += d[static_cast<size_t>(r * s.shape.columns + c)];
        }
        out.push_back(line);
    }
    return out;
}

bool tempGone() {
    return !platform::folderExists(tempDirectory());
}

TEST(ParseExcel, RealisticWorkbookWithDeletedAndReorderedSheets) {
    // Sheets were deleted and moved: sheetIds 3 and 7 and files sheet1/sheet2 do not match.
    std::string sst = std::string(xmlHead) +
                      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                      "count=\"5\" uniqueCount=\"4\">"
                      "<si><t>Name</t></si><si><t>Amount</t></si>"
                      "<si><r><rPr><b/></rPr><t>Rich</t></r><r><t xml:space=\"preserve\"> "
                      "text</t></r></si><si><t>When</t></si></sst>";
    std::string summary = worksheet(
        "A1:C3",
        "    <row r=\"1\" spans=\"1:3\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\">"
        "<v>1</v></c><c r=\"C1\" t=\"s\"><v>3</v></c></row>\n"
        "    <row r=\"2\" spans=\"1:3\">\n"
        "      <c r=\"A2\" t=\"s\">\n        <v>2</v>\n      </c>\n"
        "      <c r=\"B2\">\n        <f>SUM(1,2)</f>\n        <v>3</v>\n      </c>\n"
        "      <c r=\"C2\" s=\"1\" t=\"n\"><v>43466.75</v></c>\n    </row>\n"
        "    <row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>inline</t></is></c>"
        "<c r=\"B3\" t=\"str\"><f>A1&amp;B1</f><v>NameAmount</v></c>"
        "<c r=\"C3\" s=\"3\"><v>0.5</v></c></row>");
    std::string data = worksheet(
        "A1", "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"e\"><v>#DIV/0!</v>"
              "</c></row><row r=\"2\"><c r=\"A2\"><v>1.5</v></c></row>");
    std::string hidden = worksheet("A1", "");
    std::string path = write(
        "realistic",
        package(
            {{"xl/workbook.xml",
              workbook("<sheet name=\"Summary\" sheetId=\"7\" r:id=\"rId2\"/>"
                       "<sheet name=\"Data\" sheetId=\"3\" r:id=\"rId1\"/>"
                       "<sheet name=\"Hidden\" sheetId=\"9\" state=\"hidden\" r:id=\"rId9\"/>")},
             {"xl/_rels/workbook.xml.rels",
              rels({{"rId1", "worksheets/sheet1.xml"},
                    {"rId2", "/xl/worksheets/sheet2.xml"},
                    {"rId9", "./worksheets/../worksheets/sheet3.xml"}}),
              false},
             {"xl/styles.xml", styles},
             {"xl/sharedStrings.xml", sst},
             {"xl/worksheets/sheet1.xml", data},
             {"xl/worksheets/sheet2.xml", summary},
             {"xl/worksheets/sheet3.xml", hidden}}));
    TextMap<Sheet> sheets = parseExcel(path, "", true, false, false, false);
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(rowsOf(sheets.at("Summary")),
              (std::vector<std::string>{"Name,Amount,When", "Rich text,3,2019-01-01T18:00:00+01:00",
                                        "inline,NameAmount,12:00:00"}));
    EXPECT_EQ(sheets.at("Summary").colType,
              (std::vector<SheetDataKind>{SheetDataKind::SharedString, SheetDataKind::Num,
                                          SheetDataKind::Date}));
    EXPECT_EQ(rowsOf(sheets.at("Data")), (std::vector<std::string>{"true,", "1.5,"}));
    EXPECT_EQ(sheets.at("Hidden").shape, (Shape{0, 0}));
    EXPECT_TRUE(sheets.at("Summary").header);
    EXPECT_TRUE(tempGone());

    TextMap<Sheet> one = parseExcel(path, "Data", true, false, false, false);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(rowsOf(one.at("Data")), (std::vector<std::string>{"true,", "1.5,"}));
}

TEST(ParseExcel, WithoutRelationshipsTheSheetIdNamesThePart) {
    std::string sheet = worksheet("A1:A1", "<row r=\"1\"><c r=\"A1\"><v>5</v></c></row>");
    auto entries = [&](const std::string& sheets) {
        return package({{"xl/workbook.xml", workbook(sheets)},
                        {"xl/styles.xml", styles},
                        {"xl/worksheets/sheet2.xml", sheet}});
    };
    std::string ok =
        write("by_sheet_id", entries("<sheet name=\"S\" sheetId=\"2\" r:id=\"rId5\"/>"));
    EXPECT_EQ(rowsOf(parseExcel(ok, "", true, false, false, false).at("S")),
              std::vector<std::string>{"5"});
    std::string missing =
        write("by_sheet_id_missing", entries("<sheet name=\"S\" sheetId=\"5\" r:id=\"rId5\"/>"));
    try {
        parseExcel(missing, "", true, false, false, false);
        FAIL() << "no error";
    } catch (const base::KeyError& e) {
        EXPECT_EQ(e.message(), "key not found: sheet5");
    }
    EXPECT_TRUE(tempGone());
}

struct FailureCase {
    const char* name;
    std::vector<Part> parts;
    std::string sheetName;
    std::string errorName;
    std::string message; // "@" + part name: "Unable to read file: " + that part's path
};

TEST(ParseExcel, Failures) {
    std::string sheet = worksheet("A1:B1", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>");
    std::string wb = workbook("<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>");
    std::string wbRels = rels({{"rId1", "worksheets/sheet1.xml"}});
    const std::vector<FailureCase> cases = {
        {"no_styles",
         {{"xl/workbook.xml", wb}, {"xl/worksheets/sheet1.xml", sheet}},
         "",
         "KeyError",
         "key not found: styles"},
        {"no_such_sheet",
         {{"xl/workbook.xml", wb}, {"xl/styles.xml", styles}, {"xl/worksheets/sheet1.xml", sheet}},
         "Summary",
         "NotFoundSheetError",
         "no such sheet name: Summary"},
        {"no_shared_strings_part",
         {{"xl/workbook.xml", wb}, {"xl/styles.xml", styles}, {"xl/worksheets/sheet1.xml", sheet}},
         "",
         "IndexError",
         "index out of bounds, the container is empty"},
        {"listed_part_missing",
         {{"xl/workbook.xml", wb},
          {"xl/styles.xml", styles},
          {"xl/sharedStrings.xml", "", true, false},
          {"xl/worksheets/sheet1.xml", sheet}},
         "",
         "IOError",
         "@/xl/sharedStrings.xml"},
        {"listed_worksheet_missing",
         {{"xl/workbook.xml", wb},
          {"xl/styles.xml", styles},
          {"xl/worksheets/sheet1.xml", "", true, false}},
         "",
         "IOError",
         "@/xl/worksheets/sheet1.xml"},
        {"related_part_missing",
         {{"xl/workbook.xml", wb},
          {"xl/_rels/workbook.xml.rels", wbRels, false},
          {"xl/styles.xml", styles}},
         "",
         "IOError",
         "@/xl/worksheets/sheet1.xml"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = write(std::string("fail_") + c.name, package(c.parts));
        try {
            parseExcel(path, c.sheetName, true, false, false, false);
            ADD_FAILURE() << "no error";
        } catch (const base::Error& e) {
            EXPECT_EQ(e.name(), c.errorName);
            std::string expected = c.message;
            if (expected[0] == '@')
                expected = "Unable to read file: " + partPath(tempDirectory(), expected.substr(1));
            EXPECT_EQ(e.message(), expected);
        }
        EXPECT_TRUE(tempGone());
    }
}

TEST(ParseExcel, Date1904AndDatesWrittenStyleBeforeType) {
    std::string sheet =
        worksheet("A1:B1", "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"n\"><v>43466</v></c>"
                           "<c r=\"B1\" s=\"2\"><v>43466.5</v></c></row>");
    std::string path = write(
        "date1904",
        package({{"xl/workbook.xml", workbook("<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>",
                                              "<workbookPr date1904=\"1\"/>")},
                 {"xl/_rels/workbook.xml.rels", rels({{"rId1", "worksheets/sheet1.xml"}}), false},
                 {"xl/styles.xml", styles},
                 {"xl/worksheets/sheet1.xml", sheet}}));
    EXPECT_EQ(rowsOf(parseExcel(path, "", false, false, false, false).at("S")),
              std::vector<std::string>{"2023-01-02T00:00:00+01:00,2023-01-02T12:00:00+01:00"});
}

TEST(ParseExcel, OneCellDimensionOverAWholeTable) {
    std::string rows;
    for (int r = 1; r <= 3; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\">";
        for (char c : std::string("ABC"))
            rows += std::string("<c r=\"") + c + std::to_string(r) + "\"><v>" + c +
                    std::to_string(r) + "</v></c>";
        rows += "</row>";
    }
    std::string path = write(
        "one_cell_dimension",
        package({{"xl/workbook.xml", workbook("<sheet name=\"T\" sheetId=\"1\" r:id=\"rId1\"/>")},
                 {"xl/_rels/workbook.xml.rels", rels({{"rId1", "worksheets/sheet1.xml"}}), false},
                 {"xl/styles.xml", styles},
                 {"xl/worksheets/sheet1.xml", worksheet("A1", rows)}}));
    Sheet t = parseExcel(path, "", true, false, false, false).at("T");
    EXPECT_EQ(rowsOf(t), (std::vector<std::string>{"A1,B1,C1", "A2,B2,C2", "A3,B3,C3"}));
}

} // namespace
} // namespace ledgerine::xlsx

namespace ledgerine::xlsx {
namespace {

// A conversion unpacks once: the names come in listing order with every sheet, and a workbook
// without sheets stops after the index, before the styles part would be looked up.
TEST(LoadWorkbook, NamesInListingOrderWithTheirSheetsFromOneUnpacking) {
    std::string sheets;
    std::vector<Part> parts;
    for (int i = 1; i <= 3; ++i) {
        std::string n = std::to_string(i);
        sheets += "<sheet name=\"Sheet" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        parts.push_back(
            {"xl/worksheets/sheet" + n + ".xml",
             worksheet("A1:A1", "<row r=\"1\"><c r=\"A1\"><v>" + n + "</v></c></row>")});
    }
    parts.push_back({"xl/workbook.xml", workbook(sheets)});
    parts.push_back({"xl/styles.xml", styles});
    parts.push_back({"xl/_rels/workbook.xml.rels",
                     rels({{"rId1", "worksheets/sheet1.xml"},
                           {"rId2", "worksheets/sheet2.xml"},
                           {"rId3", "worksheets/sheet3.xml"}}),
                     false});
    std::string path = write("load_once", package(parts));
    std::vector<std::string> seen;
    WorkbookLoad load = loadWorkbook(path, [&](const std::vector<std::string>& n) { seen = n; });
    EXPECT_EQ(load.names, (std::vector<std::string>{"Sheet1", "Sheet3", "Sheet2"}));
    EXPECT_EQ(seen, load.names);
    EXPECT_EQ(load.names, readSheetNames(path));
    for (const std::string& name : load.names)
        EXPECT_EQ(load.sheets.at(name).text(0, 0), name.substr(5));
    EXPECT_TRUE(tempGone());

    std::string empty = write("load_no_sheets", package({{"xl/workbook.xml", workbook("")}}));
    bool called = false;
    WorkbookLoad none =
        loadWorkbook(empty, [&](const std::vector<std::string>&) { called = true; });
    EXPECT_TRUE(none.names.empty());
    EXPECT_TRUE(none.sheets.empty());
    EXPECT_FALSE(called);
    EXPECT_TRUE(tempGone());
}

} // namespace
} // namespace ledgerine::xlsx
