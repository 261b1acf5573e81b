#include "xlsx/package.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include <zip.h>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "support/package_builder.h"

namespace ledgerine::xlsx {
namespace {

using testing::PackageEntries;
using testing::readFile;
using testing::scratchFolder;
using testing::writeFile;
using testing::writePackage;

// The temporary directory is fixed at its first use, so it is moved into a folder of this
// executable's own before any test runs; other suites running in parallel keep theirs.
const bool privateTemp = [] {
    std::string folder = scratchFolder("package_test_temp");
    ::ledgerine::testing::setTempFolder(folder);
    return true;
}();

std::string join(const std::string& a, const std::string& b) {
    return base::joinPath(a, b);
}

// Every file and folder beneath root, relative, "/"-separated, folders ending in "/", sorted.
void listTree(const std::string& root, const std::string& rel, std::vector<std::string>& out) {
    platform::FolderListing listing(rel.empty() ? root : join(root, rel));
    platform::FolderEntry entry;
    while (listing.next(entry)) {
        std::string path = rel.empty() ? entry.name : rel + "/" + entry.name;
        if (entry.isFolder) {
            out.push_back(path + "/");
            listTree(root, path, out);
        } else {
            out.push_back(path);
        }
    }
}
std::vector<std::string> tree(const std::string& root) {
    std::vector<std::string> out;
    listTree(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

void unpack(const std::string& package, const std::string& destination) {
    PackageArchive archive;
    ASSERT_TRUE(openArchive(archive, package, ArchiveMode::Read));
    extractEntries(archive, destination);
    closeArchive(archive);
}

// Writes a package with one stored (uncompressed) entry, so its header fields sit at known
// offsets and can be altered by the tests.
std::string storedPackage(const std::string& path, const std::string& name,
                          const std::string& bytes) {
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(z, nullptr);
    zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
    zip_int64_t index = zip_file_add(z, name.c_str(), src, 0);
    EXPECT_GE(index, 0);
    EXPECT_EQ(zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0), 0);
    EXPECT_EQ(zip_close(z), 0);
    return readFile(path);
}

// Overwrites a 16- or 32-bit field of the local header (at localOffset) and of the central
// directory header (at centralOffset) of the package's only entry.
void patchHeaders(std::string& bytes, size_t localOffset, size_t centralOffset, uint32_t value,
                  size_t width) {
    size_t central = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    for (size_t at : {localOffset, central + centralOffset})
        for (size_t i = 0; i < width; ++i)
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(ExtractXml, MissingOrFolderPathIsNotAnXlsxFile) {
    std::string dir = scratchFolder("extract_not_exists");
    for (const std::string& path : {dir, join(dir, "missing.xlsx")}) {
        platform::removeTree(tempDirectory());
        try {
            extractXml(path);
            FAIL() << path;
        } catch (const base::NotExistsXlsxFileError& e) {
            EXPECT_EQ(e.report(), "No such xlsx file: " + path + " [NotExistsXlsxFileError]");
        }
        EXPECT_FALSE(platform::folderExists(tempDirectory()));
    }
}

TEST(ExtractXml, TextFileIsInvalidAndCreatesNoTemporaryDirectory) {
    std::string path = join(scratchFolder("extract_text"), "notes.xlsx");
    writeFile(path, "just some text, not an archive\n");
    platform::removeTree(tempDirectory());
    try {
        extractXml(path);
        FAIL();
    } catch (const base::InvalidXlsxFileError& e) {
        EXPECT_EQ(e.report(), "[ZIP] Can't open xlsx file: " + path + " [InvalidXlsxFileError]");
    }
    EXPECT_FALSE(platform::folderExists(tempDirectory()));
}

TEST(ExtractXml, UnpacksIntoTheTemporaryDirectory) {
    std::string path = join(scratchFolder("extract_temp"), "book.xlsx");
    writePackage(path, {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook/>"}});
    platform::removeTree(tempDirectory());
    extractXml(path);
    EXPECT_EQ(tree(tempDirectory()),
              (std::vector<std::string>{"[Content_Types].xml", "xl/", "xl/workbook.xml"}));
    platform::removeTree(tempDirectory());
}

TEST(TempDirectory, LiesInTheSystemTemporaryFolder) {
    EXPECT_EQ(tempDirectory(), join(platform::systemTempFolder(), "xlsx_ravel_tmp"));
    EXPECT_EQ(tempLockPath(), tempDirectory() + ".lock");
}

TEST(ExtractEntries, WritesEveryEntryCreatingFolders) {
    std::string dir = scratchFolder("extract_entries");
    std::string package = join(dir, "book.xlsx");
    std::string big(20000, 'x'); // more than one copy buffer
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = static_cast<char>('a' + i % 26);
    writePackage(package, {{"[Content_Types].xml", "<Types/>"},
                           {"xl/workbook.xml", "<workbook/>"},
                           {"xl/worksheets/sheet1.xml", big},
                           {"xl/media/", ""},
                           {"xl/empty.xml", ""},
                           {"docProps/app.xml", "a\r\nb\n"}});
    std::string dest = join(dir, "D");
    unpack(package, dest);
    EXPECT_EQ(tree(dest),
              (std::vector<std::string>{"[Content_Types].xml", "docProps/", "docProps/app.xml",
                                        "xl/", "xl/empty.xml", "xl/media/", "xl/workbook.xml",
                                        "xl/worksheets/", "xl/worksheets/sheet1.xml"}));
    EXPECT_EQ(readFile(join(dest, "xl/worksheets/sheet1.xml")), big);
    EXPECT_EQ(readFile(join(dest, "xl/workbook.xml")), "<workbook/>");
    EXPECT_EQ(readFile(join(dest, "docProps/app.xml")), "a\r\nb\n"); // byte for byte
    EXPECT_EQ(platform::fileSize(join(dest, "xl/empty.xml")), 0u);
}

TEST(ExtractEntries, ZeroLengthFileIsAnArchiveWithoutEntries) {
    std::string dir = scratchFolder("extract_zero");
    std::string package = join(dir, "empty.xlsx");
    writeFile(package, "");
    std::string dest = join(dir, "D/sub");
    unpack(package, dest);
    EXPECT_TRUE(platform::folderExists(dest));
    EXPECT_TRUE(tree(dest).empty());
}

TEST(ExtractEntries, OverwritesSameNamesAndKeepsOtherFiles) {
    std::string dir = scratchFolder("extract_overwrite");
    std::string dest = join(dir, "D");
    platform::createFolders(join(dest, "xl"));
    writeFile(join(dest, "xl/workbook.xml"), "old and longer content");
    writeFile(join(dest, "other.txt"), "stays");
    std::string package = join(dir, "book.xlsx");
    writePackage(package, {{"xl/workbook.xml", "new"}});
    unpack(package, dest);
    EXPECT_EQ(readFile(join(dest, "xl/workbook.xml")), "new");
    EXPECT_EQ(readFile(join(dest, "other.txt")), "stays");
}

TEST(ExtractEntries, NamesThatWouldLeaveTheDestinationAreNotWritten) {
    std::string dir = scratchFolder("extract_unsafe");
    std::string outsideAbs = join(dir, "abs.xml");
    struct Case {
        std::string name;
        std::vector<std::string> expected; // the tree of D besides ok.xml
    };
    const std::vector<Case> cases = {
        {"../../x.xml", {}},
        {"../x.xml", {}},
        {"a/../../x.xml", {}},
        {"a/../b.xml", {}},
        {"..", {}},
        {"../evil/", {}},
        {".. /x.xml", {}},
        {"a/.../x.xml", {}},
        {outsideAbs, {}},
        {"/x.xml", {}},
        {"\\x.xml", {}},
        {"\\\\server\\share\\x.xml", {}},
        {"C:x.xml", {}},
        {"c:/x.xml", {}},
        {"./", {}},
        {".", {}},
        // Names that stay inside are written.
        {"a/./b.xml", {"a/", "a/b.xml"}},
        {"x\\y.xml", {"x/", "x/y.xml"}},
        {"a/..b.xml", {"a/", "a/..b.xml"}},
        {"a//b.xml", {"a/", "a/b.xml"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string work = join(dir, "w");
        platform::removeTree(work);
        std::string dest = join(work, "a/b/D");
        std::string package = join(dir, "unsafe.xlsx");
        writePackage(package, {{c.name, "bad"}, {"ok.xml", "ok"}});
        unpack(package, dest);
        std::vector<std::string> expected = c.expected;
        expected.push_back("ok.xml");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(tree(dest), expected);
        // Nothing beside the destination or above it.
        for (const std::string& p : tree(work))
            EXPECT_TRUE(p == "a/" || p == "a/b/" || p.rfind("a/b/D/", 0) == 0) << p;
        EXPECT_FALSE(platform::fileExists(outsideAbs));
        EXPECT_FALSE(platform::fileExists(join(dir, "x.xml")));
    }
}

TEST(ExtractEntries, EntryThatFailsItsChecksumIsStillWrittenInFull) {
    std::string dir = scratchFolder("extract_crc");
    std::string package = join(dir, "crc.xlsx");
    std::string bytes = storedPackage(package, "xl/workbook.xml", "<workbook>abc</workbook>");
    patchHeaders(bytes, 14, 16, 0x12345678u, 4); // the CRC-32 fields
    writeFile(package, bytes);
    std::string dest = join(dir, "D");
    unpack(package, dest);
    EXPECT_EQ(readFile(join(dest, "xl/workbook.xml")), "<workbook>abc</workbook>");
}

TEST(ExtractEntries, EntryWithUnsupportedCompressionCannotBeRead) {
    std::string dir = scratchFolder("extract_method");
    std::string package = join(dir, "method.xlsx");
    std::string bytes = storedPackage(package, "xl/styles.xml", "<styleSheet/>");
    patchHeaders(bytes, 8, 10, 77, 2); // the compression method fields: no such method
    writeFile(package, bytes);
    std::string dest = join(dir, "D");
    PackageArchive archive;
    ASSERT_TRUE(openArchive(archive, package, ArchiveMode::Read));
    try {
        extractEntries(archive, dest);
        FAIL();
    } catch (const base::InvalidXlsxFileError& e) {
        EXPECT_EQ(e.report(), "[ZIP] Can't read entry: xl/styles.xml [InvalidXlsxFileError]");
    }
    EXPECT_FALSE(platform::fileExists(join(dest, "xl/styles.xml")));
}

TEST(ExtractEntries, EncryptedEntryCannotBeRead) {
    if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1))
        GTEST_SKIP() << "libzip built without encryption";
    std::string dir = scratchFolder("extract_encrypted");
    std::string package = join(dir, "secret.xlsx");
    static const char content[] = "<sst/>";
    int error = 0;
    zip_t* z = zip_open(package.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    zip_source_t* src = zip_source_buffer(z, content, sizeof content - 1, 0);
    zip_int64_t index = zip_file_add(z, "xl/sharedStrings.xml", src, 0);
    ASSERT_GE(index, 0);
    ASSERT_EQ(zip_file_set_encryption(z, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, "pw"),
              0);
    ASSERT_EQ(zip_close(z), 0);
    PackageArchive archive;
    ASSERT_TRUE(openArchive(archive, package, ArchiveMode::Read));
    try {
        extractEntries(archive, join(dir, "D"));
        FAIL();
    } catch (const base::InvalidXlsxFileError& e) {
        EXPECT_EQ(e.message(), "[ZIP] Can't read entry: xl/sharedStrings.xml");
    }
}

TEST(ExtractEntries, FileInTheWayOfAFolder) {
    std::string dir = scratchFolder("extract_in_the_way");
    std::string package = join(dir, "book.xlsx");
    writePackage(package, {{"xl", "a file"}, {"xl/workbook.xml", "<workbook/>"}});
    std::string dest = join(dir, "D");
    PackageArchive archive;
    ASSERT_TRUE(openArchive(archive, package, ArchiveMode::Read));
    try {
        extractEntries(archive, dest);
        FAIL();
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "Failed to create '" + join(dest, "xl") + "'");
    }
}

TEST(PartPath, JoinsBeneathTheDirectory) {
    const std::string d = join("T", "tmp");
    struct Case {
        std::string part;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/xl/workbook.xml", join(join(d, "xl"), "workbook.xml")},
        {"xl/workbook.xml", join(join(d, "xl"), "workbook.xml")},
        {"\\xl\\styles.xml", join(join(d, "xl"), "styles.xml")},
        {"[Content_Types].xml", join(d, "[Content_Types].xml")},
        {"/xl/../../../etc/passwd", join(join(d, "etc"), "passwd")},
        {"/xl/./worksheets//sheet1.xml", join(join(join(d, "xl"), "worksheets"), "sheet1.xml")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(partPath(d, c.part), c.expected) << c.part;
}

TEST(LoadSession, ReturnsTheResultAndRemovesTheDirectory) {
    std::string path = join(scratchFolder("session_ok"), "book.xlsx");
    writePackage(path, {{"xl/workbook.xml", "<workbook/>"}});
    // What an interrupted load left behind is not read as this workbook's.
    platform::createFolders(join(tempDirectory(), "xl"));
    writeFile(join(tempDirectory(), "xl/sharedStrings.xml"), "stale");
    std::vector<std::string> seen = withExtractedPackage(path, [](const std::string& dir) {
        EXPECT_EQ(dir, tempDirectory());
        return tree(dir);
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"xl/", "xl/workbook.xml"}));
    EXPECT_FALSE(platform::folderExists(tempDirectory()));
}

TEST(LoadSession, ErrorsPassOnAfterTheDirectoryIsRemoved) {
    std::string path = join(scratchFolder("session_error"), "book.xlsx");
    writePackage(path, {{"xl/workbook.xml", "<workbook/>"}});
    EXPECT_THROW(withExtractedPackage(path,
                                      [](const std::string&) -> int {
                                          throw base::ValueError("cannot interpret as a bool: t");
                                      }),
                 base::ValueError);
    EXPECT_FALSE(platform::folderExists(tempDirectory()));
}

TEST(LoadSession, UnpackingErrorLeavesNoDirectory) {
    std::string dir = scratchFolder("session_unpack_error");
    std::string package = join(dir, "method.xlsx");
    std::string bytes = storedPackage(package, "xl/styles.xml", "<styleSheet/>");
    patchHeaders(bytes, 8, 10, 77, 2);
    writeFile(package, bytes);
    EXPECT_THROW(withExtractedPackage(package, [](const std::string&) {}),
                 base::InvalidXlsxFileError);
    EXPECT_FALSE(platform::folderExists(tempDirectory()));
}

TEST(LoadSession, HoldsTheLockUntilTheDirectoryIsGone) {
    std::string path = join(scratchFolder("session_lock"), "book.xlsx");
    writePackage(path, {{"xl/workbook.xml", "<workbook/>"}});
    std::atomic<bool> released{false};
    std::atomic<bool> sawDirectory{true};
    std::thread other;
    withExtractedPackage(path, [&](const std::string&) {
        other = std::thread([&] {
            platform::FileLock lock(tempLockPath());
            sawDirectory = platform::folderExists(tempDirectory());
            EXPECT_TRUE(released.load());
        });
        // Gives the other thread time to reach the lock; correctness does not depend on it.
        platform::sleepMilliseconds(50);
    });
    released = true;
    other.join();
    EXPECT_FALSE(sawDirectory.load());
}

TEST(FileLockBetweenLoads, SecondHolderWaits) {
    std::atomic<bool> released{false};
    std::atomic<bool> acquired{false};
    std::thread other;
    {
        platform::FileLock first(tempLockPath());
        other = std::thread([&] {
            platform::FileLock second(tempLockPath());
            acquired = true;
            EXPECT_TRUE(released.load());
        });
        platform::sleepMilliseconds(50);
        EXPECT_FALSE(acquired.load());
        released = true;
    }
    other.join();
    EXPECT_TRUE(acquired.load());
}

#ifndef _WIN32
// A folder nested so deep that its path exceeds the system's limit cannot be removed by path:
// the one way, short of privileges, to make the removal fail even for the superuser.
void makeDeepTree(const std::string& root) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::string name(200, 'd');
    for (int level = 0; level < 24; ++level) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0777), 0);
        int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    int file = ::openat(fd, "leaf.xml", O_CREAT | O_WRONLY, 0666);
    ::close(file);
    ::close(fd);
}

void removeDeep(int parent, const char* name) {
    int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    DIR* d = ::fdopendir(fd);
    std::vector<std::string> children;
    while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            children.push_back(e->d_name);
    for (const std::string& c : children)
        removeDeep(fd, c.c_str());
    ::closedir(d);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

TEST(LoadSession, FailedRemovalRaisesOSErrorInPlaceOfTheError) {
    std::string path = join(scratchFolder("session_removal"), "book.xlsx");
    writePackage(path, {{"xl/workbook.xml", "<workbook/>"}});
    for (bool fnFails : {false, true}) {
        SCOPED_TRACE(fnFails);
        EXPECT_THROW(withExtractedPackage(path,
                                          [&](const std::string& dir) {
                                              makeDeepTree(dir);
                                              if (fnFails)
                                                  throw base::KeyError("key not found: styles");
                                          }),
                     base::OSError);
        removeDeep(AT_FDCWD, tempDirectory().c_str());
        EXPECT_FALSE(platform::folderExists(tempDirectory()));
    }
}
#endif

} // namespace
} // namespace ledgerine::xlsx
