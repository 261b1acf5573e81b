// The window shell's error boundary: what an exception raised in a handler becomes in the
// error box, and that the box is shown with the exact caption and text while the program goes
// on.
#include "base/errors.h"
#include "gui/win32/event_dispatch.h"
#include "gui/win32/window_support.h"

#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace ledgerine::gui::win32 {
namespace {

TEST(EventDispatchTest, ReportsEachKindOfException) {
    struct Case {
        std::function<void()> raise;
        std::string message;
        std::string name;
    };
    const Case cases[] = {
        {[] { throw base::IOError("cannot open: C:\\in\\a.xlsx"); }, "cannot open: C:\\in\\a.xlsx",
         "IOError"},
        {[] { throw base::InvalidXlsxFileError("[ZIP] Can't open xlsx file: a.xlsx"); },
         "[ZIP] Can't open xlsx file: a.xlsx", "InvalidXlsxFileError"},
        {[] { throw base::rangeError(5, 0, 3); }, "value out of range: 5 notin 0 .. 3",
         "RangeError"},
        {[] { throw std::bad_alloc(); }, "out of memory", "OutOfMemError"},
        {[] { throw std::runtime_error("broken"); }, "broken", "Exception"},
        {[] { throw 42; }, "unknown error", "Exception"},
    };
    for (const Case& c : cases) {
        ErrorReport report;
        try {
            c.raise();
        } catch (...) {
            report = currentErrorReport();
        }
        EXPECT_EQ(report.message, c.message);
        EXPECT_EQ(report.name, c.name);
    }
}

TEST(EventDispatchTest, ShowsTheErrorBoxAndGoesOn) {
    testing::testApplication();
    testing::MessageBoxAnswerer answerer{std::wstring(kErrorBoxCaption)};
    bool after = false;
    dispatchEvent(nullptr, [] { throw base::NotFoundSheetError("no such sheet name: Data"); });
    after = true;
    ASSERT_TRUE(answerer.finish());
    EXPECT_EQ(answerer.text(), L"no such sheet name: Data [NotFoundSheetError]");
    EXPECT_TRUE(after);

    // A handler that returns normally shows nothing.
    testing::MessageBoxAnswerer quiet{std::wstring(kErrorBoxCaption)};
    int runs = 0;
    dispatchEvent(nullptr, [&] { ++runs; });
    EXPECT_FALSE(quiet.finish());
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace ledgerine::gui::win32
