#include "base/errors.h"
#include "base/paths.h"
#include "driver/csv_writer.h"
#include "platform/fs.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::driver {
namespace {

using namespace std::string_literals;
using xlsx::Sheet;
using xlsx::SheetDataKind;

// A grid from row-major texts; "" slots are left unfilled, as the reader leaves empty cells.
Sheet grid(int32_t rows, int32_t columns, const std::vector<std::string>& cells) {
    Sheet s;
    s.shape = {rows, columns};
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i].empty()) continue;
        s.append(static_cast<int32_t>(i / static_cast<size_t>(columns)),
                 static_cast<int32_t>(i % static_cast<size_t>(columns)), SheetDataKind::InlineStr,
                 cells[i]);
    }
    return s;
}

std::string folder() {
    static const std::string f = testing::scratchFolder("driver_csv_writer");
    return f;
}

struct CsvCase {
    const char* name;
    int32_t rows;
    int32_t columns;
    std::vector<std::string> cells;
    std::string separator;
    Quoting quoting;
    bool bom;
    std::string expected;
};

const CsvCase cases[] = {
    {"no_rows", 0, 3, {}, ",", Quoting::Minimal, false, ""},
    {"no_rows_no_columns", 0, 0, {}, ",", Quoting::Minimal, false, ""},
    {"no_columns", 3, 0, {}, ",", Quoting::Minimal, false, "\n\n\n"},
    {"one_column", 3, 1, {"a", "b", "c"}, ",", Quoting::Minimal, false, "a\nb\nc\n"},
    {"grid", 2, 3, {"1", "2", "3", "4", "5", "6"}, ",", Quoting::Minimal, false, "1,2,3\n4,5,6\n"},
    {"empty_slot_between", 1, 3, {"a", "", "c"}, ",", Quoting::Minimal, false, "a,,c\n"},
    {"empty_slots_at_ends", 1, 4, {"", "b", "", ""}, ",", Quoting::Minimal, false, ",b,,\n"},
    {"empty_rows",
     4,
     3,
     {"", "", "", "x", "", "", "", "", "", "", "", "y"},
     ",",
     Quoting::Minimal,
     false,
     ",,\nx,,\n,,\n,,y\n"},
    {"all_empty", 2, 2, {}, ",", Quoting::Minimal, false, ",\n,\n"},
    {"semicolon", 1, 3, {"1", "2", "3"}, ";", Quoting::Minimal, false, "1;2;3\n"},
    {"long_separator",
     2,
     3,
     {"1", "", "3", "4", "5", "6"},
     " | ",
     Quoting::Minimal,
     false,
     "1 |  | 3\n4 | 5 | 6\n"},
    {"utf8_and_nul_kept",
     1,
     2,
     {"\xC3\xA9t\xC3\xA9", "a\0b"s},
     ",",
     Quoting::Minimal,
     false,
     "\xC3\xA9t\xC3\xA9,a\0b\n"s},
    // Minimal quoting: only cells holding the separator, a quote, CR or LF.
    {"quote_separator", 1, 2, {"a,b", "c"}, ",", Quoting::Minimal, false, "\"a,b\",c\n"},
    {"quote_quotes_doubled",
     1,
     2,
     {"say \"hi\"", "\""},
     ",",
     Quoting::Minimal,
     false,
     "\"say \"\"hi\"\"\",\"\"\"\"\n"},
    {"quote_line_feed", 1, 2, {"a\nb", "c"}, ",", Quoting::Minimal, false, "\"a\nb\",c\n"},
    {"quote_carriage_return", 1, 1, {"a\rb"}, ",", Quoting::Minimal, false, "\"a\rb\"\n"},
    {"other_separator_not_quoted",
     1,
     2,
     {"a,b", "c;d"},
     ";",
     Quoting::Minimal,
     false,
     "a,b;\"c;d\"\n"},
    {"part_of_long_separator_not_quoted",
     1,
     2,
     {"a|b", "c||d"},
     "||",
     Quoting::Minimal,
     false,
     "a|b||\"c||d\"\n"},
    {"long_separator_at_end_of_text", 1, 2, {"a|", "|"}, "||", Quoting::Minimal, false, "a||||\n"},
    {"spaces_not_quoted", 1, 2, {" a ", "b c"}, ",", Quoting::Minimal, false, " a ,b c\n"},
    // No quoting: every text unchanged, so the file has more fields and lines than the grid.
    {"none_keeps_separator", 1, 2, {"a,b", "c"}, ",", Quoting::None, false, "a,b,c\n"},
    {"none_keeps_quote_and_line_feed",
     1,
     2,
     {"say \"hi\"", "x\ny"},
     ",",
     Quoting::None,
     false,
     "say \"hi\",x\ny\n"},
    {"none_keeps_carriage_return", 1, 1, {"a\r"}, ",", Quoting::None, false, "a\r\n"},
    // Byte-order mark.
    {"bom",
     1,
     2,
     {"a", "b"},
     ",",
     Quoting::Minimal,
     true,
     "\xEF\xBB\xBF"
     "a,b\n"},
    {"bom_no_rows", 0, 2, {}, ",", Quoting::Minimal, true, "\xEF\xBB\xBF"},
    {"bom_none",
     1,
     1,
     {"a,b"},
     ",",
     Quoting::None,
     true,
     "\xEF\xBB\xBF"
     "a,b\n"},
};

void PrintTo(const CsvCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvWriterCases : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvWriterCases, WritesExactBytes) {
    const CsvCase& c = GetParam();
    std::string path = base::joinPath(folder(), std::string(c.name) + ".csv");
    writeCsv(grid(c.rows, c.columns, c.cells), path, c.separator, c.quoting, c.bom);
    EXPECT_EQ(testing::readFile(path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CsvWriterCases, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CsvWriter, OverwritesLongerFileWithoutTail) {
    std::string path = base::joinPath(folder(), "overwrite.csv");
    testing::writeFile(path, std::string(10000, 'x'));
    writeCsv(grid(1, 2, {"a", "b"}), path, ",");
    EXPECT_EQ(testing::readFile(path), "a,b\n");
}

TEST(CsvWriter, UnopenablePathRaisesIOError) {
    std::string path = base::joinPath(base::joinPath(folder(), "missing-folder"), "x.csv");
    try {
        writeCsv(grid(1, 1, {"a"}), path, ",");
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "cannot open: " + path);
        EXPECT_EQ(e.name(), "IOError");
    }
}

TEST(CsvWriter, FolderInTheWayRaisesIOError) {
    std::string path = base::joinPath(folder(), "a-folder.csv");
    platform::createFolders(path);
    EXPECT_THROW(writeCsv(grid(1, 1, {"a"}), path, ","), base::IOError);
}

// A device that accepts the open but refuses every byte stands for a full disk, both when the
// refusal comes at the final flush and when it comes in the middle of the file.
TEST(CsvWriter, FailedWriteRaisesIOError) {
    if (!platform::fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (int32_t rows : {1, 300000}) {
        std::vector<std::string> cells(static_cast<size_t>(rows), "some text");
        try {
            writeCsv(grid(rows, 1, cells), "/dev/full", ",");
            FAIL() << "no error for " << rows << " rows";
        } catch (const base::IOError& e) {
            EXPECT_EQ(e.message(), "cannot write string to file");
        }
    }
}

// A grid that claims far more slots than it holds is written from the cells it has.
TEST(CsvWriter, SparseClaimedGridWritesEveryRow) {
    Sheet s;
    s.shape = {100000, 2000};
    s.append(0, 0, SheetDataKind::Num, "1");
    s.append(5000, 1999, SheetDataKind::Num, "2");
    s.append(99999, 7, SheetDataKind::Num, "3");
    std::string path = base::joinPath(folder(), "sparse.csv");
    writeCsv(s, path, ",");
    std::string bytes = testing::readFile(path);
    ASSERT_EQ(bytes.size(), size_t{100000} * 2000 + 3);
    const std::string commas(1999, ',');
    EXPECT_EQ(bytes.substr(0, 2001), "1" + commas + "\n");
    EXPECT_EQ(bytes.substr(size_t{5000} * 2000 + 1, 2001), commas + "2\n");
    EXPECT_EQ(bytes.substr(size_t{99999} * 2000 + 2),
              std::string(7, ',') + "3" + std::string(1992, ',') + "\n");
    EXPECT_EQ(bytes.substr(size_t{1} * 2000 + 1, 2000), commas + "\n");
    platform::removeTree(path); // 200 MB of separators need not outlive the test
}

// Rows longer than one output chunk keep every byte.
TEST(CsvWriter, RowsLongerThanAChunk) {
    const std::string big(700000, 'z');
    std::string path = base::joinPath(folder(), "long-rows.csv");
    writeCsv(grid(2, 2, {big, big, "", big}), path, "--");
    EXPECT_EQ(testing::readFile(path), big + "--" + big + "\n--" + big + "\n");
}

} // namespace
} // namespace ledgerine::driver
