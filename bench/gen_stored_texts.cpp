// Enciphers the window's six stored texts under the stored-text key and prints them as the
// C++ constants that go between the generated markers of gui/stored_text.h.
// Usage: ledgerine-gen-stored-texts > block.txt (the output is already formatted)
#include "gui/stored_text.h"

#include <cstddef>
#include <iostream>
#include <string>
#include <string_view>

namespace {

struct PlainText {
    std::string_view name;
    std::string_view role;
    std::string_view text;
};

constexpr std::string_view kHelpRtf =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Segoe UI;}}\n"
    "{\\colortbl ;\\red0\\green0\\blue255;}\n"
    "\\viewkind4\\uc1\\pard\\sa120\\f0\\fs22 {\\b Ledgerine} turns spreadsheet workbooks (.xlsx) "
    "into CSV files, one file per worksheet.\\par\n"
    "1. Drag and drop a folder or file here, or click the {\\b Select Folder} or {\\b Select "
    "File} button. Sub-folders are searched too.\\par\n"
    "2. The output is saved in a new folder beside the input, starting with {\\b zz_}: one CSV "
    "file per sheet, named after the sheet.\\par\n"
    "3. The text between two cells is set in {\\b ledgerine-config.txt} beside the program; it "
    "starts as separator=\",\".\\par\n"
    "Numbers are written as the workbook stores them, dates and times as text, booleans as true "
    "or false. When a batch is over, the status bar shows {\\b Done!} and the new output "
    "folder.\\par\n"
    "Help and updates: {\\cf1\\ul https://ledgerine.example.org}\\par\n"
    "}\n";

constexpr PlainText kTexts[] = {
    {"kStoredTitle", "the main window's title", "Ledgerine - batch XLSX to CSV tool"},
    {"kStoredHomeLabel", "the home link's label", "Visit Home"},
    {"kStoredHomeTarget", "the home link's target",
     "https://ledgerine.example.org/desktop/xlsx-to-csv-converter/?ref=app-20.08.12"},
    {"kStoredContactLabel", "the contact link's label", "Contact Author"},
    {"kStoredContactTarget", "the contact link's target", "mailto:feedback@ledgerine.example.org"},
    {"kStoredHelpRtf", "the help box's RTF document", kHelpRtf},
};

// Digits per source line, so that a continued literal stays within the column limit.
constexpr std::size_t kDigitsPerLine = 88;
constexpr std::size_t kColumnLimit = 100;

} // namespace

int main() {
    using ledgerine::gui::encipherStoredText;
    using ledgerine::gui::kStoredTextKey;

    int number = 1;
    for (const PlainText& plain : kTexts) {
        std::string hex = encipherStoredText(plain.text, kStoredTextKey);
        std::cout << "// Stored text " << number++ << ": " << plain.role << " (" << hex.size()
                  << " digits, " << plain.text.size() << " bytes).\n";
        std::string head = "inline constexpr std::string_view " + std::string(plain.name) + " =";
        // One line when it fits, as the formatter would leave it.
        if (head.size() + hex.size() + 4 <= kColumnLimit) {
            std::cout << head << " \"" << hex << "\";\n";
            continue;
        }
        std::cout << head;
        for (std::size_t pos = 0; pos < hex.size(); pos += kDigitsPerLine) {
            std::cout << "\n    \"" << hex.substr(pos, kDigitsPerLine) << '"';
        }
        std::cout << ";\n";
    }
    std::cout << "// The six in their order of use at start-up.\n"
                 "inline constexpr std::array<std::string_view, 6> kStoredTexts = {\n"
                 "    kStoredTitle,        kStoredHomeLabel,     kStoredHomeTarget,\n"
                 "    kStoredContactLabel, kStoredContactTarget, kStoredHelpRtf};\n";
    return 0;
}
