#include "xlsx/worksheet.h"

#include "base/checked.h"
#include "base/errors.h"
#include "xlsx/cells.h"
#include "xlsx/shared_strings.h"
#include "xlsx/xml_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace ledgerine::xlsx {
namespace {

bool isStartKind(XmlEventKind k) {
    return k == XmlEventKind::ElementStart || k == XmlEventKind::ElementOpen;
}

// The dimension's range as read; only a range of more than one cell counts.
struct Dimension {
    bool range = false;
    int32_t row1 = 0, column1 = 0, row2 = 0, column2 = 0;
    int32_t negativeColumns = 0; // a range reversed in both directions
};

void readDimensionRef(std::string_view ref, Dimension& d) {
    d = Dimension{};
    CellReference a, b;
    size_t pos = readCellReference(ref, 0, a);
    bool colon = pos < ref.size() && ref[pos] == ':';
    if (colon) ++pos;
    readCellReference(ref, pos, b);
    int32_t column1 = columnNumber(a.letters);
    int32_t column2 = columnNumber(b.letters);
    int32_t rows = base::checkedAdd(base::checkedSub(b.row, a.row), 1);
    int32_t columns = base::checkedAdd(base::checkedSub(column2, column1), 1);
    int32_t slots = base::checkedMul(rows, columns);
    if (slots < 0) throw base::rangeError(slots, 0, INT32_MAX);
    if (!colon || (rows == 1 && columns == 1)) return; // one cell names no range
    if (rows < 0 && columns < 0) {
        d.negativeColumns = columns;
    } else if (rows > 0 && columns > 0) {
        d.range = true;
        d.row1 = a.row, d.column1 = column1, d.row2 = b.row, d.column2 = column2;
    }
}

void readDimension(XmlReader& reader, Dimension& d) {
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::Attribute) {
            if (reader.name() == "ref") readDimensionRef(reader.value(), d);
            continue;
        }
        if (k == XmlEventKind::Error) continue;
        return;
    }
}

// A row's r: a plain decimal number within 32 bits, else none (the row follows the last).
bool readRowNumber(std::string_view text, int32_t& out) {
    if (text.empty() || text.size() > 10) return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

// Where the cells lie and which came last, for the grid and for trim.
struct Bounds {
    bool any = false;
    int32_t minRow = 0, maxRow = 0, minColumn = 0, maxColumn = 0;
    CellPlace last;

    void add(CellPlace p) {
        if (!any) {
            any = true;
            minRow = maxRow = p.row;
            minColumn = maxColumn = p.column;
        } else {
            minRow = std::min(minRow, p.row), maxRow = std::max(maxRow, p.row);
            minColumn = std::min(minColumn, p.column), maxColumn = std::max(maxColumn, p.column);
        }
        last = p;
    }
};

struct Grid {
    int32_t firstRow = 0, firstColumn = 0, rows = 0, columns = 0;
    int32_t negativeColumns = 0;
    int64_t keptSlots = -1; // with trim: slots from this one on are cut; -1 keeps all

    int64_t slot(CellPlace p) const {
        return (int64_t{p.row} - firstRow) * columns + (int64_t{p.column} - firstColumn);
    }
};

Grid makeGrid(const Dimension& d, const Bounds& b, bool trim) {
    Grid g;
    g.negativeColumns = d.negativeColumns;
    if (d.range || b.any) {
        int32_t r1 = d.range ? d.row1 : b.minRow, r2 = d.range ? d.row2 : b.maxRow;
        int32_t c1 = d.range ? d.column1 : b.minColumn, c2 = d.range ? d.column2 : b.maxColumn;
        if (b.any) {
            r1 = std::min(r1, b.minRow), r2 = std::max(r2, b.maxRow);
            c1 = std::min(c1, b.minColumn), c2 = std::max(c2, b.maxColumn);
        }
        g.firstRow = r1, g.firstColumn = c1;
        g.rows = base::checkedAdd(base::checkedSub(r2, r1), 1);
        g.columns = base::checkedAdd(base::checkedSub(c2, c1), 1);
        base::checkedMul(g.rows, g.columns); // every slot index must fit 32 bits
    }
    if (trim) {
        if (g.columns == 0) throw base::DivByZeroError("division by zero");
        int64_t n = (b.any ? g.slot(b.last) : 0) + 1;
        g.rows = static_cast<int32_t>((n + g.columns - 1) / g.columns);
        g.keptSlots = n;
    }
    return g;
}

bool kept(const Grid& g, CellPlace p, bool skipHeaders) {
    if (skipHeaders && p.row == g.firstRow) return false;
    return g.keptSlots < 0 || g.slot(p) < g.keptSlots;
}

bool before(CellPlace a, CellPlace b) {
    return a.row < b.row || (a.row == b.row && a.column < b.column);
}

// Reads the worksheet's cells, handing each to sink(place, record).
template <class Sink>
void scanWorksheet(XmlReader& reader, const std::vector<SheetDataKind>& kinds, bool date1904,
                   Dimension& dimension, Sink&& sink) {
    LocalClock clock;
    CellContext context{kinds, date1904, clock};
    SheetData data;
    bool inData = false, seenRow = false, pending = false;
    int32_t row = 1, previousColumn = 0;
    for (;;) {
        if (!pending) reader.nextEvent();
        pending = false;
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) return;
        if (!inData) {
            if (!isStartKind(k)) continue;
            std::string_view n = localName(reader.name());
            if (n == "dimension" && k == XmlEventKind::ElementOpen) {
                readDimension(reader, dimension);
                pending = true;
            } else if (n == "sheetData") {
                inData = true;
            }
            continue;
        }
        if (k == XmlEventKind::ElementEnd) {
            if (localName(reader.name()) == "sheetData") return;
            continue;
        }
        if (!isStartKind(k)) continue;
        std::string_view n = localName(reader.name());
        if (n == "c") {
            CellPlace fallback{row, previousColumn < INT32_MAX ? previousColumn + 1 : -1};
            CellPlace place = parseCell(reader, fallback, context, data, pending);
            previousColumn = place.column;
            sink(place, data);
        } else if (n == "row") {
            int32_t number = 0;
            bool numbered = false;
            if (k == XmlEventKind::ElementOpen) {
                for (;;) {
                    reader.nextEvent();
                    XmlEventKind a = reader.kind();
                    if (a == XmlEventKind::Attribute) {
                        if (reader.name() == "r") numbered = readRowNumber(reader.value(), number);
                        continue;
                    }
                    if (a == XmlEventKind::Error) continue;
                    if (a != XmlEventKind::ElementClose) pending = true;
                    break;
                }
            }
            row = numbered ? number : seenRow ? base::checkedAdd(row, 1) : 1;
            seenRow = true;
            previousColumn = 0;
        }
    }
}

// Cells that came out of row-major order: kept with their arrival number, sorted at the end.
// The kind's top bit marks a value text that still has to become its output text.
constexpr uint8_t rawFlag = 0x80;

struct LooseCell {
    CellPlace place;
    uint32_t order;
    uint8_t kind;
    uint32_t length;
    uint64_t offset;
};

class LooseCells {
public:
    void add(CellPlace p, uint8_t kind, std::string_view text) {
        cells_.push_back(LooseCell{p, static_cast<uint32_t>(cells_.size()), kind,
                                   static_cast<uint32_t>(text.size()), arena_.size()});
        arena_.append(text);
    }
    // Sorted row-major, a later arrival replacing an earlier one at the same place.
    template <class F> void forEachSorted(F&& f) {
        std::sort(cells_.begin(), cells_.end(), [](const LooseCell& a, const LooseCell& b) {
            if (a.place.row != b.place.row) return a.place.row < b.place.row;
            if (a.place.column != b.place.column) return a.place.column < b.place.column;
            return a.order < b.order;
        });
        for (size_t i = 0; i < cells_.size(); ++i) {
            if (i + 1 < cells_.size() && cells_[i + 1].place == cells_[i].place) continue;
            const LooseCell& c = cells_[i];
            f(c.place, c.kind, std::string_view(arena_).substr(c.offset, c.length));
        }
    }

private:
    std::vector<LooseCell> cells_;
    std::string arena_;
};

// cellText without raising: false when the text needs the full rules (and may fail).
bool quickText(SheetDataKind kind, std::string_view value, const SharedStrings& strings,
               std::string_view& out) {
    switch (kind) {
    case SheetDataKind::Initial:
    case SheetDataKind::Error:
        out = {};
        return true;
    case SheetDataKind::Boolean:
        if (value == "1" || value == "true")
            out = "true";
        else if (value == "0" || value == "false")
            out = "false";
        else
            return false;
        return true;
    case SheetDataKind::SharedString: {
        if (value.empty() || value.size() > 9) return false;
        size_t index = 0;
        for (char c : value) {
            if (c < '0' || c > '9') return false;
            index = index * 10 + static_cast<size_t>(c - '0');
        }
        if (index >= strings.size()) return false;
        out = strings[index];
        return true;
    }
    default:
        out = value;
        return true;
    }
}

void checkColumns(const Grid& g) {
    if (g.negativeColumns < 0) throw base::rangeError(g.negativeColumns, 0, INT32_MAX);
}

// The streaming builder: cells in row-major order go straight into the sheet's arena as
// their output texts; anything else falls back to collecting and sorting.
class FusedBuilder {
public:
    explicit FusedBuilder(const SharedStrings& strings) : strings_(strings) {}

    void operator()(CellPlace p, const SheetData& data) {
        bounds_.add(p);
        SheetDataKind kind = data.kind();
        std::string_view value = valueText(data);
        if (!loose_) {
            if (!anyCell_ || before(previous_, p)) {
                anyCell_ = true;
                previous_ = p;
                if (kind == SheetDataKind::Initial) return;
                std::string_view text;
                if (quickText(kind, value, strings_, text)) {
                    sheet_.appendAt(p.row, p.column, kind, text);
                } else {
                    flagged_ = true;
                    sheet_.appendAt(
                        p.row, p.column,
                        static_cast<SheetDataKind>(static_cast<uint8_t>(kind) | rawFlag), value);
                }
                return;
            }
            goLoose();
        }
        looseCells_.add(p, static_cast<uint8_t>(kind) | rawFlag, value);
    }

    Sheet finish(const Dimension& d, bool header, bool skipHeaders, bool trim) {
        Grid g = makeGrid(d, bounds_, trim);
        checkColumns(g);
        if (loose_ || flagged_) {
            if (!loose_) goLoose();
            Sheet rebuilt;
            looseCells_.forEachSorted([&](CellPlace p, uint8_t kind, std::string_view text) {
                if (!kept(g, p, skipHeaders)) return;
                auto k = static_cast<SheetDataKind>(kind & ~rawFlag);
                if (k == SheetDataKind::Initial) return;
                rebuilt.appendAt(p.row, p.column, k,
                                 (kind & rawFlag) ? cellText(k, text, strings_) : text);
            });
            sheet_ = std::move(rebuilt);
        } else {
            if (g.keptSlots >= 0 && g.columns > 0) {
                int64_t rowAt = g.keptSlots / g.columns, columnAt = g.keptSlots % g.columns;
                sheet_.setOrigin(g.firstRow, g.firstColumn);
                sheet_.dropFrom(static_cast<int32_t>(rowAt), static_cast<int32_t>(columnAt));
            }
        }
        sheet_.setOrigin(g.firstRow, g.firstColumn);
        Sheet out = std::move(sheet_);
        out.colType = out.rowKinds(header || skipHeaders ? 1 : 0, g.columns);
        out.shape = Shape{g.rows, g.columns};
        out.header = header;
        if (skipHeaders) {
            if (!loose_ && !flagged_) out.dropRowsBefore(1);
            out.setOrigin(base::checkedAdd(g.firstRow, 1), g.firstColumn);
            out.shape.rows = std::max(g.rows - 1, 0);
            out.header = false;
        }
        out.shrink();
        return out;
    }

private:
    // Moves the cells appended so far into the loose list (in order, so they sort first).
    void goLoose() {
        loose_ = true;
        sheet_.forEachCell([&](const Sheet::CellView& c) {
            looseCells_.add(CellPlace{c.row, c.column}, static_cast<uint8_t>(c.kind), c.text);
        });
        sheet_ = Sheet();
    }

    const SharedStrings& strings_;
    Sheet sheet_;
    Bounds bounds_;
    CellPlace previous_;
    bool anyCell_ = false, loose_ = false, flagged_ = false;
    LooseCells looseCells_;
};

} // namespace

RawSheet parseSheet(XmlReader& reader, const StyleFormats& styleFormats, bool date1904, bool trim) {
    std::vector<SheetDataKind> kinds = styleKinds(styleFormats);
    Dimension d;
    Bounds bounds;
    struct Arrived {
        CellPlace place;
        SheetData data;
    };
    std::vector<Arrived> arrived;
    scanWorksheet(reader, kinds, date1904, d, [&](CellPlace p, const SheetData& data) {
        bounds.add(p);
        arrived.push_back(Arrived{p, data});
    });
    Grid g = makeGrid(d, bounds, trim);
    std::stable_sort(arrived.begin(), arrived.end(),
                     [](const Arrived& a, const Arrived& b) { return before(a.place, b.place); });
    RawSheet raw;
    raw.shape = Shape{g.rows, g.columns};
    raw.firstRow = g.firstRow;
    raw.firstColumn = g.firstColumn;
    raw.date1904 = date1904;
    raw.negativeColumns = g.negativeColumns;
    for (size_t i = 0; i < arrived.size(); ++i) {
        if (i + 1 < arrived.size() && arrived[i + 1].place == arrived[i].place) continue;
        if (!kept(g, arrived[i].place, false)) continue;
        if (arrived[i].data.kind() == SheetDataKind::Initial) continue;
        raw.cells.push_back(RawSheet::Slot{static_cast<int32_t>(g.slot(arrived[i].place)),
                                           std::move(arrived[i].data)});
    }
    return raw;
}

RawSheet parseSheet(const std::string& path, const StyleFormats& styleFormats, bool date1904,
                    bool trim) {
    auto reader = XmlReader::openFile(path, XmlOptions{true, false});
    RawSheet raw = parseSheet(*reader, styleFormats, date1904, trim);
    reader->close();
    return raw;
}

Sheet toSheet(const RawSheet& raw, const SharedStrings& sharedStrings, bool header,
              bool skipHeaders) {
    if (raw.negativeColumns < 0) throw base::rangeError(raw.negativeColumns, 0, INT32_MAX);
    int32_t columns = raw.shape.columns;
    Sheet sheet;
    sheet.shape = raw.shape;
    sheet.header = header && !skipHeaders;
    if (skipHeaders) sheet.shape.rows = std::max(raw.shape.rows - 1, 0);
    sheet.colType.assign(static_cast<size_t>(std::max(columns, 0)), SheetDataKind::Initial);
    int64_t kindsFrom = header || skipHeaders ? columns : 0;
    int64_t skipped = skipHeaders ? columns : 0;
    for (const RawSheet::Slot& s : raw.cells) {
        if (s.index >= kindsFrom && s.index < kindsFrom + columns)
            sheet.colType[static_cast<size_t>(s.index - kindsFrom)] = s.data.kind();
        if (s.index < skipped) continue;
        int64_t i = s.index - skipped;
        sheet.append(static_cast<int32_t>(i / columns), static_cast<int32_t>(i % columns),
                     s.data.kind(), cellText(s.data, sharedStrings));
    }
    sheet.shrink();
    return sheet;
}

Sheet loadSheet(XmlReader& reader, const StyleFormats& styleFormats, bool date1904,
                const SharedStrings& sharedStrings, bool header, bool skipHeaders, bool trim) {
    std::vector<SheetDataKind> kinds = styleKinds(styleFormats);
    Dimension d;
    FusedBuilder builder(sharedStrings);
    scanWorksheet(reader, kinds, date1904, d, builder);
    return builder.finish(d, header, skipHeaders, trim);
}

Sheet loadSheet(const std::string& path, const StyleFormats& styleFormats, bool date1904,
                const SharedStrings& sharedStrings, bool header, bool skipHeaders, bool trim) {
    auto reader = XmlReader::openFile(path, XmlOptions{true, false});
    Sheet sheet =
        loadSheet(*reader, styleFormats, date1904, sharedStrings, header, skipHeaders, trim);
    reader->close();
    return sheet;
}

} // namespace ledgerine::xlsx
