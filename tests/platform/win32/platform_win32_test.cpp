// The Win32 platform layer against the real (or wine's) file system: wide names, both
// separators, drive roots, reparse points, system error texts and time zone rules.
#define WIN32_LEAN_AND_MEAN
#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "platform/win32/wide_text.h"
#include "platform/zip.h"
#include "support/package_builder.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include <winioctl.h>
#include <zip.h>

namespace ledgerine::platform {
namespace {

using base::joinPath;
using testing::readFile;
using testing::scratchFolder;
using testing::writeFile;

std::string quoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// The scratch folder as an absolute drive-letter path with backslashes only.
std::string absoluteScratch(const std::string& name) {
    std::string dir = scratchFolder(name);
    std::wstring w = widePath(dir);
    wchar_t full[MAX_PATH * 4];
    DWORD n = ::GetFullPathNameW(w.c_str(), MAX_PATH * 4, full, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? utf8Text(std::wstring(full, n)) : dir;
}

std::vector<std::string> listed(const std::string& folder) {
    FolderListing listing(folder);
    EXPECT_TRUE(listing.started()) << folder;
    std::vector<std::string> names;
    FolderEntry e;
    while (listing.next(e))
        names.push_back(e.name + (e.isFolder ? "/" : "") + (e.isReparsePoint ? "@" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Win32Paths, BackslashIsWrittenAndBothSeparatorsAreAccepted) {
    EXPECT_EQ(pathSeparator(), '\\');
    std::string dir = absoluteScratch("w32_separators");
    ASSERT_EQ(dir.find('/'), std::string::npos) << dir;
    createFolders(dir + "\\a/b\\c");
    EXPECT_TRUE(folderExists(dir + "/a/b/c"));
    EXPECT_TRUE(folderExists(dir + "\\a\\b\\c\\"));
    writeFile(dir + "/a/b/c/f.txt", "abc");
    struct Case {
        std::string path;
    };
    for (const Case& c : std::vector<Case>{
             {dir + "\\a\\b\\c\\f.txt"}, {dir + "/a/b/c/f.txt"}, {dir + "\\a/b\\c/f.txt"}}) {
        EXPECT_TRUE(fileExists(c.path)) << c.path;
        EXPECT_EQ(fileSize(c.path), 3u) << c.path;
        EXPECT_EQ(readFile(c.path), "abc") << c.path;
    }
    EXPECT_EQ(listed(dir + "/a/b/c"), (std::vector<std::string>{"f.txt"}));
    removeTree(dir + "/a/");
    EXPECT_FALSE(folderExists(dir + "\\a"));
}

TEST(Win32Paths, DriveRootsAndAbsolutePaths) {
    std::string here = currentFolder();
    ASSERT_GE(here.size(), 3u);
    EXPECT_EQ(here[1], ':') << here;
    std::string root = here.substr(0, 3); // "X:\"
    EXPECT_TRUE(folderExists(root));
    EXPECT_TRUE(folderExists(root.substr(0, 2) + "/"));
    createFolders(root); // a root exists already: nothing to do, no error
    FolderListing listing(root);
    EXPECT_TRUE(listing.started());

    std::string exe = executablePath();
    EXPECT_EQ(exe[1], ':') << exe;
    EXPECT_TRUE(exe.ends_with("platform_win32_test.exe")) << exe;
    EXPECT_TRUE(fileExists(exe));

    std::string deep = joinPath(joinPath(absoluteScratch("w32_drive"), "x"), "y");
    createFolders(deep);
    EXPECT_TRUE(folderExists(deep));
}

TEST(Win32Paths, LongPathsBeyondTheClassicLimit) {
    std::string dir = absoluteScratch("w32_long");
    std::string deep = dir;
    for (int i = 0; i < 12; ++i)
        deep = joinPath(deep, std::string(30, static_cast<char>('a' + i)));
    ASSERT_GT(deep.size(), 300u);
    createFolders(deep);
    EXPECT_TRUE(folderExists(deep));
    std::string file = joinPath(deep, "f.csv");
    writeFile(file, "1,2\n");
    EXPECT_EQ(fileSize(file), 4u);
    EXPECT_EQ(readFile(file), "1,2\n");
    removeTree(joinPath(dir, std::string(30, 'a')));
    EXPECT_FALSE(folderExists(joinPath(dir, std::string(30, 'a'))));
}

TEST(Win32Names, Utf16NamesInFoldersAndFiles) {
    struct Case {
        std::string folder;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"\xC3\x9C"
         "bersicht",
         "Quartal \xC3\x9C"
         "bersicht.csv"}, // Übersicht
        {"\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF",
         "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.xlsx"},      // データ
        {"chart \xF0\x9F\x93\x8A", "\xF0\x9F\x93\x8A.txt"}, // an emoji outside the BMP
    };
    std::string dir = scratchFolder("w32_names");
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        std::string folder = joinPath(dir, c.folder);
        createFolders(folder);
        EXPECT_TRUE(folderExists(folder)) << c.folder;
        std::string file = joinPath(folder, c.file);
        writeFile(file, c.file);
        EXPECT_TRUE(fileExists(file)) << c.file;
        EXPECT_EQ(fileSize(file), c.file.size()) << c.file;
        EXPECT_EQ(readFile(file), c.file) << c.file;
        EXPECT_EQ(listed(folder), (std::vector<std::string>{c.file}));
        // The name reaches the system as UTF-16, not as narrow text.
        DWORD attributes = ::GetFileAttributesW(widePath(file).c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << c.file;
        expected.push_back(c.folder + "/");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed(dir), expected);
    for (const Case& c : cases) {
        removeTree(joinPath(dir, c.folder));
        EXPECT_FALSE(folderExists(joinPath(dir, c.folder))) << c.folder;
    }
    EXPECT_TRUE(listed(dir).empty());
}

TEST(Win32Names, ArchiveWithNonAnsiPathOpens) {
    std::string dir = scratchFolder("w32_zip");
    std::string plain = joinPath(dir, "plain.xlsx");
    testing::writePackage(plain, {{"a.txt", "hello"}, {"xl/b.xml", "<b/>"}});
    std::string named = joinPath(dir, "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF \xF0\x9F\x93\x8A.xlsx");
    writeFile(named, readFile(plain));
    zip_t* archive = openZipArchive(named);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(zip_get_num_entries(archive, 0), 2);
    zip_file_t* entry = zip_fopen(archive, "a.txt", 0);
    ASSERT_NE(entry, nullptr);
    char buf[16] = {};
    EXPECT_EQ(zip_fread(entry, buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");
    zip_fclose(entry);
    zip_discard(archive);
    EXPECT_EQ(openZipArchive(joinPath(dir, "\xC3\x9C"
                                           "bersicht.xlsx")),
              nullptr);
    std::string notZip = joinPath(dir, "\xC3\x9C"
                                       "bersicht.xlsx");
    writeFile(notZip, "not a zip archive");
    EXPECT_EQ(openZipArchive(notZip), nullptr);
}

// A directory junction (mount-point reparse point) made with FSCTL_SET_REPARSE_POINT.
bool makeJunction(const std::wstring& link, const std::wstring& target) {
    if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
    HANDLE h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::wstring substitute = L"\\??\\" + target;
    // REPARSE_DATA_BUFFER's mount-point layout: tag, sizes, then both names with their NULs.
    std::vector<unsigned char> buf(16 + (substitute.size() + target.size() + 2) * 2 + 8, 0);
    auto put16 = [&](size_t at, size_t v) {
        buf[at] = static_cast<unsigned char>(v);
        buf[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buf.data(), &tag, 4);
    size_t subBytes = substitute.size() * 2;
    size_t printBytes = target.size() * 2;
    size_t pathBytes = subBytes + 2 + printBytes + 2;
    put16(4, 8 + pathBytes); // ReparseDataLength
    put16(8, 0);             // SubstituteNameOffset
    put16(10, subBytes);     // SubstituteNameLength
    put16(12, subBytes + 2); // PrintNameOffset
    put16(14, printBytes);   // PrintNameLength
    std::memcpy(buf.data() + 16, substitute.c_str(), subBytes);
    std::memcpy(buf.data() + 16 + subBytes + 2, target.c_str(), printBytes);
    DWORD returned = 0;
    BOOL ok = ::DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buf.data(),
                                static_cast<DWORD>(16 + pathBytes), nullptr, 0, &returned, nullptr);
    ::CloseHandle(h);
    if (!ok) ::RemoveDirectoryW(link.c_str());
    return ok != 0;
}

// Under wine the host's symbolic links are the reparse points: wine cannot make either kind
// itself, but shows a linked folder with the reparse-point attribute. Runs a host program
// (/bin/ln, /bin/rm) on the host's names of the given paths; false outside wine.
bool runOnHost(const char* program, const std::string& options,
               const std::vector<std::wstring>& paths) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!ntdll || !kernel || !::GetProcAddress(ntdll, "wine_get_version")) return false;
    using UnixName = char* (*)(const wchar_t*);
    FARPROC found = ::GetProcAddress(kernel, "wine_get_unix_file_name");
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(found));
    if (!unixName) return false;
    std::string command = std::string(program) + " " + options;
    for (const std::wstring& path : paths) {
        char* name = unixName(path.c_str());
        if (!name) return false;
        command += std::string(" \"") + name + "\"";
        ::HeapFree(::GetProcessHeap(), 0, name);
    }
    std::wstring wideCommand = wideText(command);
    std::wstring image = L"Z:" + wideText(program);
    for (wchar_t& c : image)
        if (c == L'/') c = L'\\';
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(image.c_str(), wideCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// Wine does not always wait for a host program; give its work a moment to show.
bool appears(const std::wstring& path, bool wanted) {
    for (int tries = 0; tries < 200; ++tries) {
        if ((::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == wanted) return true;
        ::Sleep(10);
    }
    return false;
}

bool makeHostLink(const std::wstring& link, const std::wstring& target) {
    return runOnHost("/bin/ln", "-s", {target, link}) && appears(link, true) &&
           (::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST(Win32ReparsePoints, LinkedFolderIsListedAsReparsePointAndNotFollowedOnRemoval) {
    std::string dir = absoluteScratch("w32_reparse");
    std::string target = joinPath(dir, "target");
    createFolders(target);
    writeFile(joinPath(target, "keep.xlsx"), "k");
    std::string tree = joinPath(dir, "tree");
    createFolders(tree);
    writeFile(joinPath(tree, "plain.txt"), "p");
    std::wstring link = widePath(joinPath(tree, "linked"));
    bool made = ::CreateSymbolicLinkW(link.c_str(), widePath(target).c_str(),
                                      SYMBOLIC_LINK_FLAG_DIRECTORY |
                                          SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    DWORD linkAttributes = ::GetFileAttributesW(link.c_str());
    made = made && linkAttributes != INVALID_FILE_ATTRIBUTES &&
           (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!made) {
        ::RemoveDirectoryW(link.c_str());
        made = makeJunction(link, widePath(target));
    }
    bool hostLink = false;
    if (!made) made = hostLink = makeHostLink(link, widePath(target));
    if (!made)
        GTEST_SKIP() << "the system refuses to make links (error " << ::GetLastError() << ")";

    EXPECT_EQ(listed(tree), (std::vector<std::string>{"linked/@", "plain.txt"}));
    if (hostLink) {
        // Wine removes a host link only by way of its target folder, which is not empty
        // here; the removal must fail without touching what the link points to.
        EXPECT_THROW(removeTree(tree), base::OSError);
        EXPECT_TRUE(runOnHost("/bin/rm", "-f", {link}) && appears(link, false));
    } else {
        removeTree(tree);
        EXPECT_FALSE(folderExists(tree));
    }
    EXPECT_EQ(readFile(joinPath(target, "keep.xlsx")), "k"); // the link's target is untouched
}

TEST(Win32Errors, SystemTextsAndOSErrorWithQuotedPath) {
    for (DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_PATH_NOT_FOUND},
                       DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_NO_MORE_FILES}}) {
        std::string text = systemErrorText(static_cast<int>(code));
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_FALSE(text.ends_with("\n") || text.ends_with("\r")) << code;
    }
    std::string dir = absoluteScratch("w32_errors");
    struct Case {
        std::string path;
    };
    for (const Case& c : std::vector<Case>{{joinPath(dir, "missing.xlsx")},
                                           {joinPath(joinPath(dir, "no folder"), "x.xlsx")},
                                           {dir + "/mixed\\missing.xlsx"}}) {
        ::SetLastError(0);
        try {
            fileSize(c.path);
            FAIL() << "no error for " << c.path;
        } catch (const base::OSError& e) {
            std::string suffix = "\nAdditional info: " + quoted(c.path);
            ASSERT_TRUE(e.message().ends_with(suffix)) << e.message();
            std::string text = e.message().substr(0, e.message().size() - suffix.size());
            EXPECT_TRUE(text == systemErrorText(ERROR_FILE_NOT_FOUND) ||
                        text == systemErrorText(ERROR_PATH_NOT_FOUND))
                << text;
        }
    }
}

TEST(Win32Listing, EndOfListingIsNoError) {
    std::string dir = scratchFolder("w32_listing");
    std::string empty = joinPath(dir, "empty");
    createFolders(empty);
    FolderListing none(empty);
    ASSERT_TRUE(none.started());
    FolderEntry e;
    EXPECT_FALSE(none.next(e)); // only "." and "..", which are skipped
    EXPECT_FALSE(none.next(e)); // asking again past the end stays quiet

    for (int i = 0; i < 40; ++i)
        writeFile(joinPath(dir, std::to_string(i) + ".bin"), "");
    FolderListing many(dir);
    ASSERT_TRUE(many.started());
    int files = 0;
    int folders = 0;
    while (many.next(e))
        (e.isFolder ? folders : files)++;
    EXPECT_EQ(files, 40);
    EXPECT_EQ(folders, 1);
    EXPECT_FALSE(many.next(e));
    EXPECT_FALSE(FolderListing(joinPath(dir, "1.bin")).started()); // a file is not a folder
}

TEST(Win32Environment, VariablesAreWideAndTempIsTEMP) {
    std::string value = "C:\\Temp\\\xC3\x9C"
                        "bersicht \xF0\x9F\x93\x8A";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LEDGERINE_W32_TEST", wideText(value).c_str()));
    EXPECT_EQ(environmentVariable("LEDGERINE_W32_TEST"), value);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LEDGERINE_W32_TEST", L""));
    EXPECT_EQ(environmentVariable("LEDGERINE_W32_TEST"), std::string());
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LEDGERINE_W32_TEST", nullptr));
    EXPECT_EQ(environmentVariable("LEDGERINE_W32_TEST"), std::nullopt);

    auto temp = environmentVariable("TEMP");
    EXPECT_EQ(systemTempFolder(), temp.value_or(""));
    std::wstring saved = wideText(temp.value_or(""));
    ::SetEnvironmentVariableW(L"TEMP", nullptr);
    EXPECT_EQ(systemTempFolder(), "");
    ::SetEnvironmentVariableW(L"TEMP", temp ? saved.c_str() : nullptr);
}

int64_t instantOf(const SYSTEMTIME& t) {
    FILETIME ft;
    EXPECT_TRUE(::SystemTimeToFileTime(&t, &ft));
    uint64_t ticks = (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000) - 11644473600;
}

// Whatever the machine's zone, winter and summer of years before and well after 2038 get the
// zone's standard and daylight offsets, and each offset maps the instant to the local time
// that the system maps back to the same instant.
TEST(Win32Time, OffsetsFollowTheSystemZoneRulesForAnyYear) {
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    ASSERT_NE(::GetDynamicTimeZoneInformation(&zone), TIME_ZONE_ID_INVALID);
    for (WORD year : {WORD{1970}, WORD{2019}, WORD{2040}, WORD{2100}, WORD{2400}}) {
        TIME_ZONE_INFORMATION rules;
        ASSERT_TRUE(::GetTimeZoneInformationForYear(year, &zone, &rules));
        int32_t standard = -(rules.Bias + rules.StandardBias) * 60;
        int32_t daylight = -(rules.Bias + rules.DaylightBias) * 60;
        std::vector<LocalOffset> seen;
        for (WORD month : {WORD{1}, WORD{7}}) {
            SYSTEMTIME utc{year, month, 0, 15, 12, 0, 0, 0};
            int64_t instant = instantOf(utc);
            LocalOffset got = localOffsetAt(instant);
            seen.push_back(got);
            if (rules.DaylightDate.wMonth == 0) {
                EXPECT_EQ(got.seconds, standard) << year << "-" << month;
                EXPECT_FALSE(got.dst) << year << "-" << month;
            } else {
                EXPECT_EQ(got.seconds, got.dst ? daylight : standard) << year << "-" << month;
            }
            // Local civil time = instant + offset; the system maps it back to the instant.
            uint64_t ticks = static_cast<uint64_t>(instant + got.seconds + 11644473600) * 10000000;
            FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
            SYSTEMTIME local;
            SYSTEMTIME back;
            ASSERT_TRUE(::FileTimeToSystemTime(&ft, &local));
            ASSERT_TRUE(::TzSpecificLocalTimeToSystemTime(&rules, &local, &back));
            EXPECT_EQ(instantOf(back), instant) << year << "-" << month;
        }
        if (rules.DaylightDate.wMonth != 0) {
            EXPECT_NE(seen[0].dst, seen[1].dst) << year; // one half of the year is summer
        }
    }
    // Far beyond the system's calendar: the last year's rules, no failure.
    EXPECT_EQ(localOffsetAt(int64_t{1} << 50).seconds, localOffsetAt(253402300799).seconds);
    EXPECT_EQ(localOffsetAt(-(int64_t{1} << 50)).seconds, localOffsetAt(-11644473600).seconds);
}

TEST(Win32Time, TimeOfDayIsInRange) {
    TimeOfDay t = localTimeOfDay();
    EXPECT_TRUE(t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
                t.second < 61);
}

} // namespace
} // namespace ledgerine::platform
