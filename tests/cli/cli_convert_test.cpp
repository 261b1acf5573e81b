// Runs the built ledgerine-cli on workbooks made here and checks its lines, files and status.
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "support/package_builder.h"

namespace ledgerine {
namespace {

// Loads unpack into the temporary folder; this executable (and the program it runs) gets its own.
class PrivateTemp : public ::testing::Environment {
public:
    void SetUp() override {
        std::string temp = testing::scratchFolder("cli_convert_temp");
        ::ledgerine::testing::setTempFolder(temp);
    }
};
[[maybe_unused]] ::testing::Environment* const privateTemp =
    ::testing::AddGlobalTestEnvironment(new PrivateTemp);

std::string sheetXml(const std::vector<std::string>& row) {
    std::string xml = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                      "main\"><sheetData><row r=\"1\">";
    for (size_t c = 0; c < row.size(); ++c)
        xml += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) +
               "1\" t=\"inlineStr\"><is><t>" + row[c] + "</t></is></c>";
    return xml + "</row></sheetData></worksheet>";
}

void writeWorkbook(const std::string& path,
                   const std::vector<std::pair<std::string, std::vector<std::string>>>& sheets) {
    std::vector<std::pair<std::string, std::string>> parts;
    for (const auto& [name, row] : sheets)
        parts.emplace_back(name, sheetXml(row));
    platform::createFolders(base::parentPath(path));
    testing::writePackage(path, testing::minimalWorkbook(parts));
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string cliPath() {
    auto build = platform::environmentVariable("LEDGERINE_BINARY_DIR");
    std::string exe = base::joinPath(base::joinPath(build ? *build : ".", "app"), "ledgerine-cli");
#ifdef _WIN32
    exe += ".exe";
#endif
    return exe;
}

// Runs the program in folder with the given arguments (each quoted), capturing both streams.
Outcome run(const std::string& folder, const std::vector<std::string>& args) {
    const std::string out = base::joinPath(folder, "stdout.txt");
    const std::string err = base::joinPath(folder, "stderr.txt");
    std::string command = "cd \"" + folder + "\" && \"" + cliPath() + "\"";
    for (const std::string& a : args)
        command += " \"" + a + "\"";
    command += " >\"" + out + "\" 2>\"" + err + "\"";
    int raw = std::system(command.c_str());
    Outcome r;
#ifdef _WIN32
    r.status = raw;
#else
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    r.out = testing::readFile(out);
    r.err = testing::readFile(err);
    return r;
}

// Lines of a stream with each "Done! - X - HH:MM:SS" reduced to "Done! - X".
std::vector<std::string> lines(const std::string& text) {
    static const std::regex done(R"(^(Done! - .*) - ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$)");
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        std::smatch m;
        out.push_back(std::regex_match(line, m, done) ? m[1].str() : line);
        start = end + 1;
    }
    return out;
}

class CliConvert : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform::fileExists(cliPath())) GTEST_SKIP() << "not built: " << cliPath();
        root =
            testing::scratchFolder(std::string("cli_convert_") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        writeWorkbook(at("Q1.xlsx"), {{"Summary", {"a;b", "c"}}});
        writeWorkbook(at("reports/Sales.xlsx"), {{"S", {"x"}}});
    }
    std::string at(const std::string& relative) const { return base::joinPath(root, relative); }
    std::string root;
};

TEST_F(CliConvert, ConvertsEachPathAndPrintsOneDoneLineEach) {
    Outcome r = run(root, {"Q1.xlsx", "reports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{"Done! - zz_Q1", "Done! - zz_reports"}));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testing::readFile(at("zz_Q1/Summary.csv")), "a;b,c\n");
    EXPECT_EQ(testing::readFile(at("zz_reports/Sales/S.csv")), "x\n");
    // The settings file is made beside the program when missing.
    EXPECT_TRUE(
        platform::fileExists(base::joinPath(base::parentPath(cliPath()), "ledgerine-config.txt")));
}

TEST_F(CliConvert, OptionsChangeOutputAndLines) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> out;
        std::string csv;
    };
    const Case cases[] = {
        {{"--quiet", "Q1.xlsx"}, {}, "a;b,c\n"},
        {{"--verbose", "Q1.xlsx"},
         {"Wrote " + base::joinPath("zz_Q1", "Summary.csv"), "Done! - zz_Q1"},
         "a;b,c\n"},
        {{"--separator", ";", "Q1.xlsx"}, {"Done! - zz_Q1"}, "\"a;b\";c\n"},
        {{"--separator", " | ", "--quiet", "Q1.xlsx"}, {}, "a;b | c\n"},
    };
    for (const Case& c : cases) {
        platform::removeTree(at("zz_Q1"));
        Outcome r = run(root, c.args);
        EXPECT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        EXPECT_EQ(lines(r.out), c.out) << c.args[0];
        EXPECT_EQ(testing::readFile(at("zz_Q1/Summary.csv")), c.csv) << c.args[0];
    }
}

// "." has no name to give the output folder; the folder it stands for has.
TEST_F(CliConvert, DotStandsForTheCurrentFolder) {
    for (const std::string& arg : {std::string("."), base::joinPath("sub", "..")}) {
        platform::createFolders(at("reports/sub"));
        platform::removeTree(at("zz_reports"));
        Outcome r = run(at("reports"), {arg});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(r.out), std::vector<std::string>{"Done! - " + at("zz_reports")}) << arg;
        EXPECT_EQ(testing::readFile(at("zz_reports/Sales/S.csv")), "x\n") << arg;
    }
}

TEST_F(CliConvert, EmptySeparatorIsBadUsage) {
    Outcome r = run(root, {"--separator=", "Q1.xlsx"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("ledgerine-cli: --separator needs a non-empty text\nusage: ", 0), 0u)
        << r.err;
    EXPECT_FALSE(platform::folderExists(at("zz_Q1")));
}

TEST_F(CliConvert, MissingPathIsReportedAndOthersStillConverted) {
    Outcome r = run(root, {"gone.xlsx", "Q1.xlsx"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ledgerine-cli: no such file or folder: gone.xlsx\n");
    EXPECT_EQ(lines(r.out), std::vector<std::string>{"Done! - zz_Q1"});
    EXPECT_EQ(testing::readFile(at("zz_Q1/Summary.csv")), "a;b,c\n");
}

TEST_F(CliConvert, ErrorStopsTheRunWithItsLineAndKeepsEarlierFiles) {
    writeWorkbook(at("Evil.xlsx"), {{"../evil", {"bad"}}});
    testing::writeFile(at("Broken.xlsx"), "no archive at all");
    Outcome r = run(root, {"Q1.xlsx", "Evil.xlsx", "reports"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ledgerine-cli: unsafe sheet name: ../evil [IOError]\n");
    EXPECT_EQ(lines(r.out), std::vector<std::string>{"Done! - zz_Q1"});
    EXPECT_EQ(testing::readFile(at("zz_Q1/Summary.csv")), "a;b,c\n");
    EXPECT_FALSE(platform::folderExists(at("zz_reports")));

    r = run(root, {"Broken.xlsx"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_match(r.err, std::regex(R"(^ledgerine-cli: .+ \[\w+Error\]\n$)")))
        << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace ledgerine
