#include "base/errors.h"
#include "gui/stored_text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::gui {
namespace {

// Published RC4 test vectors: key, plaintext, ciphertext.
struct Vector {
    const char* key;
    const char* plain;
    const char* hex;
};
const std::vector<Vector> kVectors = {
    {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
    {"Wiki", "pedia", "1021BF0420"},
    {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
};

TEST(StoredText, DeciphersPublishedVectors) {
    for (const Vector& v : kVectors) {
        EXPECT_EQ(decipherStoredText(v.hex, v.key), v.plain) << v.key;
    }
}

TEST(StoredText, AcceptsLowerCaseDigits) {
    EXPECT_EQ(decipherStoredText("bbf316e8d940af0ad3", "Key"), "Plaintext");
    EXPECT_EQ(decipherStoredText("bBf316E8d940aF0Ad3", "Key"), "Plaintext");
}

TEST(StoredText, EnciphersToUpperCaseHex) {
    for (const Vector& v : kVectors)
        EXPECT_EQ(encipherStoredText(v.plain, v.key), v.hex);
}

TEST(StoredText, EmptyTextIsEmpty) {
    EXPECT_EQ(decipherStoredText("", "Key"), "");
    EXPECT_EQ(encipherStoredText("", "Key"), "");
}

TEST(StoredText, KeepsEveryByteValue) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string hex = encipherStoredText(all, kStoredTextKey);
    EXPECT_EQ(hex.size(), 512u);
    EXPECT_EQ(decipherStoredText(hex, kStoredTextKey), all);
}

TEST(StoredText, MalformedHexRaisesValueError) {
    struct Case {
        const char* hex;
        const char* report;
    };
    const std::vector<Case> cases = {
        {"B", "odd number of hexadecimal digits: 1 [ValueError]"},
        {"BBF316E8D940AF0AD", "odd number of hexadecimal digits: 17 [ValueError]"},
        {"BBG3", "invalid hex integer: G3 [ValueError]"},
        {"0x12", "invalid hex integer: 0x [ValueError]"},
        {"BB 3", "invalid hex integer:  3 [ValueError]"},
        {"+1BB", "invalid hex integer: +1 [ValueError]"},
        {"BBF3-1", "invalid hex integer: -1 [ValueError]"},
    };
    for (const Case& c : cases) {
        try {
            decipherStoredText(c.hex, "Key");
            ADD_FAILURE() << "no error for " << c.hex;
        } catch (const base::ValueError& error) {
            EXPECT_EQ(error.report(), c.report);
        }
    }
}

TEST(StoredText, EmptyKeyRaisesValueError) {
    EXPECT_THROW(decipherStoredText("BB", ""), base::ValueError);
    EXPECT_THROW(encipherStoredText("a", ""), base::ValueError);
}

TEST(StoredText, KeyHasTwentyTwoCharacters) {
    EXPECT_EQ(kStoredTextKey.size(), 22u);
}

bool isUpperHex(std::string_view hex) {
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

TEST(StoredText, SixStoredTextsDecipherToTheirContents) {
    struct Case {
        std::string_view hex;
        std::size_t digits;
        std::string_view plain; // empty: checked below
    };
    const std::vector<Case> cases = {
        {kStoredTitle, 68, "Ledgerine - batch XLSX to CSV tool"},
        {kStoredHomeLabel, 20, "Visit Home"},
        {kStoredHomeTarget, 154,
         "https://ledgerine.example.org/desktop/xlsx-to-csv-converter/?ref=app-20.08.12"},
        {kStoredContactLabel, 28, "Contact Author"},
        {kStoredContactTarget, 74, "mailto:feedback@ledgerine.example.org"},
        {kStoredHelpRtf, 1740, ""},
    };
    ASSERT_EQ(kStoredTexts.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(kStoredTexts[i], c.hex) << "stored text " << i + 1;
        EXPECT_EQ(c.hex.size(), c.digits) << "stored text " << i + 1;
        EXPECT_TRUE(isUpperHex(c.hex)) << "stored text " << i + 1;
        if (!c.plain.empty()) {
            EXPECT_EQ(decipherStoredText(c.hex, kStoredTextKey), c.plain);
        }
    }
}

TEST(StoredText, HelpDocumentIsWellFormedRtf) {
    std::string rtf = decipherStoredText(kStoredHelpRtf, kStoredTextKey);
    EXPECT_EQ(rtf.size(), 870u);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
    EXPECT_EQ(rtf.substr(rtf.size() - 2), "}\n");
    int depth = 0;
    for (char c : rtf) {
        if (static_cast<unsigned char>(c) < 0x20) {
            EXPECT_EQ(c, '\n'); // no other control byte
        }
        if (c == '{') ++depth;
        if (c == '}') --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    for (const char* phrase :
         {"{\\b Select Folder}", "{\\b Select File}", "{\\b zz_}",
          "Drag and drop a folder or file here", "https://ledgerine.example.org"}) {
        EXPECT_NE(rtf.find(phrase), std::string::npos) << phrase;
    }
}

TEST(StoredText, CreationTextsMatchTheStoredLabels) {
    EXPECT_EQ(decipherStoredText(kStoredHomeLabel, kStoredTextKey), kHomeLinkLabel);
    EXPECT_EQ(decipherStoredText(kStoredContactLabel, kStoredTextKey), kContactLinkLabel);
    EXPECT_EQ(decipherStoredText(kStoredContactTarget, kStoredTextKey), kContactAddress);
    EXPECT_EQ(kInitialTitle, "Ledgerine");
    // Five lines, each ended by a line feed; the asterisk pairs are part of the text.
    EXPECT_EQ(kPlainHelpText.rfind("  1. Drag and drop a folder or file here, or click the "
                                   "**Select Folder** or **Select File** button\n\n"
                                   "  2. The output will be saved starting with **zz_**\n\n",
                                   0),
              0u);
    EXPECT_EQ(std::count(kPlainHelpText.begin(), kPlainHelpText.end(), '\n'), 5);
    EXPECT_EQ(kPlainHelpText.back(), '\n');
    EXPECT_NE(kPlainHelpText.find(kHomePageAddress), std::string_view::npos);
}

} // namespace
} // namespace ledgerine::gui
