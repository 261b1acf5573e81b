#include "xlsx/sheet.h"

#include "base/checked.h"
#include "base/text_rules.h"

#include <algorithm>
#include <stdexcept>

namespace ledgerine::xlsx {
namespace {

void writeVarint(std::string& arena, uint64_t v) {
    while (v >= 0x80) {
        arena.push_back(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    arena.push_back(static_cast<char>(v));
}

bool hasTwoTexts(SheetDataKind k) {
    return k == SheetDataKind::Formula;
}

constexpr size_t blockSize = size_t{1} << 20;

} // namespace

FieldDefect::FieldDefect(const std::string& field)
    : std::logic_error("'" + field +
                       "' is not accessible using discriminant 'kind' of type 'SheetData'") {}

void SheetData::setKind(SheetDataKind kind) {
    kind_ = kind;
    first_.clear();
    second_.clear();
}

std::string& SheetData::field(SheetDataKind k, const char* name) {
    if (kind_ != k) throw FieldDefect(name);
    return first_;
}

const std::string& SheetData::cfield(SheetDataKind k, const char* name) const {
    if (kind_ != k) throw FieldDefect(name);
    return first_;
}

std::string& SheetData::fnvalue() {
    if (!hasTwoTexts(kind_)) throw FieldDefect("fnvalue");
    return second_;
}

const std::string& SheetData::fnvalue() const {
    if (!hasTwoTexts(kind_)) throw FieldDefect("fnvalue");
    return second_;
}

size_t Sheet::readVarint(const std::string& arena, size_t& pos) {
    size_t v = 0;
    int shift = 0;
    for (;;) {
        auto b = static_cast<uint8_t>(arena[pos++]);
        v |= static_cast<size_t>(b & 0x7F) << shift;
        if (b < 0x80) return v;
        shift += 7;
    }
}

void Sheet::append(int32_t row, int32_t column, SheetDataKind kind, std::string_view text) {
    if (row < 0 || column < 0) throw std::logic_error("Sheet::append: negative position");
    appendAt(row + rowOrigin_, column + columnOrigin_, kind, text);
}

std::string& Sheet::room(size_t n) {
    if (!blocks_.empty() && blocks_.back().capacity() - blocks_.back().size() >= n)
        return blocks_.back();
    // A new block; the current row's bytes move along so the row stays in one block.
    size_t moved = 0;
    bool rowOpen =
        !rows_.empty() && rows_.back().cells > 0 && rows_.back().block + 1 == blocks_.size();
    if (rowOpen) moved = blocks_.back().size() - rows_.back().offset;
    std::string block;
    block.reserve(std::max(blockSize, moved + n));
    if (rowOpen) {
        block.append(blocks_.back(), rows_.back().offset, moved);
        blocks_.back().resize(rows_.back().offset);
    }
    if (blocks_.size() >= UINT32_MAX) throw std::length_error("Sheet: too many blocks");
    blocks_.push_back(std::move(block));
    if (!rows_.empty() && (rowOpen || rows_.back().cells == 0)) {
        rows_.back().block = static_cast<uint32_t>(blocks_.size() - 1);
        rows_.back().offset = 0;
    }
    return blocks_.back();
}

void Sheet::appendAt(int32_t row, int32_t column, SheetDataKind kind, std::string_view text) {
    if (column < 0) throw std::logic_error("Sheet::append: negative column");
    if (rows_.empty() || rows_.back().row != row) {
        if (!rows_.empty() && rows_.back().row > row)
            throw std::logic_error("Sheet::append: rows out of order");
        uint32_t block = blocks_.empty() ? 0 : static_cast<uint32_t>(blocks_.size() - 1);
        uint32_t offset = blocks_.empty() ? 0 : static_cast<uint32_t>(blocks_.back().size());
        rows_.push_back(RowEntry{row, 0, block, offset});
        lastColumn_ = -1;
    } else if (column <= lastColumn_) {
        throw std::logic_error("Sheet::append: columns out of order");
    }
    std::string& arena = room(text.size() + 21);
    writeVarint(arena, static_cast<uint64_t>(column - lastColumn_ - 1));
    arena.push_back(static_cast<char>(kind));
    writeVarint(arena, text.size());
    arena.append(text);
    lastColumn_ = column;
    ++rows_.back().cells;
    ++cellCount_;
}

void Sheet::shrink() {
    rows_.shrink_to_fit();
    if (!blocks_.empty()) blocks_.back().shrink_to_fit();
    blocks_.shrink_to_fit();
}

size_t Sheet::storageBytes() const {
    size_t bytes = blocks_.capacity() * sizeof(std::string);
    for (const std::string& b : blocks_)
        bytes += b.capacity();
    return bytes + rows_.capacity() * sizeof(RowEntry) + colType.capacity() * sizeof(SheetDataKind);
}

void Sheet::dropRowsBefore(int32_t gridRow) {
    int64_t limit = int64_t{gridRow} + rowOrigin_;
    size_t n = 0;
    while (n < rows_.size() && rows_[n].row < limit) {
        cellCount_ -= rows_[n].cells;
        ++n;
    }
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(n));
}

void Sheet::dropFrom(int32_t gridRow, int32_t gridColumn) {
    int64_t row = int64_t{gridRow} + rowOrigin_;
    int64_t column = int64_t{gridColumn} + columnOrigin_;
    while (!rows_.empty() && rows_.back().row > row) {
        cellCount_ -= rows_.back().cells;
        rows_.pop_back();
    }
    if (rows_.empty() || rows_.back().row != row) return;
    RowEntry& r = rows_.back();
    const std::string& arena = blocks_[r.block];
    size_t pos = r.offset;
    int32_t c = -1;
    uint32_t kept = 0;
    for (; kept < r.cells; ++kept) {
        c += static_cast<int32_t>(readVarint(arena, pos)) + 1;
        if (c >= column) break;
        ++pos;
        pos += readVarint(arena, pos);
    }
    cellCount_ -= r.cells - kept;
    r.cells = kept;
    if (kept == 0) rows_.pop_back();
}

const Sheet::RowEntry* Sheet::findRow(int64_t row) const {
    // Rows are few compared with cells; a binary search finds the row.
    size_t lo = 0, hi = rows_.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (rows_[mid].row < row)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo == rows_.size() || rows_[lo].row != row ? nullptr : &rows_[lo];
}

std::vector<SheetDataKind> Sheet::rowKinds(int32_t gridRow, int32_t columns) const {
    std::vector<SheetDataKind> kinds(static_cast<size_t>(columns > 0 ? columns : 0),
                                     SheetDataKind::Initial);
    const RowEntry* found = findRow(int64_t{gridRow} + rowOrigin_);
    if (!found) return kinds;
    const RowEntry& r = *found;
    const std::string& arena = blocks_[r.block];
    size_t pos = r.offset;
    int32_t c = -1;
    for (uint32_t i = 0; i < r.cells; ++i) {
        c += static_cast<int32_t>(readVarint(arena, pos)) + 1;
        auto kind = static_cast<SheetDataKind>(static_cast<uint8_t>(arena[pos++]));
        int64_t j = int64_t{c} - columnOrigin_;
        if (j >= 0 && j < static_cast<int64_t>(kinds.size())) kinds[static_cast<size_t>(j)] = kind;
        pos += readVarint(arena, pos);
    }
    return kinds;
}

std::string_view Sheet::text(int32_t row, int32_t column) const {
    column = static_cast<int32_t>(int64_t{column} + columnOrigin_);
    const RowEntry* found = findRow(int64_t{row} + rowOrigin_);
    if (!found) return {};
    const RowEntry& r = *found;
    const std::string& arena = blocks_[r.block];
    size_t pos = r.offset;
    int32_t c = -1;
    for (uint32_t i = 0; i < r.cells; ++i) {
        c += static_cast<int32_t>(readVarint(arena, pos)) + 1;
        ++pos; // kind
        size_t len = readVarint(arena, pos);
        if (c == column) return std::string_view(arena).substr(pos, len);
        if (c > column) break;
        pos += len;
    }
    return {};
}

std::vector<std::string> Sheet::data() const {
    std::vector<std::string> out(static_cast<size_t>(
        shape.rows > 0 && shape.columns > 0 ? int64_t{shape.rows} * shape.columns : 0));
    forEachCell([&](const CellView& c) {
        size_t i = static_cast<size_t>(int64_t{c.row} * shape.columns + c.column);
        if (i < out.size()) out[i] = std::string(c.text);
    });
    return out;
}

int32_t columnNumber(std::string_view letters) {
    int32_t v = 0;
    for (char ch : letters)
        v = base::checkedAdd(base::checkedMul(v, 26), static_cast<int32_t>(ch - 'A' + 1));
    return v;
}

size_t readCellReference(std::string_view text, size_t pos, CellReference& out) {
    size_t start = pos;
    while (pos < text.size() && text[pos] >= 'A' && text[pos] <= 'Z')
        ++pos;
    out.letters = text.substr(start, pos - start);
    out.row = 0;
    pos += base::parseIntegerPrefix(text, pos, out.row);
    return pos - start;
}

} // namespace ledgerine::xlsx
