#include "base/errors.h"
#include "base/paths.h"
#include "driver/settings.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace ledgerine::driver {
namespace {

using namespace std::string_literals;

// Set before each case so that "nothing changed" is told apart from a file that sets ",".
const std::string unchanged = "(unchanged)";

std::string scratch(const std::string& name) {
    return testing::scratchFolder("settings_" + name);
}

std::string configIn(const std::string& folder) {
    return base::joinPath(folder, settingsFileName);
}

struct SeparatorCase {
    std::string content;
    std::string expected;
};

const SeparatorCase separatorCases[] = {
    // The forms a user writes.
    {R"(separator=";")", ";"},
    {R"(separator="\t")", "\t"},
    {R"(separator=r"\")", "\\"},
    {R"(separator=R"\t")", "\\t"},
    {R"(separator="""|""")", "|"},
    {R"(separator: "|")", "|"},
    {"separator = |", "|"},
    {"separator=,", ","},
    {R"(separator=",")", ","},
    {"separator=abc", "abc"},
    {R"("separator"="|")", "|"},
    {R"(r"separator"=|)", "|"},
    {"\t separator \t = \t \"|\" \t", "|"},
    // Nothing usable.
    {"", unchanged},
    {"separator=;", unchanged},
    {"separator=", unchanged},
    {R"(separator="")", unchanged},
    {"separator", unchanged},
    {"separator=\"|\"\nseparator", unchanged},
    {R"(Separator=";")", unchanged},
    {"[other]\nseparator=\";\"", unchanged},
    {"\xEF\xBB\xBFseparator=\";\"", unchanged},
    // The byte-order mark alone on the first line is a key of its own.
    {"\xEF\xBB\xBF\nseparator=\";\"", ";"},
    // Line ends are only whitespace, so the value is the next line's first word.
    {"separator=\nx=1", "x"},
    {"separator=\";\"\nseparator=\"|\"", "|"},
    {"x=1\r\nseparator=\";\"\r\n", ";"},
    {"x=1\rseparator=\"|\"", "|"},
    // Bare words.
    {R"(separator=\t)", "\\t"},
    {R"(separator=\x41)", "\\x41"},
    {R"(separator=a.b/c\d-e_f)", "a.b/c\\d-e_f"},
    {"separator=\xC3\xA4\xE2\x82\xAC", "\xC3\xA4\xE2\x82\xAC"},
    {"separator=,x", ",x"},
    {"separator=|,", "|"},
    {"separator=-", "-"},
    {"separator=a=b", "a"},
    {"separator=\"a\"b", "a"},
    {"rx=1\nseparator=r\"|\"", "|"},
    {"-x=1\nseparator=\"|\"", "|"},
    // Escapes.
    {R"(separator="\n|\N|\l|\L")", "\n|\n|\n|\n"},
    {R"(separator="\r|\R|\c|\C")", "\r|\r|\r|\r"},
    {R"(separator="\f\F\e\E\a\A")", "\f\f\x1b\x1b\a\a"},
    {R"(separator="\b\B\v\V\t\T")", "\b\b\v\v\t\t"},
    {R"(separator="\'\"\\")", "'\"\\"},
    {R"(separator="\x41")", "A"},
    {R"(separator="\X7e")", "~"},
    {R"(separator="\xFf")", "\xFF"},
    {R"(separator="\x4")", "\x04"},
    {R"(separator="\x414")", "A4"},
    {R"(separator="\x")", "\0"s},
    {R"(separator="\xg")", "\0g"s},
    {R"(separator="\65")", "A"},
    {R"(separator="\065x")", "Ax"},
    {R"(separator="\0")", "\0"s},
    {R"(separator="\255")", "\xFF"},
    {R"(separator="\256")", unchanged},
    {R"(separator="\2147483647")", unchanged},
    {R"(separator="\q")", unchanged},
    {R"(separator="\)", unchanged},
    {R"(separator=r"\n")", "\\n"},
    // Comments.
    {"# separator=\";\"\nseparator=\"|\"", "|"},
    {"; separator=\";\"\nseparator=\"|\" ; trailing", "|"},
    {"separator=\"|\"# comment", "|"},
    {"separator=|#x", "|"},
    {"separator=\"#\"", "#"},
    // Options are stored under "--" + key.
    {"--separator=\";\"", unchanged},
    {"--separator=\";\"\nseparator=\"|\"", "|"},
    {"--\nseparator=\"|\"", unchanged},
    {"separator=\"|\"\n--", "|"},
    // Sections.
    {"[\"\"]\nseparator=\"|\"", "|"},
    {"separator=\"|\"\n[other]\nseparator=\";\"", "|"},
    {"[other\nseparator=\"|\"", unchanged},
    {"[]\nseparator=\"|\"", unchanged},
    {"[\nseparator=\"|\"", unchanged},
    // Errors stop the reading; what came before stays.
    {"]\nseparator=\"|\"", unchanged},
    {"=\nseparator=\"|\"", unchanged},
    {":\nseparator=\"|\"", unchanged},
    {"separator==x", unchanged},
    {"separator=[x]", unchanged},
    {"separator=\"|\" = x", "|"},
    {"separator=\"|\" ]\nseparator=\";\"", "|"},
    {"separator=\"|\" \"open\nseparator=\";\"", "|"},
    // Long strings.
    {"separator=\"\"\"\n|\"\"\"", "|"},
    {"separator=\"\"\"\r\n|\r\n\"\"\"", "|\n"},
    {"separator=\"\"\"\n\n|\"\"\"", "\n|"},
    {"separator=\"\"\"a\rb\r\nc\nd\"\"\"", "a\nb\nc\nd"},
    {R"(separator=""" "x" 'y' """)", R"( "x" 'y' )"},
    {R"(separator="""\t""")", "\\t"},
    {R"(separator="""a""b""")", "a\"\"b"},
    {R"(separator=r"""\""")", "\\"},
    {"separator=\"\"\"|", unchanged},
    {"separator=\"\"\"|\"\"", unchanged},
    {"separator=\"\"\"|\0\"\"\""s, unchanged},
    // Unterminated strings.
    {"separator=\"|", unchanged},
    {"separator=\"|\nx\"", unchanged},
    {"separator=\"|\r\"", unchanged},
    {"separator=r\"|", unchanged},
    // A NUL outside a string ends the file; inside one it makes the string invalid.
    {"separator=\"|\"\0\nseparator=\";\""s, "|"},
    {"\0separator=\"|\""s, unchanged},
    {"separator=ab\0cd"s, "ab"},
    {"separator=\"a\0b\""s, unchanged},
    {"# comment \0\nseparator=\"|\""s, unchanged},
};

TEST(SettingsSeparator, FileContentDecidesSeparator) {
    std::string folder = scratch("separator");
    for (const SeparatorCase& c : separatorCases) {
        SCOPED_TRACE("content: " + c.content);
        testing::writeFile(configIn(folder), c.content);
        currentSeparator = unchanged;
        reloadSeparator(folder);
        EXPECT_EQ(currentSeparator, c.expected);
    }
}

TEST(SettingsSeparator, MissingFileChangesNothing) {
    std::string folder = scratch("missing");
    currentSeparator = ";";
    reloadSeparator(folder);
    EXPECT_EQ(currentSeparator, ";");
}

TEST(SettingsSeparator, KeepsLastNonEmptyValue) {
    std::string folder = scratch("keeps");
    currentSeparator = ",";
    testing::writeFile(configIn(folder), R"(separator=";")");
    reloadSeparator(folder);
    EXPECT_EQ(currentSeparator, ";");
    testing::writeFile(configIn(folder), "other=1\n");
    reloadSeparator(folder);
    EXPECT_EQ(currentSeparator, ";");
}

TEST(SettingsSeparator, DecimalEscapeBeyond32BitsOverflows) {
    std::string folder = scratch("overflow");
    for (std::string content :
         {R"(separator="\2147483648")", R"(separator="\99999999999999999999999")",
          "separator=\";\"\nx=\"\\4294967296\""}) {
        SCOPED_TRACE(content);
        testing::writeFile(configIn(folder), content);
        currentSeparator = unchanged;
        try {
            reloadSeparator(folder);
            ADD_FAILURE() << "no OverflowError";
        } catch (const base::OverflowError& e) {
            EXPECT_EQ(e.report(), "over- or underflow [OverflowError]");
        }
        EXPECT_EQ(currentSeparator, unchanged);
    }
}

TEST(SettingsLoad, TableKeepsSectionsKeysAndOrder) {
    std::string folder = scratch("table");
    testing::writeFile(configIn(folder), "b=1\n"
                                         "a: two\n"
                                         "flag\n"
                                         "--verbose\n"
                                         "--level=3\n"
                                         "b=\"replaced\"\n"
                                         "[second]\n"
                                         "b=x\n"
                                         "[\"\"]\n"
                                         "c=back\n");
    SettingsTable table = loadSettings(configIn(folder));

    using Pairs = std::vector<std::pair<std::string, std::string>>;
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.entries()[0].first, "");
    EXPECT_EQ(table.entries()[0].second.entries(), (Pairs{{"b", "replaced"},
                                                          {"a", "two"},
                                                          {"flag", ""},
                                                          {"--verbose", ""},
                                                          {"--level", "3"},
                                                          {"c", "back"}}));
    EXPECT_EQ(table.entries()[1].first, "second");
    EXPECT_EQ(table.entries()[1].second.entries(), (Pairs{{"b", "x"}}));

    EXPECT_EQ(settingValue(table, "", "b"), "replaced");
    EXPECT_EQ(settingValue(table, "", "--level"), "3");
    EXPECT_EQ(settingValue(table, "second", "b"), "x");
    EXPECT_EQ(settingValue(table, "second", "a"), "");
    EXPECT_EQ(settingValue(table, "third", "b"), "");
    EXPECT_EQ(settingValue(table, "", "B"), "");
}

TEST(SettingsLoad, ReadsFileLargerThanOneReadPiece) {
    std::string folder = scratch("large");
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += "key" + std::to_string(i) + "=\"value\"\n";
    content += "separator=\"\"\"\r\n|\r\n\"\"\"";
    testing::writeFile(configIn(folder), content);
    SettingsTable table = loadSettings(configIn(folder));
    EXPECT_EQ(table.entries()[0].second.size(), 20001u);
    EXPECT_EQ(settingValue(table, "", "separator"), "|\n");
}

TEST(SettingsLoad, UnopenableFileRaisesIOError) {
    std::string folder = scratch("unopenable");
    std::string path = configIn(folder);
    try {
        loadSettings(path);
        ADD_FAILURE() << "no IOError";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "cannot open: " + path);
    }
}

TEST(SettingsEnsure, WritesDefaultContentIntoNewFolders) {
    std::string folder = base::joinPath(base::joinPath(scratch("ensure"), "a"), "b");
    ensureSettingsFile(folder, std::string(defaultSettingsContent), std::string(settingsFileName));
    EXPECT_TRUE(platform::folderExists(folder));
    EXPECT_EQ(testing::readFile(configIn(folder)), "separator=\",\"");
    EXPECT_EQ(platform::fileSize(configIn(folder)), 13u);
}

TEST(SettingsEnsure, LeavesExistingFilesUntouched) {
    const std::string contents[] = {
        R"(separator=";")",  // the default's size
        R"(separator="\t")", // another size
        "separator=\";\"\n", // a line end added
        "",                  // emptied by the user
    };
    std::string folder = scratch("untouched");
    for (const std::string& content : contents) {
        SCOPED_TRACE(content);
        testing::writeFile(configIn(folder), content);
        ensureSettingsFile(folder, std::string(defaultSettingsContent),
                           std::string(settingsFileName));
        EXPECT_EQ(testing::readFile(configIn(folder)), content);
    }
}

TEST(SettingsEnsure, FolderInThePlaceOfTheFileRaisesIOError) {
    std::string folder = scratch("blocked");
    platform::createFolders(configIn(folder));
    try {
        ensureSettingsFile(folder, std::string(defaultSettingsContent),
                           std::string(settingsFileName));
        ADD_FAILURE() << "no IOError";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "cannot open: " + configIn(folder));
    }
}

TEST(SettingsEnsureDeathTest, UncreatableFolderExitsWithStatus1) {
    // A name longer than any file system allows makes the creation fail with a system error.
    std::string folder = base::joinPath(scratch("uncreatable"), std::string(300, 'x'));
    EXPECT_EXIT(ensureSettingsFile(folder, std::string(defaultSettingsContent),
                                   std::string(settingsFileName)),
                ::testing::ExitedWithCode(1), "");
}

TEST(SettingsEnsure, DefaultFolderIsTheExecutablesFolder) {
    EXPECT_EQ(settingsFolder(), base::parentPath(platform::executablePath()));
    ensureSettingsFile(std::string(defaultSettingsContent), std::string(settingsFileName));
    EXPECT_TRUE(platform::fileExists(configIn(settingsFolder())));
}

struct OutputCase {
    std::string content;
    Quoting quoting;
    bool bom;
};

TEST(SettingsOutput, QuotingAndBomKeys) {
    const OutputCase cases[] = {
        {"", Quoting::Minimal, false},
        {"quoting=minimal", Quoting::Minimal, false},
        {"quoting=none", Quoting::None, false},
        {"quoting=\"NONE\"", Quoting::None, false},
        {"quoting=Minimal", Quoting::Minimal, false},
        {"quoting=\"\"", Quoting::Minimal, false},
        {"bom=true", Quoting::Minimal, true},
        {"bom=yes\nquoting=none", Quoting::None, true},
        {"bom=On", Quoting::Minimal, true},
        {"bom=1", Quoting::Minimal, true},
        {"bom=off", Quoting::Minimal, false},
        {"bom=\"\"", Quoting::Minimal, false},
        {"[csv]\nquoting=none\nbom=true", Quoting::Minimal, false},
    };
    std::string folder = scratch("output");
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.content);
        // The opposite of every default, so each key is seen to be read.
        currentQuoting = Quoting::None;
        currentBom = true;
        currentSeparator = unchanged;
        testing::writeFile(configIn(folder), c.content);
        OutputSettings got = reloadSettings(folder);
        EXPECT_EQ(got.quoting, c.quoting);
        EXPECT_EQ(got.bom, c.bom);
        EXPECT_EQ(got.separator, unchanged);
        EXPECT_EQ(currentQuoting, c.quoting);
        EXPECT_EQ(currentBom, c.bom);
    }
}

TEST(SettingsOutput, SeparatorFollowsReloadSeparatorRules) {
    std::string folder = scratch("output_separator");
    currentSeparator = ",";
    testing::writeFile(configIn(folder), "separator=\";\"\nquoting=none");
    EXPECT_EQ(reloadSettings(folder).separator, ";");
    testing::writeFile(configIn(folder), "separator=\"\"");
    OutputSettings got = reloadSettings(folder);
    EXPECT_EQ(got.separator, ";");
    EXPECT_EQ(got.quoting, Quoting::Minimal);
    EXPECT_EQ(currentSeparator, ";");
}

TEST(SettingsOutput, MissingFileChangesNothing) {
    std::string folder = scratch("output_missing");
    currentSeparator = "|";
    currentQuoting = Quoting::None;
    currentBom = true;
    OutputSettings got = reloadSettings(folder);
    EXPECT_EQ(got.separator, "|");
    EXPECT_EQ(got.quoting, Quoting::None);
    EXPECT_TRUE(got.bom);
}

TEST(SettingsOutput, InvalidValueNamesKeyAndFileAndChangesNothing) {
    std::string folder = scratch("output_invalid");
    std::string path = configIn(folder);
    const std::pair<std::string, std::string> cases[] = {
        {"separator=\";\"\nquoting=quoted",
         "invalid quoting in " + path + ": quoted (minimal or none)"},
        {"separator=\";\"\nbom=maybe", "invalid bom in " + path + ": maybe (true or false)"},
    };
    for (const auto& [content, message] : cases) {
        SCOPED_TRACE(content);
        testing::writeFile(path, content);
        currentSeparator = unchanged;
        currentQuoting = Quoting::None;
        currentBom = true;
        try {
            reloadSettings(folder);
            ADD_FAILURE() << "no ValueError";
        } catch (const base::ValueError& e) {
            EXPECT_EQ(e.message(), message);
        }
        EXPECT_EQ(currentSeparator, unchanged);
        EXPECT_EQ(currentQuoting, Quoting::None);
        EXPECT_TRUE(currentBom);
        // The separator alone is still read as before.
        reloadSeparator(folder);
        EXPECT_EQ(currentSeparator, ";");
    }
}

} // namespace
} // namespace ledgerine::driver
