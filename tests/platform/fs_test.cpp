#include "platform/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/errors.h"
#include "base/paths.h"
#include "platform/system.h"
#include "support/package_builder.h"

namespace ledgerine::platform {
namespace {

using base::joinPath;
using testing::readFile;
using testing::scratchFolder;
using testing::writeFile;

TEST(FileSystem, WriteReadSizeAndExistence) {
    std::string dir = scratchFolder("fs_basic");
    std::string file = joinPath(dir, "a.bin");
    std::string bytes("x\r\ny\0z\n", 7);
    writeFile(file, bytes);
    EXPECT_EQ(readFile(file), bytes); // byte-exact, no newline translation
    EXPECT_EQ(fileSize(file), 7u);
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(folderExists(file));
    EXPECT_TRUE(folderExists(dir));
    EXPECT_FALSE(fileExists(dir));
    EXPECT_EQ(openRead(dir), nullptr);
    EXPECT_EQ(openRead(joinPath(dir, "missing")), nullptr);
}

TEST(FileSystem, SizeOfMissingFileIsOSErrorWithQuotedPath) {
    std::string missing = joinPath(scratchFolder("fs_size"), "no \"such\".xlsx");
    try {
        fileSize(missing);
        FAIL() << "no error";
    } catch (const base::OSError& e) {
        std::string quoted = "\"";
        for (char c : missing) {
            if (c == '"' || c == '\\') quoted.push_back('\\');
            quoted.push_back(c);
        }
        quoted += "\"";
        EXPECT_NE(e.message().find("Additional info: " + quoted), std::string::npos)
            << e.message();
    }
}

TEST(FileSystem, CreateFoldersWithParentsAndFileInTheWay) {
    std::string dir = scratchFolder("fs_create");
    std::string deep = joinPath(joinPath(joinPath(dir, "a"), "b"), "c");
    createFolders(deep);
    createFolders(deep); // existing: nothing happens
    EXPECT_TRUE(folderExists(deep));
    std::string file = joinPath(dir, "file");
    writeFile(file, "x");
    std::string blocked = joinPath(file, "sub");
    try {
        createFolders(blocked);
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "Failed to create '" + blocked + "'");
    }
    try {
        createFolders(file);
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "Failed to create '" + file + "'");
    }
}

TEST(FileSystem, RemoveTreeRemovesEverythingAndToleratesAbsence) {
    std::string dir = scratchFolder("fs_remove");
    std::string tree = joinPath(dir, "t");
    createFolders(joinPath(joinPath(tree, "x"), "y"));
    writeFile(joinPath(tree, "f1"), "1");
    writeFile(joinPath(joinPath(joinPath(tree, "x"), "y"), "f2"), "2");
    removeTree(tree);
    EXPECT_FALSE(folderExists(tree));
    removeTree(tree); // already gone: no error
}

TEST(FileSystem, ListingGivesEveryEntryOnceWithKinds) {
    std::string dir = scratchFolder("fs_list");
    createFolders(joinPath(dir, "sub"));
    writeFile(joinPath(dir, "a.xlsx"), "a");
    writeFile(joinPath(dir, "b.csv"), "b");
    FolderListing listing(dir);
    ASSERT_TRUE(listing.started());
    std::vector<std::string> names;
    FolderEntry e;
    while (listing.next(e)) {
        names.push_back(e.name + (e.isFolder ? "/" : "") + (e.isReparsePoint ? "@" : ""));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.xlsx", "b.csv", "sub/"}));
    FolderListing missing(joinPath(dir, "nope"));
    EXPECT_FALSE(missing.started());
    EXPECT_FALSE(missing.next(e));
}

TEST(FileSystem, LockIsExclusiveAcrossHolders) {
    std::string lockPath = joinPath(scratchFolder("fs_lock"), "x.lock");
    std::atomic<bool> secondHeld{false};
    std::thread second;
    {
        FileLock first(lockPath);
        second = std::thread([&] {
            FileLock again(lockPath); // waits for the first holder
            secondHeld = true;
        });
        sleepMilliseconds(100);
        EXPECT_FALSE(secondHeld.load());
    }
    second.join();
    EXPECT_TRUE(secondHeld.load());
}

} // namespace
} // namespace ledgerine::platform
