#include "xlsx/sheet.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

using K = SheetDataKind;

TEST(Sheet, EmptyShapeHasNoData) {
    Sheet s;
    EXPECT_TRUE(s.data().empty());
    EXPECT_TRUE(s.colType.empty());
    EXPECT_EQ(s.text(0, 0), "");
}

TEST(Sheet, ManyCellsAcrossBlocks) {
    // Rows of seven cells, some longer than a block, so rows move to fresh blocks whole.
    Sheet s;
    s.shape = {40000, 7};
    for (int32_t r = 0; r < 40000; ++r)
        for (int32_t c = 0; c < 7; c += (r % 3 == 0 ? 2 : 1))
            s.append(r, c, K::Num,
                     r == 20000 && c == 3 ? std::string(3u << 20, 'x')
                                          : std::to_string(r) + ":" + std::to_string(c));
    size_t seen = 0;
    bool ordered = true;
    int32_t lastRow = -1, lastColumn = -1;
    s.forEachCell([&](const Sheet::CellView& v) {
        if (v.row < lastRow || (v.row == lastRow && v.column <= lastColumn)) ordered = false;
        std::string expected = v.row == 20000 && v.column == 3
                                   ? std::string(3u << 20, 'x')
                                   : std::to_string(v.row) + ":" + std::to_string(v.column);
        if (v.text != expected) ordered = false;
        lastRow = v.row, lastColumn = v.column;
        ++seen;
    });
    EXPECT_TRUE(ordered);
    EXPECT_EQ(seen, s.storedCells());
    EXPECT_EQ(s.text(39999, 6), "39999:6");
    EXPECT_EQ(s.text(3, 1), ""); // every third row skips odd columns
    EXPECT_EQ(s.text(20000, 3).size(), 3u << 20);
}

TEST(Sheet, WorksheetPositionsAndOrigin) {
    Sheet s;
    s.appendAt(-2, 0, K::Num, "a");
    s.appendAt(5, 3, K::SharedString, "b");
    s.appendAt(5, 4, K::Boolean, "c");
    s.appendAt(6, 2, K::Num, "d");
    EXPECT_FALSE(s.followsLast(6, 2));
    EXPECT_TRUE(s.followsLast(6, 3));
    s.setOrigin(-2, 0);
    s.shape = {9, 5};
    EXPECT_EQ(s.text(0, 0), "a");
    EXPECT_EQ(s.text(7, 3), "b");
    EXPECT_EQ(s.rowKinds(7, 5),
              (std::vector<K>{K::Initial, K::Initial, K::Initial, K::SharedString, K::Boolean}));
    s.dropFrom(7, 4);
    EXPECT_EQ(s.text(7, 4), "");
    EXPECT_EQ(s.text(8, 2), "");
    EXPECT_EQ(s.storedCells(), 2u);
    s.dropRowsBefore(1);
    EXPECT_EQ(s.text(0, 0), "");
    EXPECT_EQ(s.storedCells(), 1u);
}

TEST(Sheet, OrderIsEnforced) {
    Sheet s;
    s.append(1, 1, K::Num, "x");
    EXPECT_THROW(s.append(1, 1, K::Num, "y"), std::logic_error);
    EXPECT_THROW(s.append(0, 5, K::Num, "y"), std::logic_error);
    EXPECT_THROW(s.append(-1, 0, K::Num, "y"), std::logic_error);
}

TEST(SheetData, FieldsFollowTheKind) {
    SheetData d;
    EXPECT_EQ(d.kind(), K::Initial);
    d.setKind(K::Formula);
    d.fvalue() = "A1";
    d.fnvalue() = "2";
    EXPECT_EQ(d.fnvalue(), "2");
    d.setKind(K::Num);
    EXPECT_EQ(d.nvalue(), "");
    try {
        (void)d.bvalue();
        FAIL();
    } catch (const FieldDefect& e) {
        EXPECT_STREQ(e.what(),
                     "'bvalue' is not accessible using discriminant 'kind' of type 'SheetData'");
    }
}

TEST(CellReference, Columns) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"", 0}, {"A", 1}, {"Z", 26}, {"AA", 27}, {"AZ", 52}, {"BA", 53}, {"XFD", 16384}};
    for (const auto& [letters, n] : cases)
        EXPECT_EQ(columnNumber(letters), n) << letters;
}

} // namespace
} // namespace ledgerine::xlsx
