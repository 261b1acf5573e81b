// The window's stored texts. Six texts (the title, the two link labels, the two link targets
// and the RTF help document) exist in the program only as RC4-enciphered bytes written as
// upper-case hexadecimal text; decipherStoredText() turns them back into UTF-8 text at
// start-up. The texts the window shows at creation, before the stored ones replace them, are
// here too. bench/gen_stored_texts.cpp (ledgerine-gen-stored-texts) re-enciphers the plain
// texts and prints the constants below.
//
// Raises base::ValueError for a hexadecimal text of odd length ("odd number of hexadecimal
// digits: " + count), for a pair that is not two hexadecimal digits ("invalid hex integer: " +
// pair) and for an empty key ("empty key").
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ledgerine::gui {

// RC4 over hexadecimal text: each pair of digits (either case) is one byte, XORed with the
// keystream of key. The result is the deciphered bytes.
std::string decipherStoredText(std::string_view hex, std::string_view key);

// The inverse: text enciphered under key, as upper-case hexadecimal digits.
std::string encipherStoredText(std::string_view text, std::string_view key);

// Texts at creation.
inline constexpr std::string_view kInitialTitle = "Ledgerine";
inline constexpr std::string_view kHomeLinkLabel = "Visit Home";
inline constexpr std::string_view kHomePageAddress = "https://ledgerine.example.org";
inline constexpr std::string_view kContactLinkLabel = "Contact Author";
inline constexpr std::string_view kContactAddress = "mailto:feedback@ledgerine.example.org";
// Set as plain text, so the asterisk pairs show as they are.
inline constexpr std::string_view kPlainHelpText =
    "  1. Drag and drop a folder or file here, or click the **Select Folder** or **Select "
    "File** button\n"
    "\n"
    "  2. The output will be saved starting with **zz_**\n"
    "\n"
    "  3. Help and updates: https://ledgerine.example.org\n";

// The key all six stored texts are enciphered under (22 characters).
inline constexpr std::string_view kStoredTextKey = "Ledgerine-2008-Rc4Key!";

// BEGIN GENERATED (ledgerine-gen-stored-texts)
// Stored text 1: the main window's title (68 digits, 34 bytes).
inline constexpr std::string_view kStoredTitle =
    "DF1CAAFB86D001169A9BD6B7354FFDF265F3AB00C64EE293210860E5A46FBBA90F7E";
// Stored text 2: the home link's label (20 digits, 10 bytes).
inline constexpr std::string_view kStoredHomeLabel = "C510BDF59782201792DE";
// Stored text 3: the home link's target (154 digits, 77 bytes).
inline constexpr std::string_view kStoredHomeTarget =
    "FB0DBAEC9098475793DE9FF0325CE0FF68FD9634F47BB28B2B064CC49560ABA31379B57B36A6AF57275CB20F"
    "6BDC03B29D020A26090399CE7C0AAB0D45934E91367E82D2293280BD4749C62FB7";
// Stored text 4: the contact link's label (28 digits, 14 bytes).
inline constexpr std::string_view kStoredContactLabel = "D016A0E882C11C58BECE8FFF385C";
// Stored text 5: the contact link's target (74 digits, 37 bytes).
inline constexpr std::string_view kStoredContactTarget =
    "FE18A7F097CD521E9ADE9FF5364DE2D161B6972BF064AB892B0646CE9322BFAA053CAE6621";
// Stored text 6: the help box's RTF document (1740 digits, 870 bytes).
inline constexpr std::string_view kStoredHelpRtf =
    "E825BCE88593341991C892CB3640FAF86EA3947DA723F0BB2A4D45D0C23493A00F7CB56024E5AC673214C31D"
    "778609B298730F2A0F148ECF6D1BE90229844C986E3FA7EB3F7DCD990C2D8B71E9A0BB936A0690EB1C260074"
    "FA63C03FE527D8C7C61C6F08CB44DBC151DE90C8E3CB962F810AEEEAD776FC585764798EA9F7A7A69B9DDF2E"
    "C208C6DC78CB39AD1B39FBC695B27FE8F73E63AFEBC85EE2C2E30FC1526BBCB4A97E43DAA9EACC2DF318FF2B"
    "CD506857AD7482CA488A9257181CFE460F9C043063918F93D891F9415B503B7C2D5FBBF9AE55B0F0088897C2"
    "48D74FDE9B5052D3EE7F965B842BA67B575B1300FD5190686B6816BA1F7A0C3DA717429F033BEABCBA9C5DA5"
    "7FA3ECFC04A113CF06E8EBD61E5828701C9473C567711B0B6C90C43B8319C88C5D041D5B92515C37C289785B"
    "2B05B9913D5ED31C9BFCF86E7672FDD478C0C1ECFE0EB2344090F4FDF4FF3B7985B315E9E0D21AD197BC485F"
    "FE0AFC34941FDC0EF4F9FD50B15343E6888EED0E6CAFA7A84090380133E287CA49E5418FEF374256B004C191"
    "12CE5E6912FF871EDB52649B2A5EF73C7746DB6EC862BF75DF9048B65901EC0CAB51E8CBAD28BA474E6ED563"
    "51B5FA678BFF552729A47249ADCE880F857827171D9888A25542AD766906B0D077FB22D365EA7140F9FB287F"
    "E69F37D39B9562EE802711D162A108E725EC84693940EB63744969A6F9F55669F35A241AD8513F8D0326014F"
    "7024A149C2CF78BBA7842A8046B9141E89E4145684FDE35051902FB0B35FAD1D2F5D3CA3759E0CC31E527494"
    "3AC911359C0191DE7BF01976AE2C31E4DEC4FA25DF2BE76F0448917872D45F1160BCAF55DC1CC2BEA79D37C1"
    "35B3BA1C4ACC37F5093B73C71E5A03E8291596114D77E949631F1E84F190C249F6BFB407B57AD272E4ADD987"
    "A714C2D010E8FD52E76360D6DF736C67899CB9654473B66F6FE7EB7070E59C1E463C55CF1C992455C5F76235"
    "04BCB61098440C5A4BFA4841530F585AC669C2625DB9CA88D2BCB6DEEA3E68CB8210DA6E6D8A071199C7193A"
    "B4A7AC85B0BA175A276299CFD8FD6D8B5AAD41CDF80CE26E18326A2F1C345FC87AA714B1C7B4A2698AB0B543"
    "784B78FAC9DAFCF17F7655ADEAA608A96C769DB22FB6D95F0A752E661B58D91586A5D4E65A29D30AADCFC857"
    "3BA6F984FE573B105FCA261126C57ADF8624D8AF729A26B54274CD15E12F31E60B56";
// The six in their order of use at start-up.
inline constexpr std::array<std::string_view, 6> kStoredTexts = {
    kStoredTitle,        kStoredHomeLabel,     kStoredHomeTarget,
    kStoredContactLabel, kStoredContactTarget, kStoredHelpRtf};
// END GENERATED

} // namespace ledgerine::gui
