#include "base/paths.h"

#include <gtest/gtest.h>

#include "platform/system.h"

namespace ledgerine::base {
namespace {

std::string sep(std::string s) {
    for (char& c : s)
        if (c == '|') c = platform::pathSeparator();
    return s;
}

TEST(Paths, TakingApartAcceptsBothSeparators) {
    struct Case {
        std::string path, parent, last;
    } const cases[] = {
        {"D:\\work\\reports", "D:\\work", "reports"},
        {"D:\\work\\reports\\", "D:\\work", "reports"},
        {"/home/u/reports//", "/home/u", "reports"},
        {"D:/work/Q1.xlsx", "D:/work", "Q1.xlsx"},
        {"mixed\\a/b.xlsx", "mixed\\a", "b.xlsx"},
        {"/top", "/", "top"},
        {"D:\\top", "D:\\", "top"},
        {"Q1.xlsx", "", "Q1.xlsx"},
        {"D:Q1.xlsx", "D:", "Q1.xlsx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(parentPath(c.path), c.parent);
        EXPECT_EQ(lastComponent(c.path), c.last);
    }
}

TEST(Paths, JoinWritesOnePlatformSeparator) {
    EXPECT_EQ(joinPath("a", "b"), sep("a|b"));
    EXPECT_EQ(joinPath("a/", "b"), "a/b");
    EXPECT_EQ(joinPath("a\\", "/b"), "a\\b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(joinPath("/", "x"), "/x");
}

TEST(Paths, Roots) {
    for (std::string root : {"/", "\\", "D:", "D:\\", "d:/", "//", "\\\\server\\share",
                             "\\\\server\\share\\"})
        EXPECT_TRUE(isRootPath(root)) << root;
    for (std::string notRoot : {"", "/a", "D:\\a", "a", "\\\\server\\share\\dir"})
        EXPECT_FALSE(isRootPath(notRoot)) << notRoot;
    EXPECT_TRUE(isAbsolutePath("/x"));
    EXPECT_TRUE(isAbsolutePath("C:\\x"));
    EXPECT_FALSE(isAbsolutePath("x/y"));
    EXPECT_FALSE(isAbsolutePath("C:x"));
}

} // namespace
} // namespace ledgerine::base
