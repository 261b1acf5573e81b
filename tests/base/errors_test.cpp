#include "base/errors.h"

#include <gtest/gtest.h>

#include "base/checked.h"

namespace ledgerine::base {
namespace {

TEST(Errors, EveryKindKnowsItsNameAndBase) {
    EXPECT_EQ(IOError("cannot open: x").report(), "cannot open: x [IOError]");
    EXPECT_EQ(NotFoundSheetError("no such sheet name: S").report(),
              "no such sheet name: S [NotFoundSheetError]");
    try {
        throw InvalidXlsxFileError("[ZIP] Can't open xlsx file: a.xlsx");
    } catch (const XlsxError& e) {
        EXPECT_EQ(e.name(), "InvalidXlsxFileError");
        EXPECT_STREQ(e.what(), "[ZIP] Can't open xlsx file: a.xlsx");
    }
    EXPECT_EQ(UnKnownSheetDataKindError("unsupport sheet data kind").name(),
              "UnKnownSheetDataKindError");
    EXPECT_EQ(OutOfMemError("out of memory").name(), "OutOfMemError");
}

TEST(Errors, MessageForms) {
    EXPECT_EQ(indexError(3, 0).message(), "index out of bounds, the container is empty");
    EXPECT_EQ(indexError(5, 3).message(), "index 5 not in 0 .. 2");
    EXPECT_EQ(indexError(-1, 3).message(), "index -1 not in 0 .. 2");
    EXPECT_EQ(rangeError(-4, 0, 2147483647).message(),
              "value out of range: -4 notin 0 .. 2147483647");
    EXPECT_EQ(overflowError().message(), "over- or underflow");
}

TEST(CheckedArithmetic, LimitsAndOverflow) {
    EXPECT_EQ(checkedAdd(INT32_MAX - 1, 1), INT32_MAX);
    EXPECT_EQ(checkedSub(INT32_MIN + 1, 1), INT32_MIN);
    EXPECT_EQ(checkedMul(46340, 46340), 2147395600);
    EXPECT_EQ(checkedMul(-65536, 32768), INT32_MIN);
    EXPECT_THROW(checkedAdd(INT32_MAX, 1), OverflowError);
    EXPECT_THROW(checkedSub(INT32_MIN, 1), OverflowError);
    EXPECT_THROW(checkedMul(65536, 32768), OverflowError);
    EXPECT_THROW(checkedMul(-1, INT32_MIN), OverflowError);
    try {
        checkedAdd(INT32_MIN, -1);
    } catch (const Error& e) {
        EXPECT_EQ(e.report(), "over- or underflow [OverflowError]");
    }
}

} // namespace
} // namespace ledgerine::base
