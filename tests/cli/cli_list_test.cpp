#include "base/paths.h"
#include "cli/cli.h"
#include "platform/fs.h"
#include "support/package_builder.h"
#include "xlsx/package.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::cli {
namespace {

using testing::minimalWorkbook;
using testing::scratchFolder;
using testing::writeFile;
using testing::writePackage;

// The temporary directory is fixed at its first use: give this executable its own.
const bool privateTemp = [] {
    std::string folder = scratchFolder("cli_list_test_temp");
    ::ledgerine::testing::setTempFolder(folder);
    return true;
}();

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int status = runCli(args);
    std::string out = ::testing::internal::GetCapturedStdout();
    std::string err = ::testing::internal::GetCapturedStderr();
    return {status, out, err};
}

std::string usageError(const std::string& problem) {
    return "ledgerine-cli: " + problem + "\n" + std::string(usageText);
}

TEST(Cli, VersionHelpAndBadUsage) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "ledgerine 20.08.12\n", ""},
        {{}, 2, "", usageError("no path given")},
        {{"--bogus", "x.xlsx"}, 2, "", usageError("unknown option: --bogus")},
        {{"-q"}, 2, "", usageError("unknown option: -q")},
        {{"--list-sheets"}, 2, "", usageError("no workbook given")},
        {{"--list-sheets", "--quiet", "a.xlsx"},
         2,
         "",
         usageError("--list-sheets takes no other options")},
        {{"--version", "a.xlsx"}, 2, "", usageError("--version stands alone")},
        {{"--help", "--version"}, 2, "", usageError("--help stands alone")},
        {{"--quiet", "--verbose", "a"},
         2,
         "",
         usageError("--quiet and --verbose exclude each other")},
        {{"a", "--separator"}, 2, "", usageError("--separator needs a value")},
        {{"--separator", ";"}, 2, "", usageError("no path given")},
        {{"--separator", "", "a"}, 2, "", usageError("--separator needs a non-empty text")},
        {{"--separator=", "a"}, 2, "", usageError("--separator needs a non-empty text")},
    };
    for (const Case& c : cases) {
        CliRun r = run(c.args);
        std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.status, c.status) << shown;
        EXPECT_EQ(r.out, c.out) << shown;
        EXPECT_EQ(r.err, c.err) << shown;
    }
    CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(std::string(usageText), 0), 0u);
    EXPECT_EQ(help.err, "");
}

TEST(Cli, ParsesTheConversionOptions) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> separator;
        Verbosity verbosity;
        std::vector<std::string> paths;
    };
    const std::vector<Case> cases = {
        {{"a.xlsx"}, std::nullopt, Verbosity::Normal, {"a.xlsx"}},
        {{"--separator", ";", "a", "b"}, ";", Verbosity::Normal, {"a", "b"}},
        {{"a", "--separator=\t", "--quiet"}, "\t", Verbosity::Quiet, {"a"}},
        {{"--separator", "--", "--verbose", "d"}, "--", Verbosity::Verbose, {"d"}},
        {{"--", "--quiet", "-"}, std::nullopt, Verbosity::Normal, {"--quiet", "-"}},
    };
    for (const Case& c : cases) {
        ParsedArguments parsed = parseArguments(c.args);
        ASSERT_TRUE(parsed.options) << parsed.problem;
        EXPECT_EQ(parsed.options->mode, Mode::Convert);
        EXPECT_EQ(parsed.options->convert.separator, c.separator);
        EXPECT_EQ(parsed.options->convert.verbosity, c.verbosity);
        EXPECT_EQ(parsed.options->convert.paths, c.paths);
    }
    ParsedArguments list = parseArguments({"--list-sheets", "--", "--odd.xlsx"});
    ASSERT_TRUE(list.options);
    EXPECT_EQ(list.options->mode, Mode::ListSheets);
    EXPECT_EQ(list.options->convert.paths, std::vector<std::string>{"--odd.xlsx"});
}

TEST(Cli, ListsSheetsAndReportsErrors) {
    std::string dir = scratchFolder("cli_list");
    const std::string ws = "<worksheet><sheetData/></worksheet>";
    std::string first = base::joinPath(dir, "first.xlsx");
    writePackage(first, minimalWorkbook({{"Sheet1", ws}, {"Sheet2", ws}, {"Sheet3", ws}}));
    std::string second = base::joinPath(dir, "second.xlsx");
    writePackage(second, minimalWorkbook({{"Data", ws}, {"Summary", ws}, {"Notes", ws}}));
    std::string text = base::joinPath(dir, "text.xlsx");
    writeFile(text, "plain text\n");

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--list-sheets", first}, 0, "Sheet1\nSheet3\nSheet2\n", ""},
        {{"--list-sheets", first, second}, 0, "Sheet1\nSheet3\nSheet2\nData\nSummary\nNotes\n", ""},
        {{"--list-sheets", "--", second}, 0, "Data\nSummary\nNotes\n", ""},
        {{"--list-sheets", dir},
         1,
         "",
         "ledgerine-cli: No such xlsx file: " + dir + " [NotExistsXlsxFileError]\n"},
        {{"--list-sheets", text},
         1,
         "",
         "ledgerine-cli: [ZIP] Can't open xlsx file: " + text + " [InvalidXlsxFileError]\n"},
        // The first error ends the listing; what was printed stays.
        {{"--list-sheets", second, text, first},
         1,
         "Data\nSummary\nNotes\n",
         "ledgerine-cli: [ZIP] Can't open xlsx file: " + text + " [InvalidXlsxFileError]\n"},
    };
    for (const Case& c : cases) {
        CliRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_EQ(r.out, c.out) << c.args[1];
        EXPECT_EQ(r.err, c.err) << c.args[1];
        EXPECT_FALSE(platform::folderExists(xlsx::tempDirectory())) << c.args[1];
    }
}

} // namespace
} // namespace ledgerine::cli
