// The sheet data model: one cell value before it becomes text (SheetData, SheetDataKind), a
// worksheet's records (RawSheet) and a finished worksheet grid of texts (Sheet).
//
// A Sheet keeps only the slots that hold a value, packed into byte blocks of 1 MiB (column
// step, kind, length, bytes; a few bytes of overhead per cell; a row's cells stay together in
// one block), so an empty slot costs nothing, a dimension claimed by a file never sizes an
// allocation by itself, and growing never copies the whole grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::xlsx {

enum class SheetDataKind : uint8_t {
    Initial,
    Boolean,
    Date,
    Time,
    Error,
    InlineStr,
    Num,
    SharedString,
    Formula,
};

// Reading a field the current kind lacks: a programming error, never a user's.
class FieldDefect : public std::logic_error {
public:
    explicit FieldDefect(const std::string& field);
};

// A variant record: kind decides which fields exist (Formula has fvalue and fnvalue, Initial
// none, every other kind one). Giving a new kind discards the old fields.
class SheetData {
public:
    SheetDataKind kind() const { return kind_; }
    void setKind(SheetDataKind kind);

    std::string& bvalue() { return field(SheetDataKind::Boolean, "bvalue"); }
    std::string& dvalue() { return field(SheetDataKind::Date, "dvalue"); }
    std::string& tValue() { return field(SheetDataKind::Time, "tValue"); }
    std::string& error() { return field(SheetDataKind::Error, "error"); }
    std::string& isvalue() { return field(SheetDataKind::InlineStr, "isvalue"); }
    std::string& nvalue() { return field(SheetDataKind::Num, "nvalue"); }
    std::string& svalue() { return field(SheetDataKind::SharedString, "svalue"); }
    std::string& fvalue() { return field(SheetDataKind::Formula, "fvalue"); }
    std::string& fnvalue();

    const std::string& bvalue() const { return cfield(SheetDataKind::Boolean, "bvalue"); }
    const std::string& dvalue() const { return cfield(SheetDataKind::Date, "dvalue"); }
    const std::string& tValue() const { return cfield(SheetDataKind::Time, "tValue"); }
    const std::string& error() const { return cfield(SheetDataKind::Error, "error"); }
    const std::string& isvalue() const { return cfield(SheetDataKind::InlineStr, "isvalue"); }
    const std::string& nvalue() const { return cfield(SheetDataKind::Num, "nvalue"); }
    const std::string& svalue() const { return cfield(SheetDataKind::SharedString, "svalue"); }
    const std::string& fvalue() const { return cfield(SheetDataKind::Formula, "fvalue"); }
    const std::string& fnvalue() const;

    // The one text of a one-text kind (the formula text for Formula); empty for Initial.
    const std::string& first() const { return first_; }

private:
    std::string& field(SheetDataKind k, const char* name);
    const std::string& cfield(SheetDataKind k, const char* name) const;

    SheetDataKind kind_ = SheetDataKind::Initial;
    std::string first_;
    std::string second_;
};

struct Shape {
    int32_t rows = 0;
    int32_t columns = 0;
    bool operator==(const Shape&) const = default;
};

// A worksheet's records before any cell becomes text. Only slots that hold a record other
// than Initial are kept, in slot order (row-major). negativeColumns holds a column count below
// zero from a range reversed in both directions (shape then stays (0, 0)); the grid builder
// refuses it.
struct RawSheet {
    Shape shape;
    int32_t firstColumn = 0;
    int32_t firstRow = 0;
    bool date1904 = false;
    int32_t negativeColumns = 0;
    struct Slot {
        int32_t index;
        SheetData data;
    };
    std::vector<Slot> cells;
};

// A finished worksheet: shape, the text of every slot, the header flag and the column kinds.
class Sheet {
public:
    Shape shape;
    bool header = false;
    std::vector<SheetDataKind> colType;

    struct CellView {
        int32_t row;    // grid row, from 0
        int32_t column; // grid column, from 0
        SheetDataKind kind;
        std::string_view text;
    };

    // Calls f(const CellView&) for every stored slot in row-major order. Slots not visited
    // hold the empty text.
    template <class F> void forEachCell(F&& f) const;

    // The text of grid position (row, column): empty where no cell filled it.
    std::string_view text(int32_t row, int32_t column) const;
    // Every slot's text in row-major order (rows × columns texts; for tests and small sheets).
    std::vector<std::string> data() const;

    size_t storedCells() const { return cellCount_; }
    // Bytes held by the grid's storage (for the memory budget).
    size_t storageBytes() const;

    // Building: cells are appended in strictly increasing row-major order.
    // Throws std::logic_error when the order is broken.
    void append(int32_t row, int32_t column, SheetDataKind kind, std::string_view text);
    // Releases spare capacity once the grid is complete.
    void shrink();

    // Building by worksheet positions, for a reader that learns the grid's first row and
    // column only after the last cell: cells go in at their own row and column numbers (rows
    // may be negative, columns not), in strictly increasing row-major order, and setOrigin
    // then names the position that becomes grid row 0, column 0.
    void appendAt(int32_t row, int32_t column, SheetDataKind kind, std::string_view text);
    // True when appendAt(row, column, ...) would keep the order.
    bool followsLast(int32_t row, int32_t column) const {
        return rows_.empty() || rows_.back().row < row ||
               (rows_.back().row == row && column > lastColumn_);
    }
    void setOrigin(int32_t row, int32_t column) {
        rowOrigin_ = row;
        columnOrigin_ = column;
    }
    // Drops every stored cell of grid rows before gridRow (their bytes stay in the arena).
    void dropRowsBefore(int32_t gridRow);
    // Drops every stored cell at or after grid position (gridRow, gridColumn) in row-major
    // order.
    void dropFrom(int32_t gridRow, int32_t gridColumn);
    // The kinds of one grid row's cells, Initial where the row has no cell; columns long.
    std::vector<SheetDataKind> rowKinds(int32_t gridRow, int32_t columns) const;

private:
    struct RowEntry {
        int32_t row;
        uint32_t cells;
        uint32_t block;  // the block that holds the row's cells
        uint32_t offset; // start of the row's cells in that block
    };
    static size_t readVarint(const std::string& arena, size_t& pos);
    // The stored row with that number, or nullptr.
    const RowEntry* findRow(int64_t row) const;
    // Makes room for n more bytes of the current row without moving any block.
    std::string& room(size_t n);

    std::vector<RowEntry> rows_;
    std::vector<std::string> blocks_;
    int32_t lastColumn_ = -1;
    size_t cellCount_ = 0;
    int32_t rowOrigin_ = 0;
    int32_t columnOrigin_ = 0;
};

template <class F> void Sheet::forEachCell(F&& f) const {
    for (const RowEntry& r : rows_) {
        const std::string& arena = blocks_[r.block];
        size_t pos = r.offset;
        int32_t column = -1;
        for (uint32_t i = 0; i < r.cells; ++i) {
            column += static_cast<int32_t>(readVarint(arena, pos)) + 1;
            auto kind = static_cast<SheetDataKind>(static_cast<uint8_t>(arena[pos++]));
            size_t len = readVarint(arena, pos);
            f(CellView{r.row - rowOrigin_, column - columnOrigin_, kind,
                       std::string_view(arena).substr(pos, len)});
            pos += len;
        }
    }
}

// Column letters to number: A = 1 … Z = 26, AA = 27, XFD = 16384; empty gives 0.
// OverflowError for letters beyond 32 bits.
int32_t columnNumber(std::string_view letters);

// A cell reference such as B3: the run of uppercase letters, then the row number read by the
// integer prefix rule (0 when no digit follows). Returns the bytes used.
struct CellReference {
    std::string_view letters;
    int32_t row = 0;
};
size_t readCellReference(std::string_view text, size_t pos, CellReference& out);

} // namespace ledgerine::xlsx
