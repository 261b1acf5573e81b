#include "base/errors.h"
#include "base/paths.h"
#include "driver/driver.h"
#include "driver/settings.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "support/package_builder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace ledgerine::driver {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Tree = std::map<std::string, std::string>; // relative path ("/" separated) -> bytes

// Loads unpack into the temporary folder; each test executable gets its own.
class PrivateTemp : public ::testing::Environment {
public:
    void SetUp() override {
        std::string temp = testing::scratchFolder("driver_driver_temp");
        ::ledgerine::testing::setTempFolder(temp);
    }
};
[[maybe_unused]] ::testing::Environment* const privateTemp =
    ::testing::AddGlobalTestEnvironment(new PrivateTemp);

std::string cellRef(size_t row, size_t column) {
    std::string letters;
    for (size_t n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters + std::to_string(row + 1);
}

// A worksheet part of inline strings; "" leaves the cell out.
std::string sheetXml(const Rows& rows) {
    std::string xml = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                      "main\"><sheetData>";
    for (size_t r = 0; r < rows.size(); ++r) {
        xml += "<row r=\"" + std::to_string(r + 1) + "\">";
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c].empty()) continue;
            xml += "<c r=\"" + cellRef(r, c) + "\" t=\"inlineStr\"><is><t>" + rows[r][c] +
                   "</t></is></c>";
        }
        xml += "</row>";
    }
    return xml + "</sheetData></worksheet>";
}

void writeWorkbook(const std::string& path,
                   const std::vector<std::pair<std::string, Rows>>& sheets) {
    std::vector<std::pair<std::string, std::string>> parts;
    for (const auto& [name, rows] : sheets)
        parts.emplace_back(name, sheetXml(rows));
    platform::createFolders(base::parentPath(path));
    testing::writePackage(path, testing::minimalWorkbook(parts));
}

// Every file below root with its bytes; folders listed as "name/" with no bytes.
Tree tree(const std::string& root) {
    Tree out;
    if (!platform::folderExists(root)) return out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        std::string rel = std::filesystem::relative(e.path(), root).generic_string();
        if (e.is_directory())
            out[rel + "/"] = "";
        else
            out[rel] = testing::readFile(e.path().string());
    }
    return out;
}

// Captures what the driver reports, and points the settings at a folder of the test's own.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = testing::scratchFolder(std::string("driver_") + info->test_suite_name() + "_" +
                                      info->name());
        settings = base::joinPath(root, "settings");
        platform::createFolders(settings);
        setSettings("separator=\",\"");
        setSettingsReloader([this] { reloadSettings(settings); });
        setStatusSink([this](const std::string& text) { statuses.push_back(text); });
        setProgressSink([this](const ProgressEvent& e) {
            if (e.kind == ProgressEvent::Kind::Workbook) loaded.emplace_back(e.workbook);
            if (e.kind == ProgressEvent::Kind::Written) written.emplace_back(e.csvPath);
        });
    }
    void TearDown() override {
        setSettingsReloader({});
        setStatusSink({});
        setProgressSink({});
        setSettings("separator=\",\"");
        reloadSettings(settings);
    }

    void setSettings(const std::string& content) {
        testing::writeFile(base::joinPath(settings, settingsFileName), content);
    }
    // A path below the test's folder, written with the platform's separator as the driver does.
    std::string at(std::string relative) const {
        for (char& c : relative)
            if (c == '/') c = platform::pathSeparator();
        return base::joinPath(root, relative);
    }
    void put(const std::string& relative, const std::string& bytes) const {
        platform::createFolders(base::parentPath(at(relative)));
        testing::writeFile(at(relative), bytes);
    }

    // The status texts with their time of day checked and cut off.
    std::vector<std::string> doneTexts() const {
        std::vector<std::string> out;
        static const std::regex form(R"(^ (.*) - ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$)");
        for (const std::string& s : statuses) {
            std::smatch m;
            EXPECT_TRUE(std::regex_match(s, m, form)) << s;
            out.push_back(m.size() > 1 ? m[1].str() : s);
        }
        return out;
    }

    std::string root;
    std::string settings;
    std::vector<std::string> statuses;
    std::vector<std::string> loaded;
    std::vector<std::string> written;
};

const Rows summaryTop = {{"top", "1"}};
const Rows summaryNested = {{"nested", "2"}};
const Rows dataTop = {{"a", "", "c"}, {}, {"x,y", "say \"hi\""}};

TEST_F(DriverTest, FolderRequestFlattensTreeTopLevelFirstLaterOverwrites) {
    writeWorkbook(at("reports/Q1.xlsx"), {{"Summary", summaryTop}, {"Data", dataTop}});
    writeWorkbook(at("reports/2019/Q1.xlsx"), {{"Summary", summaryNested}});
    writeWorkbook(at("reports/2019/deep/Report.XLSX"), {{"S", {{"upper"}}}});
    writeWorkbook(at("reports/Report.Xlsx"), {{"S", {{"mixed"}}}});
    writeWorkbook(at("reports/Report.xlsm"), {{"S", {{"macro"}}}});
    writeWorkbook(at("reports/.xlsx"), {{"S", {{"bare"}}}});
    put("reports/empty.xlsx", "");
    put("reports/notes.csv", "not,input\n");

    runFolderRequest(at("reports"));

    EXPECT_EQ(tree(at("zz_reports")),
              (Tree{
                  {"Q1/", ""},
                  {"Q1/Summary.csv", "nested,2\n"},
                  {"Q1/Data.csv", "a,,c\n,,\n\"x,y\",\"say \"\"hi\"\"\",\n"},
                  {"Report/", ""},
                  {"Report/S.csv", "upper\n"},
                  {"xlsx/", ""},
                  {"xlsx/S.csv", "bare\n"},
              }));
    EXPECT_EQ(doneTexts(), std::vector<std::string>{"Done! - " + at("zz_reports")});
    // The folder's own workbooks come before any in a sub-folder.
    ASSERT_EQ(loaded.size(), 4u);
    EXPECT_EQ(loaded[0].find(at("reports/2019")), std::string::npos);
    EXPECT_EQ(loaded[1].find(at("reports/2019")), std::string::npos);
    EXPECT_EQ(loaded[2], at("reports/2019/Q1.xlsx"));
    EXPECT_EQ(loaded[3], at("reports/2019/deep/Report.XLSX"));
    EXPECT_EQ(written.size(), 5u);
}

TEST_F(DriverTest, ConvertingTwiceOverwritesAndCsvFilesAreNeverInput) {
    writeWorkbook(at("work/reports/Q1.xlsx"), {{"Summary", {{"first", "run", "long"}}}});
    runFolderRequest(at("work/reports"));
    writeWorkbook(at("work/reports/Q1.xlsx"), {{"Summary", {{"second"}}}});
    runFolderRequest(at("work/reports"));
    EXPECT_EQ(tree(at("work/zz_reports")), (Tree{{"Q1/", ""}, {"Q1/Summary.csv", "second\n"}}));

    // The parent now holds reports/ and zz_reports/ with its CSV files: only the workbook counts.
    runFolderRequest(at("work"));
    EXPECT_EQ(tree(at("zz_work")), (Tree{{"Q1/", ""}, {"Q1/Summary.csv", "second\n"}}));
}

TEST_F(DriverTest, FolderWithoutWorkbooksGetsEmptyOutputFolderAndStatus) {
    put("plain/readme.txt", "hello");
    platform::createFolders(at("plain/sub"));
    runFolderRequest(at("plain") + "/");
    EXPECT_TRUE(platform::folderExists(at("zz_plain")));
    EXPECT_TRUE(tree(at("zz_plain")).empty());
    EXPECT_EQ(doneTexts(), std::vector<std::string>{"Done! - " + at("zz_plain")});
}

TEST_F(DriverTest, EmptyFolderPathDoesNothing) {
    runFolderRequest("");
    EXPECT_TRUE(statuses.empty());
}

TEST_F(DriverTest, LinkedFolderAndLinkedFileAreNotConverted) {
    writeWorkbook(at("elsewhere/Linked.xlsx"), {{"S", {{"x"}}}});
    platform::createFolders(at("input"));
    std::error_code error;
    std::filesystem::create_directory_symlink(at("elsewhere"), at("input/link"), error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    std::filesystem::create_symlink(at("elsewhere/Linked.xlsx"), at("input/File.xlsx"), error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    runFolderRequest(at("input"));
    EXPECT_TRUE(tree(at("zz_input")).empty());
    EXPECT_TRUE(loaded.empty());
}

TEST_F(DriverTest, CorruptWorkbookStopsFolderRequestKeepingEarlierFiles) {
    writeWorkbook(at("batch/Good.xlsx"), {{"S", {{"good"}}}});
    put("batch/sub/Bad.xlsx", "this is no archive");
    writeWorkbook(at("batch/sub/deeper/Late.xlsx"), {{"S", {{"late"}}}});
    EXPECT_THROW(runFolderRequest(at("batch")), base::Error);
    Tree out = tree(at("zz_batch"));
    EXPECT_EQ(out["Good/S.csv"], "good\n");
    EXPECT_EQ(out.count("Late/"), 0u);
    EXPECT_TRUE(statuses.empty());
}

TEST_F(DriverTest, FileRequestForMissingPathRaisesOSError) {
    EXPECT_THROW(runFileRequest(at("nowhere/Q1.xlsx")), base::OSError);
    EXPECT_FALSE(platform::folderExists(at("nowhere/zz_Q1")));
    EXPECT_TRUE(statuses.empty());
}

TEST_F(DriverTest, FileRequestForNonWorkbookStillReportsDone) {
    put("notes.txt", "text");
    runFileRequest(at("notes.txt"));
    EXPECT_FALSE(platform::folderExists(at("zz_notes")));
    EXPECT_EQ(doneTexts(), std::vector<std::string>{"Done! - " + at("zz_notes")});
}

TEST_F(DriverTest, FileRequestWritesSheetsBesideTheWorkbook) {
    writeWorkbook(at("reports/.hidden.xlsx"), {{"Summary", summaryTop}, {"Data", dataTop}});
    runFileRequest(at("reports/.hidden.xlsx"));
    EXPECT_EQ(tree(at("reports/zz_hidden")),
              (Tree{{"Summary.csv", "top,1\n"},
                    {"Data.csv", "a,,c\n,,\n\"x,y\",\"say \"\"hi\"\"\",\n"}}));
    EXPECT_EQ(doneTexts(), std::vector<std::string>{"Done! - " + at("reports/zz_hidden")});
}

TEST_F(DriverTest, WorkbookWithoutSheetsLeavesEmptyFolder) {
    writeWorkbook(at("None.xlsx"), {});
    runFileRequest(at("None.xlsx"));
    EXPECT_TRUE(platform::folderExists(at("zz_None")));
    EXPECT_TRUE(tree(at("zz_None")).empty());
}

TEST_F(DriverTest, SettingsAreReadBeforeEveryConversion) {
    writeWorkbook(at("Q1.xlsx"), {{"S", {{"a;b", "c"}}}});
    setSettings("separator=\";\"\nquoting=none\nbom=true");
    runFileRequest(at("Q1.xlsx"));
    EXPECT_EQ(testing::readFile(at("zz_Q1/S.csv")), "\xEF\xBB\xBF"
                                                    "a;b;c\n");
    setSettings("separator=\";\"");
    runFileRequest(at("Q1.xlsx"));
    EXPECT_EQ(testing::readFile(at("zz_Q1/S.csv")), "\"a;b\";c\n");
}

TEST_F(DriverTest, DropHandlesFileAndFolderAndSkipsMissingPath) {
    writeWorkbook(at("drop/One.xlsx"), {{"S", {{"one"}}}});
    writeWorkbook(at("drop/folder/Two.xlsx"), {{"S", {{"two"}}}});
    std::vector<std::string> missing;
    runDroppedPaths({at("drop/One.xlsx"), at("drop/folder"), at("drop/gone.xlsx")},
                    [&](const std::string& p) { missing.push_back(p); });
    EXPECT_EQ(testing::readFile(at("drop/zz_One/S.csv")), "one\n");
    EXPECT_EQ(testing::readFile(at("drop/zz_folder/Two/S.csv")), "two\n");
    EXPECT_EQ(doneTexts(), (std::vector<std::string>{"Done! - " + at("drop/zz_One"),
                                                     "Done! - " + at("drop/zz_folder")}));
    EXPECT_EQ(missing, std::vector<std::string>{at("drop/gone.xlsx")});
    // Without a receiver a missing path is skipped silently.
    runDroppedPaths({at("drop/gone.xlsx")});
    EXPECT_EQ(statuses.size(), 2u);
}

struct UnsafeCase {
    std::string sheet;
};

class UnsafeSheetName : public DriverTest, public ::testing::WithParamInterface<UnsafeCase> {};

TEST_P(UnsafeSheetName, RefusedBeforeAnyFileIsWritten) {
    writeWorkbook(at("in/Evil.xlsx"), {{"Fine", {{"ok"}}}, {GetParam().sheet, {{"bad"}}}});
    try {
        runFileRequest(at("in/Evil.xlsx"));
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "unsafe sheet name: " + GetParam().sheet);
    }
    EXPECT_EQ(tree(at("in")),
              (Tree{{"Evil.xlsx", testing::readFile(at("in/Evil.xlsx"))}, {"zz_Evil/", ""}}));
    EXPECT_TRUE(statuses.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeSheetName,
                         ::testing::Values(UnsafeCase{"../evil"}, UnsafeCase{"a/b"},
                                           UnsafeCase{"a\\b"}, UnsafeCase{"."}, UnsafeCase{".."},
                                           UnsafeCase{""}));

TEST_F(DriverTest, WorkbookWhoseStemLeavesTheOutputFolderIsRefused) {
    writeWorkbook(at("dots/....xlsx"), {{"S", {{"x"}}}});
    try {
        runFolderRequest(at("dots"));
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "unsafe workbook name: " + at("dots/....xlsx"));
    }
    EXPECT_FALSE(platform::fileExists(at("S.csv")));
    EXPECT_TRUE(tree(at("zz_dots")).empty());
}

TEST_F(DriverTest, RootFolderIsRefused) {
#ifdef _WIN32
    const std::vector<std::string> roots = {"C:\\", "C:"};
#else
    const std::vector<std::string> roots = {"/", "//"};
#endif
    for (const std::string& r : roots) {
        for (int dropped = 0; dropped < 2; ++dropped) {
            try {
                if (dropped)
                    runDroppedPaths({r});
                else
                    runFolderRequest(r);
                FAIL() << "no error for " << r;
            } catch (const base::IOError& e) {
                EXPECT_EQ(e.message(), "cannot convert a root folder: " + r);
            }
        }
    }
    EXPECT_TRUE(statuses.empty());
}

struct StemCase {
    std::string name;
    std::string stem;
};

class WorkbookStem : public ::testing::TestWithParam<StemCase> {};

TEST_P(WorkbookStem, Derived) {
    EXPECT_EQ(workbookStem(GetParam().name), GetParam().stem);
}

INSTANTIATE_TEST_SUITE_P(Names, WorkbookStem,
                         ::testing::Values(StemCase{"Q1.xlsx", "Q1"}, StemCase{"a.b.xlsx", "a.b"},
                                           StemCase{".hidden.xlsx", "hidden"},
                                           StemCase{".xlsx", "xlsx"}, StemCase{"..xlsx", ".xlsx"},
                                           StemCase{"noext", "noext"}, StemCase{"a.", "a"},
                                           StemCase{"Report.XLSX", "Report"},
                                           StemCase{"...xlsx", "."}, StemCase{"", ""}));

TEST(ShowStatus, JoinsTextsWithBlanksAndAppendsTime) {
    std::vector<std::string> seen;
    setStatusSink([&](const std::string& t) { seen.push_back(t); });
    showStatus({"Done! -", "a", "b"});
    reportDone("D:\\work\\zz_reports");
    setStatusSink({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(std::regex_match(seen[0], std::regex(R"(^ Done! - a b - \d\d:\d\d:\d\d$)")))
        << seen[0];
    EXPECT_TRUE(std::regex_match(seen[1],
                                 std::regex(R"(^ Done! - D:\\work\\zz_reports - \d\d:\d\d:\d\d$)")))
        << seen[1];
}

} // namespace
} // namespace ledgerine::driver
