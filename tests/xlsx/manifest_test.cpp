#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "support/package_builder.h"
#include "xlsx/manifest.h"
#include "xlsx/package.h"
#include "xlsx/xml_reader.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace ledgerine::xlsx {
namespace {

using testing::minimalWorkbook;
using testing::PackageEntries;
using testing::scratchFolder;
using testing::writeFile;
using testing::writePackage;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using Names = std::vector<std::string>;

// The temporary directory is fixed at its first use: give this executable its own.
const bool privateTemp = [] {
    std::string folder = scratchFolder("manifest_test_temp");
    ::ledgerine::testing::setTempFolder(folder);
    return true;
}();

// The entries in iteration order.
Pairs pairs(const TextMap<std::string>& map) {
    Pairs out;
    for (const auto& e : map)
        out.emplace_back(e.key, e.value);
    return out;
}
Pairs sorted(Pairs p) {
    std::sort(p.begin(), p.end());
    return p;
}

PartTable partTableOf(const std::string& xml) {
    XmlReader reader(xml, {});
    return readPartTable(reader);
}
WorkbookIndex indexOf(const std::string& xml) {
    XmlReader reader(xml, {});
    return readWorkbookIndex(reader);
}

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string typesOpen =
    decl + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
std::string override(const std::string& part) {
    return "<Override PartName=\"" + part + "\" ContentType=\"application/xml\"/>";
}
const std::string workbookOpen =
    decl + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
std::string sheet(const std::string& name, const std::string& id) {
    return "<sheet name=\"" + name + "\" sheetId=\"" + id + "\" r:id=\"rId" + id + "\"/>";
}
std::string sheetsOf(const Names& names) {
    std::string out = "<sheets>";
    for (size_t i = 0; i < names.size(); ++i)
        out += sheet(names[i], std::to_string(i + 1));
    return out + "</sheets>";
}

TEST(NamespacePrefix, ReadsTheRootsPrefix) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {typesOpen + "</Types>", ""},
        {decl + "<x:workbook xmlns:x=\"urn:x\"></x:workbook>", "x:"},
        {"<?mso-application progid=\"Excel.Sheet\"?><x:workbook xmlns:x=\"urn:x\"/>", "x:"},
        {"<a:b:workbook xmlns:a=\"urn:a\"/>", "a:b:"},
        {"<:workbook a=\"1\"/>", ""},
        {"<x:workbook/>", ""}, // no attributes: not an ElementOpen
        {"", ""},
    };
    for (const auto& [xml, prefix] : cases) {
        XmlReader reader(xml, {});
        EXPECT_EQ(namespacePrefix(reader), prefix) << xml;
    }
    XmlReader reader(decl + "<x:workbook xmlns:x=\"urn:x\"/>", {});
    namespacePrefix(reader);
    EXPECT_EQ(reader.kind(), XmlEventKind::ElementOpen); // stays on the root
}

TEST(FileStem, LastComponentWithoutExtension) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/xl/workbook.xml", "workbook"},
        {"/xl/worksheets/sheet12.xml", "sheet12"},
        {"\\xl\\styles.xml", "styles"},
        {"/xl/theme/theme1.b.xml", "theme1.b"},
        {"/_rels/.rels", ".rels"},
        {"/xl/name.", "name."},
        {"/xl/a..b", "a."},
        {"/xl/a..", "a.."},
        {"plain", "plain"},
        {"/xl/", ""},
    };
    for (const auto& [part, stem] : cases)
        EXPECT_EQ(fileStem(part), stem) << part;
}

TEST(ReadPartTable, MapsFileStemsToPartNames) {
    struct Case {
        std::string name;
        std::string xml;
        Pairs expected;
    };
    const std::vector<Case> cases = {
        {"usual parts",
         typesOpen + "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" +
             override("/xl/workbook.xml") + override("/xl/worksheets/sheet1.xml") +
             override("/xl/styles.xml") + override("/xl/sharedStrings.xml") + "</Types>",
         {{"sharedStrings", "/xl/sharedStrings.xml"},
          {"sheet1", "/xl/worksheets/sheet1.xml"},
          {"styles", "/xl/styles.xml"},
          {"workbook", "/xl/workbook.xml"}}},
        {"no workbook override",
         typesOpen + override("/xl/styles.xml") + "</Types>",
         {{"styles", "/xl/styles.xml"}, {"workbook", "xl/workbook.xml"}}},
        {"empty manifest", "", {{"workbook", "xl/workbook.xml"}}},
        {"later stem replaces",
         typesOpen + override("/xl/worksheets/sheet1.xml") +
             override("/xl/chartsheets/sheet1.xml") + override("/xl/workbook.xml") + "</Types>",
         {{"sheet1", "/xl/chartsheets/sheet1.xml"}, {"workbook", "/xl/workbook.xml"}}},
        {"attribute order and content type ignored",
         typesOpen + "<Override ContentType=\"x\" PartName=\"/xl/book.xml\"></Override>"
                     "<Override ContentType=\"/xl/other.xml\"/></Types>",
         {{"book", "/xl/book.xml"}, {"workbook", "xl/workbook.xml"}}},
        {"prefixed root",
         decl + "<p:Types xmlns:p=\"urn:ct\"><p:Override PartName=\"/xl/workbook2.xml\"/>"
                "<p:Override PartName=\"/xl/workbook.xml\"/></p:Types>",
         {{"workbook", "/xl/workbook.xml"}, {"workbook2", "/xl/workbook2.xml"}}},
        {"malformed parts passed over",
         typesOpen + "<Override PartName/>" + override("/xl/workbook.xml") + "<Override =\"x\"/>" +
             "</Types>",
         // An attribute without a value arrives empty, like any other.
         {{"", ""}, {"workbook", "/xl/workbook.xml"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sorted(pairs(partTableOf(c.xml))), c.expected) << c.name;
}

TEST(ReadPartTable, EveryTruncationKeepsWhatWasStored) {
    const std::string xml = typesOpen + override("/xl/workbook.xml") +
                            override("/xl/worksheets/sheet1.xml") + "</Types>";
    const size_t afterWorkbook = typesOpen.size() + override("/xl/workbook.xml").size();
    for (size_t n = 0; n <= xml.size(); ++n) {
        PartTable table = partTableOf(xml.substr(0, n));
        ASSERT_TRUE(table.contains("workbook")) << n;
        if (n >= afterWorkbook) {
            EXPECT_EQ(table.at("workbook"), "/xl/workbook.xml") << n;
        }
    }
}

TEST(ReadPartTable, MissingFileIsAnIOError) {
    std::string path = base::joinPath(scratchFolder("manifest_missing"), "[Content_Types].xml");
    try {
        readPartTable(path);
        FAIL();
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.report(), "Unable to read file: " + path + " [IOError]");
    }
    EXPECT_THROW(readWorkbookIndex(path), base::IOError);
}

TEST(ReadWorkbookIndex, ReadsTheSheetList) {
    struct Case {
        std::string name;
        std::string body; // between the workbook's start and end tags
        Pairs sheets;     // in iteration order
        Pairs relIds;     // sorted
    };
    const std::vector<Case> cases = {
        // Home slots 9, 52 and 19 of 64.
        {"listing order",
         sheetsOf({"Sheet1", "Sheet2", "Sheet3"}),
         {{"Sheet1", "1"}, {"Sheet3", "3"}, {"Sheet2", "2"}},
         {{"Sheet1", "rId1"}, {"Sheet2", "rId2"}, {"Sheet3", "rId3"}}},
        // Home slots 40, 40 and 43: Summary takes slot 41.
        {"probe sequences meet",
         sheetsOf({"Data", "Summary", "Notes"}),
         {{"Data", "1"}, {"Summary", "2"}, {"Notes", "3"}},
         {{"Data", "rId1"}, {"Notes", "rId3"}, {"Summary", "rId2"}}},
        {"sheetId before name pairs within the element",
         "<sheets><sheet sheetId=\"7\" name=\"First\" r:id=\"rId3\"/>"
         "<sheet r:id=\"rId1\" sheetId=\"2\" name=\"Second\"/></sheets>",
         {{"Second", "2"}, {"First", "7"}},
         {{"First", "rId3"}, {"Second", "rId1"}}},
        {"sheets with attributes",
         "<sheets count=\"1\">" + sheet("Only", "4") + "</sheets>",
         {{"Only", "4"}},
         {{"Only", "rId4"}}},
        {"empty sheets element", "<sheets/>", {}, {}},
        {"no sheets element", "<bookViews/>", {}, {}},
        {"hidden and very hidden sheets",
         "<sheets><sheet name=\"Data\" sheetId=\"1\" state=\"hidden\" r:id=\"rId1\"/>"
         "<sheet name=\"Notes\" sheetId=\"2\" state=\"veryHidden\"/></sheets>",
         {{"Data", "1"}, {"Notes", "2"}},
         {{"Data", "rId1"}, {"Notes", ""}}},
        {"names as attribute values arrive",
         "<sheets><sheet name=\"A&amp;B\" sheetId=\"1\"/>"
         "<sheet name=\"  Two   words  \" sheetId=\"2\"/></sheets>",
         {{" Two words", "2"}, {"A&B", "1"}},
         {{" Two words", ""}, {"A&B", ""}}},
        {"sheet without sheetId is not listed",
         "<sheets><sheet name=\"NoId\"/>" + sheet("Data", "1") + "</sheets>",
         {{"Data", "1"}},
         {{"Data", "rId1"}}},
        {"sheet with content",
         "<sheets><sheet name=\"Data\" sheetId=\"1\"><extLst/></sheet>" + sheet("Notes", "2") +
             "</sheets>",
         {{"Data", "1"}, {"Notes", "2"}},
         {{"Data", ""}, {"Notes", "rId2"}}},
        {"reading ends after the sheet list",
         sheetsOf({"Data"}) + "<sheets>" + sheet("Late", "9") + "</sheets>",
         {{"Data", "1"}},
         {{"Data", "rId1"}}},
        {"a sheet list of plain tags ends at once",
         "<sheets><sheet/>" + sheet("Data", "1") + "</sheets>",
         {},
         {}},
    };
    for (const Case& c : cases) {
        WorkbookIndex index = indexOf(workbookOpen + c.body + "</workbook>");
        EXPECT_EQ(pairs(index.sheets), c.sheets) << c.name;
        EXPECT_EQ(sorted(pairs(index.relIds)), c.relIds) << c.name;
        EXPECT_FALSE(index.date1904) << c.name;
    }
}

TEST(ReadWorkbookIndex, PrefixedRoot) {
    WorkbookIndex index =
        indexOf(decl + "<x:workbook xmlns:x=\"urn:main\" xmlns:r=\"urn:r\">"
                       "<x:workbookPr date1904=\"1\"/><x:sheets><x:sheet name=\"Q1\" "
                       "sheetId=\"1\" r:id=\"rId1\"/></x:sheets></x:workbook>");
    EXPECT_EQ(pairs(index.sheets), (Pairs{{"Q1", "1"}}));
    EXPECT_EQ(pairs(index.relIds), (Pairs{{"Q1", "rId1"}}));
    EXPECT_TRUE(index.date1904);
}

TEST(ReadWorkbookIndex, Date1904TruthValues) {
    struct Case {
        std::string attribute;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"date1904=\"1\"", true},
        {"date1904=\"true\"", true},
        {"date1904=\"True\"", true},
        {"date1904=\"ON\"", true},
        {"date1904=\"y_e_s\"", true},
        {"date1904=\"0\"", false},
        {"date1904=\"false\"", false},
        {"x:date1904=\"1\"", true},
        {"codeName=\"ThisWorkbook\"", false},
    };
    for (const Case& c : cases) {
        WorkbookIndex index = indexOf(workbookOpen + "<workbookPr " + c.attribute + "/>" +
                                      sheetsOf({"A"}) + "</workbook>");
        EXPECT_EQ(index.date1904, c.expected) << c.attribute;
        EXPECT_EQ(index.sheets.size(), 1u);
    }
    try {
        indexOf(workbookOpen + "<workbookPr date1904=\"t\"/></workbook>");
        FAIL();
    } catch (const base::ValueError& e) {
        EXPECT_EQ(e.message(), "cannot interpret as a bool: t");
    }
    // After the sheet list nothing is read, not even a value that is no truth value.
    WorkbookIndex late =
        indexOf(workbookOpen + sheetsOf({"A"}) + "<workbookPr date1904=\"t\"/></workbook>");
    EXPECT_FALSE(late.date1904);
    // A later workbookPr decides.
    EXPECT_FALSE(indexOf(workbookOpen + "<workbookPr date1904=\"1\"/><workbookPr/>"
                                        "<workbookPr codeName=\"x\"/></workbook>")
                     .date1904);
}

TEST(ReadWorkbookIndex, EveryTruncationEndsWithWhatWasStored) {
    const std::string xml =
        workbookOpen + "<bookViews><workbookView/></bookViews>" + sheetsOf({"Data", "Notes"}) +
        "<definedNames><definedName name=\"x\">Data!$A$1</definedName></definedNames></workbook>";
    for (size_t n = 0; n <= xml.size(); ++n) {
        WorkbookIndex index;
        ASSERT_NO_THROW(index = indexOf(xml.substr(0, n))) << n;
        EXPECT_LE(index.sheets.size(), 2u);
    }
    EXPECT_EQ(indexOf(xml).sheets.size(), 2u);
}

TEST(SheetListing, GrowsLikeTheSlotTable) {
    // 64 slots hold 43 entries; the 44th doubles the table.
    TextMap<std::string> map;
    for (int i = 0; i < 43; ++i)
        map.set("Sheet" + std::to_string(i + 1), "");
    EXPECT_EQ(map.slotCount(), 64u);
    map.set("Sheet44", "");
    EXPECT_EQ(map.slotCount(), 128u);

    // The order of 60 sheets, from a model of the slot table written out here.
    Names names;
    for (int i = 1; i <= 60; ++i)
        names.push_back("Sheet" + std::to_string(i));
    std::vector<std::pair<uint32_t, std::string>> slots;
    size_t count = 0;
    auto place = [&](uint32_t h, const std::string& key) {
        size_t mask = slots.size() - 1;
        size_t i = h & mask;
        while (slots[i].first != 0)
            i = (i + 1) & mask;
        slots[i] = {h, key};
    };
    for (const std::string& name : names) {
        if (slots.empty()) {
            slots.resize(64);
        } else if (slots.size() * 2 < count * 3 || slots.size() - count < 4) {
            auto old = slots;
            slots.assign(old.size() * 2, {0, ""});
            for (const auto& s : old)
                if (s.first != 0) place(s.first, s.second);
        }
        place(textHash(name), name);
        ++count;
    }
    Names expected;
    for (const auto& s : slots)
        if (s.first != 0) expected.push_back(s.second);

    WorkbookIndex index = indexOf(workbookOpen + sheetsOf(names) + "</workbook>");
    Names listed;
    for (const auto& e : index.sheets)
        listed.push_back(e.key);
    EXPECT_EQ(index.sheets.slotCount(), 128u);
    EXPECT_EQ(listed, expected);
}

TEST(Relationships, ReadsIdsAndTargets) {
    XmlReader reader(decl +
                         "<Relationships xmlns=\"urn:rels\">"
                         "<Relationship Id=\"rId2\" Type=\"t\" Target=\"worksheets/sheet2.xml\"/>"
                         "<Relationship Target=\"styles.xml\" Id=\"rId3\"></Relationship>"
                         "<Relationship Type=\"no id\" Target=\"theme/theme1.xml\"/>"
                         "<p:Relationship Id=\"rId1\" Target=\"/xl/worksheets/sheet1.xml\"/>"
                         "</Relationships>",
                     {});
    EXPECT_EQ(sorted(pairs(readRelationships(reader))),
              (Pairs{{"rId1", "/xl/worksheets/sheet1.xml"},
                     {"rId2", "worksheets/sheet2.xml"},
                     {"rId3", "styles.xml"}}));
}

TEST(Relationships, MissingPartIsAnEmptyMap) {
    std::string dir = scratchFolder("manifest_rels");
    EXPECT_TRUE(readRelationships(base::joinPath(dir, "workbook.xml.rels")).empty());
    std::string path = base::joinPath(dir, "present.rels");
    writeFile(path, "<Relationships><Relationship Id=\"a\" Target=\"b\"/></Relationships>");
    EXPECT_EQ(pairs(readRelationships(path)), (Pairs{{"a", "b"}}));
}

TEST(Relationships, PartAndTargetNames) {
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"/xl/workbook.xml", "/xl/_rels/workbook.xml.rels"},
        {"xl/workbook.xml", "xl/_rels/workbook.xml.rels"},
        {"/book.xml", "/_rels/book.xml.rels"},
        {"book.xml", "_rels/book.xml.rels"},
    };
    for (const auto& [part, rels] : parts)
        EXPECT_EQ(relationshipsPartFor(part), rels) << part;

    struct Case {
        std::string part, target, expected;
    };
    const std::vector<Case> targets = {
        {"/xl/workbook.xml", "worksheets/sheet1.xml", "/xl/worksheets/sheet1.xml"},
        {"xl/workbook.xml", "worksheets/sheet1.xml", "/xl/worksheets/sheet1.xml"},
        {"/xl/workbook.xml", "/xl/worksheets/sheet9.xml", "/xl/worksheets/sheet9.xml"},
        {"/xl/workbook.xml", "./worksheets/./sheet2.xml", "/xl/worksheets/sheet2.xml"},
        {"/xl/workbook.xml", "../customXml/item1.xml", "/customXml/item1.xml"},
        {"/xl/workbook.xml", "../../../../etc/passwd", "/etc/passwd"},
        {"/xl/workbook.xml", "worksheets\\sheet3.xml", "/xl/worksheets/sheet3.xml"},
        {"/workbook.xml", "sheet.xml", "/sheet.xml"},
    };
    for (const Case& c : targets)
        EXPECT_EQ(resolveTarget(c.part, c.target), c.expected) << c.part << " " << c.target;
}

// --- readSheetNames on whole packages -------------------------------------------------------

std::string workbookPath(const std::string& test) {
    return base::joinPath(scratchFolder(test), "book.xlsx");
}

TEST(ReadSheetNames, ListsInMapOrderAndRemovesTheDirectory) {
    struct Case {
        std::string name;
        PackageEntries entries;
        Names expected;
    };
    const std::string ws = "<worksheet><sheetData/></worksheet>";
    PackageEntries withAttributes = {
        {"[Content_Types].xml", typesOpen + override("/xl/workbook.xml") + "</Types>"},
        {"xl/workbook.xml", workbookOpen + "<sheets count=\"2\">" + sheet("B", "1") +
                                sheet("A", "2") + "</sheets></workbook>"}};
    PackageEntries defaultWorkbook = {
        {"[Content_Types].xml", typesOpen + "</Types>"},
        {"xl/workbook.xml", workbookOpen + sheetsOf({"Only"}) + "</workbook>"}};
    PackageEntries noSheets = {{"[Content_Types].xml", typesOpen + "</Types>"},
                               {"xl/workbook.xml", workbookOpen + "</workbook>"}};
    const std::vector<Case> cases = {
        {"three sheets",
         minimalWorkbook({{"Sheet1", ws}, {"Sheet2", ws}, {"Sheet3", ws}}),
         {"Sheet1", "Sheet3", "Sheet2"}},
        {"probe sequences meet",
         minimalWorkbook({{"Data", ws}, {"Summary", ws}, {"Notes", ws}}),
         {"Data", "Summary", "Notes"}},
        {"sheets with attributes", withAttributes, {"B", "A"}},
        {"default workbook part", defaultWorkbook, {"Only"}},
        {"no sheets", noSheets, {}},
    };
    for (const Case& c : cases) {
        std::string path = workbookPath("names_ok");
        writePackage(path, c.entries);
        Names names = readSheetNames(path);
        if (c.name == "three sheets" || c.name == "probe sequences meet") {
            EXPECT_EQ(names, c.expected) << c.name;
        } else {
            std::sort(names.begin(), names.end());
            Names expected = c.expected;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(names, expected) << c.name;
        }
        EXPECT_FALSE(platform::folderExists(tempDirectory())) << c.name;
    }
}

TEST(ReadSheetNames, ErrorsArriveAfterTheDirectoryIsRemoved) {
    struct Case {
        std::string name;
        PackageEntries entries;
        std::string report; // with TEMPDIR standing for the temporary directory
    };
    const std::vector<Case> cases = {
        {"workbook part missing",
         {{"[Content_Types].xml", typesOpen + override("/xl/workbook.xml") + "</Types>"}},
         "Unable to read file: " + partPath(tempDirectory(), "/xl/workbook.xml") + " [IOError]"},
        {"manifest missing",
         {{"xl/workbook.xml", workbookOpen + "</workbook>"}},
         "Unable to read file: " + partPath(tempDirectory(), "[Content_Types].xml") + " [IOError]"},
        {"date1904 not a truth value",
         {{"[Content_Types].xml", typesOpen + "</Types>"},
          {"xl/workbook.xml", workbookOpen + "<workbookPr date1904=\"t\"/></workbook>"}},
         "cannot interpret as a bool: t [ValueError]"},
    };
    for (const Case& c : cases) {
        std::string path = workbookPath("names_error");
        writePackage(path, c.entries);
        try {
            readSheetNames(path);
            ADD_FAILURE() << c.name;
        } catch (const base::Error& e) {
            EXPECT_EQ(e.report(), c.report) << c.name;
        }
        EXPECT_FALSE(platform::folderExists(tempDirectory())) << c.name;
    }
}

TEST(ReadSheetNames, FilesThatAreNoWorkbooks) {
    std::string dir = scratchFolder("names_not_workbooks");
    std::string text = base::joinPath(dir, "text.xlsx");
    writeFile(text, "not a zip\n");
    std::string empty = base::joinPath(dir, "empty.xlsx");
    writeFile(empty, "");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir, "No such xlsx file: " + dir + " [NotExistsXlsxFileError]"},
        {text, "[ZIP] Can't open xlsx file: " + text + " [InvalidXlsxFileError]"},
        {empty,
         "Unable to read file: " + partPath(tempDirectory(), "[Content_Types].xml") + " [IOError]"},
    };
    for (const auto& [path, report] : cases) {
        try {
            readSheetNames(path);
            ADD_FAILURE() << path;
        } catch (const base::Error& e) {
            EXPECT_EQ(e.report(), report);
        }
        EXPECT_FALSE(platform::folderExists(tempDirectory())) << path;
    }
}

} // namespace
} // namespace ledgerine::xlsx
