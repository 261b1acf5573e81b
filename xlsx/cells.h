// Cell value conversion: reads one worksheet cell (a c element) into a SheetData, turning date
// and time numbers into their final texts on the way, and turns a SheetData into the text the
// output gets.
//
// A cell's kind does not depend on attribute order: a type t other than "n" decides; without
// t, or with t="n", the style s decides (a present s is still looked up, with its errors). A
// value is the whole text of the cell's own v element wherever it stands inside c; reading
// never goes past the cell's end. A d cell holding an ISO 8601 date keeps that text.
//
// Raises: UnKnownSheetDataKindError "unsupport sheet data kind"; ValueError "invalid integer:
// ", "invalid float: ", "cannot interpret as a bool: " + text; IndexError for a style or shared
// string index outside its list; RangeError for a negative time of day and for numbers beyond
// 32 bits; OverflowError for a cell reference or a date beyond range.
#pragma once

#include "xlsx/sheet.h"
#include "xlsx/styles.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ledgerine::xlsx {

class XmlReader;
class SharedStrings;

SheetDataKind parseDataKind(std::string_view type);

struct DateSerial {
    int32_t days = 0;
    int64_t seconds = 0;
};
// Whole days before the first "." (integer text), seconds = fraction × 24 × 3600 truncated.
DateSerial parseDateSerial(std::string_view text);

// The local zone's offsets for date cells, remembered per day for one load. Instants before
// 1970 use the offset of 1970-01-01T00:00:00Z without daylight saving time.
class LocalClock {
public:
    LocalClock();
    int32_t offsetAt(int64_t instant);
    int32_t offset1970() const { return offset1970_; }

private:
    struct Day {
        int64_t day = -1;
        int32_t offset = 0;
        bool constant = false;
    };
    int32_t offset1970_ = 0;
    std::vector<Day> days_;
};

// The date rule: a serial of the 1900 (or 1904) system as local civil time with its offset,
// YYYY-MM-DDTHH:MM:SS+HH:MM. An ISO 8601 date or date-time text is returned as it is.
void formatDate(std::string_view serial, bool date1904, LocalClock& clock, std::string& out);
std::string dateText(std::string_view serial, bool date1904);
// The time rule: a day fraction as HH:MM:SS.
void formatTime(std::string_view value, std::string& out);
std::string timeText(std::string_view value);

// The kind a number cell of each style gets: Num for "float", Date, Time, else Initial.
std::vector<SheetDataKind> styleKinds(const StyleFormats& formats);

// A cell's worksheet position: row number and column number (A = 1).
struct CellPlace {
    int32_t row = 0;
    int32_t column = 0;
    bool operator==(const CellPlace&) const = default;
};

struct CellContext {
    const std::vector<SheetDataKind>& styleKinds;
    bool date1904 = false;
    LocalClock& clock;
};

// Reads the c element at the reader's current event (its ElementOpen or ElementStart) into
// out. fallback is the place of a cell without r (a negative column: none, OverflowError). Returns
// the cell's place. The reader stops at the cell's end tag; when the cell's end is missing and an
// element that cannot belong to it comes (another c or row start, the end of row or sheetData),
// pending is set and the reader stays on that event for the caller.
CellPlace parseCell(XmlReader& reader, CellPlace fallback, const CellContext& context,
                    SheetData& out, bool& pending);
// The same for one cell, with its own clock (tests, small uses).
std::pair<CellPlace, SheetData> parseCell(XmlReader& reader, const StyleFormats& formats,
                                          bool date1904);

// The output text of a record; views into the record or the list.
std::string_view cellText(const SheetData& data, const SharedStrings& strings);
// The same from a record's kind and its value text (fnvalue for Formula).
std::string_view cellText(SheetDataKind kind, std::string_view value, const SharedStrings& strings);
// The value text cellText works on: fnvalue for Formula, the one text for other kinds.
std::string_view valueText(const SheetData& data);

} // namespace ledgerine::xlsx
