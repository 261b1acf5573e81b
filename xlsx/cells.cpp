#include "xlsx/cells.h"

#include "base/errors.h"
#include "base/text_rules.h"
#include "platform/system.h"
#include "xlsx/shared_strings.h"
#include "xlsx/xml_reader.h"

#include <cmath>

namespace ledgerine::xlsx {
namespace {

constexpr int64_t secondsPerDay = 86400;
// About 45 years of distinct days before two days share a slot.
constexpr size_t clockDays = 16384;

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year;
    int month;
    int day;
};

Civil civilFromDays(int64_t z) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {y + (m <= 2), m, d};
}

void put2(std::string& out, int64_t v) {
    out.push_back(static_cast<char>('0' + v / 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool digitsAt(std::string_view s, size_t pos, size_t n) {
    if (pos + n > s.size()) return false;
    for (size_t i = pos; i < pos + n; ++i)
        if (!isDigit(s[i])) return false;
    return true;
}

// YYYY-MM-DD, optionally THH:MM[:SS[.fraction]] and Z or ±HH[:MM]: the texts spreadsheet
// programs write in d cells.
bool isIsoDate(std::string_view s) {
    size_t i = 0;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) i = 1;
    size_t yearStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    if (i - yearStart < 4) return false;
    if (i >= s.size() || s[i] != '-' || !digitsAt(s, i + 1, 2) || i + 3 >= s.size() ||
        s[i + 3] != '-' || !digitsAt(s, i + 4, 2))
        return false;
    i += 6;
    if (i == s.size()) return true;
    if (s[i] != 'T' && s[i] != ' ') return false;
    ++i;
    if (!digitsAt(s, i, 2) || i + 2 >= s.size() || s[i + 2] != ':' || !digitsAt(s, i + 3, 2))
        return false;
    i += 5;
    if (i < s.size() && s[i] == ':') {
        if (!digitsAt(s, i + 1, 2)) return false;
        i += 3;
        if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
            size_t f = ++i;
            while (i < s.size() && isDigit(s[i]))
                ++i;
            if (i == f) return false;
        }
    }
    if (i == s.size()) return true;
    if (s[i] == 'Z') return i + 1 == s.size();
    if (s[i] != '+' && s[i] != '-') return false;
    if (!digitsAt(s, i + 1, 2)) return false;
    i += 3;
    if (i == s.size()) return true;
    if (s[i] == ':') ++i;
    return digitsAt(s, i, 2) && i + 2 == s.size();
}

// Spreadsheet day fractions × 24 × 3600, each product rounded to double as the rules say.
double daySeconds(double v) {
    double hours = v * 24.0;
    return hours * 3600.0;
}

enum class Stop { Element, CellEnd, Pending, Eof };

bool isStartKind(XmlEventKind k) {
    return k == XmlEventKind::ElementStart || k == XmlEventKind::ElementOpen;
}

// An event that cannot belong to a cell whose end tag is missing.
bool foreignToCell(XmlEventKind k, std::string_view n) {
    if (isStartKind(k)) return n == "c" || n == "row";
    if (k == XmlEventKind::ElementEnd) return n == "row" || n == "sheetData";
    return false;
}

// Reads the whole text of the element whose start event is current, up to its end tag.
Stop readElementText(XmlReader& reader, std::string_view element, std::string& out) {
    if (reader.kind() == XmlEventKind::ElementOpen) {
        for (;;) {
            reader.nextEvent();
            XmlEventKind k = reader.kind();
            if (k == XmlEventKind::ElementClose) break;
            if (k == XmlEventKind::EndOfInput) return Stop::Eof;
            if (k == XmlEventKind::Attribute || k == XmlEventKind::Error) continue;
            break; // a broken tag: what follows is content
        }
    }
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        switch (k) {
        case XmlEventKind::CharData:
        case XmlEventKind::Whitespace:
        case XmlEventKind::CData:
            out.append(reader.text());
            break;
        case XmlEventKind::EndOfInput:
            return Stop::Eof;
        case XmlEventKind::ElementEnd: {
            std::string_view n = localName(reader.name());
            if (n == element) return Stop::Element;
            if (n == "c") return Stop::CellEnd;
            if (foreignToCell(k, n)) return Stop::Pending;
            break;
        }
        case XmlEventKind::ElementStart:
        case XmlEventKind::ElementOpen:
            if (foreignToCell(k, localName(reader.name()))) return Stop::Pending;
            break;
        default:
            break;
        }
    }
}

} // namespace

SheetDataKind parseDataKind(std::string_view type) {
    if (type == "b") return SheetDataKind::Boolean;
    if (type == "d") return SheetDataKind::Date;
    if (type == "e") return SheetDataKind::Error;
    if (type == "inlineStr") return SheetDataKind::InlineStr;
    if (type == "n") return SheetDataKind::Num;
    if (type == "s") return SheetDataKind::SharedString;
    if (type == "str") return SheetDataKind::Formula;
    throw base::UnKnownSheetDataKindError("unsupport sheet data kind");
}

DateSerial parseDateSerial(std::string_view text) {
    size_t p = text.find('.');
    if (p == std::string_view::npos) p = text.size();
    DateSerial out;
    out.days = base::parseInteger(text.substr(0, p));
    if (p < text.size()) {
        double s = daySeconds(base::parseFloat(text.substr(p)));
        // Far beyond any calendar: refuse rather than let the instant wrap.
        if (!(std::fabs(s) < 1e15)) throw base::overflowError();
        out.seconds = static_cast<int64_t>(s);
    }
    return out;
}

LocalClock::LocalClock() {
    platform::LocalOffset at1970 = platform::localOffsetAt(0);
    offset1970_ = at1970.seconds - (at1970.dst ? 3600 : 0);
}

int32_t LocalClock::offsetAt(int64_t instant) {
    if (instant < 0) return offset1970_;
    // Zone rules change at most once a day: a day whose two ends share an offset has it
    // throughout, so one lookup pair serves every date of that day.
    if (days_.empty()) days_.resize(clockDays);
    int64_t day = instant / secondsPerDay;
    Day& slot = days_[static_cast<size_t>(day) % clockDays];
    if (slot.day != day) {
        platform::LocalOffset a = platform::localOffsetAt(day * secondsPerDay);
        platform::LocalOffset b = platform::localOffsetAt(day * secondsPerDay + secondsPerDay - 1);
        slot.day = day;
        slot.offset = a.seconds;
        slot.constant = a.seconds == b.seconds && a.dst == b.dst;
    }
    return slot.constant ? slot.offset : platform::localOffsetAt(instant).seconds;
}

void formatDate(std::string_view serial, bool date1904, LocalClock& clock, std::string& out) {
    if (isIsoDate(serial)) {
        out.assign(serial);
        return;
    }
    DateSerial ds = parseDateSerial(serial);
    // Both epochs lie before 1970: their instant uses the 1970 offset.
    int64_t epochDays = date1904 ? daysFromCivil(1904, 1, 1) : daysFromCivil(1899, 12, 30);
    int64_t instant = epochDays * secondsPerDay - clock.offset1970() +
                      int64_t{ds.days} * secondsPerDay + ds.seconds;
    int32_t offset = clock.offsetAt(instant);
    int64_t local = instant + offset;
    int64_t days = floorDiv(local, secondsPerDay);
    int64_t secs = local - days * secondsPerDay;
    Civil c = civilFromDays(days);
    out.clear();
    if (c.year > 9999) {
        out.push_back('+');
        out += std::to_string(c.year);
    } else {
        int64_t y = c.year;
        if (y < 0) {
            out.push_back('-');
            y = -y;
        }
        std::string digits = std::to_string(y);
        if (digits.size() < 4) out.append(4 - digits.size(), '0');
        out += digits;
    }
    out.push_back('-');
    put2(out, c.month);
    out.push_back('-');
    put2(out, c.day);
    out.push_back('T');
    put2(out, secs / 3600);
    out.push_back(':');
    put2(out, secs % 3600 / 60);
    out.push_back(':');
    put2(out, secs % 60);
    out.push_back(offset < 0 ? '-' : '+');
    int32_t a = offset < 0 ? -offset : offset;
    put2(out, a / 3600);
    out.push_back(':');
    put2(out, a % 3600 / 60);
}

std::string dateText(std::string_view serial, bool date1904) {
    LocalClock clock;
    std::string out;
    formatDate(serial, date1904, clock, out);
    return out;
}

void formatTime(std::string_view value, std::string& out) {
    double x = daySeconds(base::parseFloat(value));
    int32_t s = (x > -2147483649.0 && x < 2147483648.0) ? static_cast<int32_t>(x) : INT32_MIN;
    int32_t hours = (s % 86400) / 3600;
    int32_t minutes = (s % 3600) / 60;
    int32_t seconds = s % 60;
    if (hours < 0 || hours > 23) throw base::rangeError(hours, 0, 23);
    if (minutes < 0 || minutes > 59) throw base::rangeError(minutes, 0, 59);
    if (seconds < 0 || seconds > 60) throw base::rangeError(seconds, 0, 60);
    out.clear();
    put2(out, hours);
    out.push_back(':');
    put2(out, minutes);
    out.push_back(':');
    put2(out, seconds);
}

std::string timeText(std::string_view value) {
    std::string out;
    formatTime(value, out);
    return out;
}

std::vector<SheetDataKind> styleKinds(const StyleFormats& formats) {
    std::vector<SheetDataKind> kinds;
    kinds.reserve(formats.size());
    for (const std::string& code : formats) {
        std::string_view cls = formatClass(code);
        kinds.push_back(cls == "float"  ? SheetDataKind::Num
                        : cls == "date" ? SheetDataKind::Date
                        : cls == "time" ? SheetDataKind::Time
                                        : SheetDataKind::Initial);
    }
    return kinds;
}

CellPlace parseCell(XmlReader& reader, CellPlace fallback, const CellContext& context,
                    SheetData& out, bool& pending) {
    pending = false;
    out.setKind(SheetDataKind::Initial);
    CellPlace place = fallback;
    bool hasType = false, hasStyle = false;
    SheetDataKind typeKind = SheetDataKind::Initial, styleKind = SheetDataKind::Initial;
    bool atContent = false; // the current event is already the cell's content
    bool sawReference = false;
    if (reader.kind() == XmlEventKind::ElementOpen) {
        for (;;) {
            reader.nextEvent();
            XmlEventKind k = reader.kind();
            if (k == XmlEventKind::Attribute) {
                std::string_view n = reader.name();
                if (n == "r") {
                    sawReference = true;
                    CellReference ref;
                    readCellReference(reader.value(), 0, ref);
                    place.column = columnNumber(ref.letters);
                    place.row = ref.row;
                } else if (n == "t") {
                    typeKind = parseDataKind(reader.value());
                    hasType = true;
                } else if (n == "s") {
                    std::string_view v = reader.value();
                    int32_t index = 0;
                    if (!v.empty() && v.size() <= 9 &&
                        v.find_first_not_of("0123456789") == std::string_view::npos) {
                        for (char c : v)
                            index = index * 10 + (c - '0');
                    } else {
                        index = base::parseInteger(v);
                    }
                    const auto& kinds = context.styleKinds;
                    if (index < 0 || static_cast<size_t>(index) >= kinds.size())
                        throw base::indexError(index, static_cast<int64_t>(kinds.size()));
                    styleKind = kinds[static_cast<size_t>(index)];
                    hasStyle = true;
                }
                continue;
            }
            if (k == XmlEventKind::Error) continue;
            if (k == XmlEventKind::EndOfInput) return place;
            if (k != XmlEventKind::ElementClose) atContent = true; // a broken tag
            break;
        }
    }
    // A negative fallback column marks a previous cell in the last possible column.
    if (!sawReference && place.column < 0) throw base::overflowError();
    SheetDataKind kind = hasType && typeKind != SheetDataKind::Num ? typeKind
                         : hasStyle                                ? styleKind
                         : hasType                                 ? SheetDataKind::Num
                                                                   : SheetDataKind::Initial;
    if (kind == SheetDataKind::Error) {
        out.setKind(SheetDataKind::Error);
        out.error() = "error";
    }
    thread_local std::string scratch;
    for (;;) {
        if (!atContent) reader.nextEvent();
        atContent = false;
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) return place;
        if (k == XmlEventKind::ElementEnd) {
            std::string_view n = localName(reader.name());
            if (n == "c") return place;
            if (foreignToCell(k, n)) {
                pending = true;
                return place;
            }
            continue;
        }
        if (!isStartKind(k)) continue;
        std::string_view n = localName(reader.name());
        if (foreignToCell(k, n)) {
            pending = true;
            return place;
        }
        std::string* target = nullptr;
        std::string_view element;
        if (n == "v") {
            element = "v";
            switch (kind) {
            case SheetDataKind::Formula:
                if (out.kind() != SheetDataKind::Formula) out.setKind(SheetDataKind::Formula);
                target = &out.fnvalue();
                break;
            case SheetDataKind::Initial:
            case SheetDataKind::Num:
                out.setKind(SheetDataKind::Num);
                target = &out.nvalue();
                break;
            case SheetDataKind::Boolean:
                out.setKind(kind);
                target = &out.bvalue();
                break;
            case SheetDataKind::Date:
                out.setKind(kind);
                target = &out.dvalue();
                break;
            case SheetDataKind::Time:
                out.setKind(kind);
                target = &out.tValue();
                break;
            case SheetDataKind::SharedString:
                out.setKind(kind);
                target = &out.svalue();
                break;
            default: // Error and InlineStr take nothing from v
                break;
            }
        } else if (n == "f" && kind == SheetDataKind::Formula) {
            element = "f";
            if (out.kind() != SheetDataKind::Formula) out.setKind(SheetDataKind::Formula);
            target = &out.fvalue();
        } else if (n == "is" && kind == SheetDataKind::InlineStr) {
            out.setKind(SheetDataKind::InlineStr);
            readItemText(reader, out.isvalue());
            continue;
        }
        if (!target) continue;
        target->clear();
        Stop stop = readElementText(reader, element, *target);
        if (out.kind() == SheetDataKind::Date) {
            formatDate(*target, context.date1904, context.clock, scratch);
            target->swap(scratch);
        } else if (out.kind() == SheetDataKind::Time) {
            formatTime(*target, scratch);
            target->swap(scratch);
        }
        if (stop == Stop::CellEnd || stop == Stop::Eof) return place;
        if (stop == Stop::Pending) {
            pending = true;
            return place;
        }
    }
}

std::pair<CellPlace, SheetData> parseCell(XmlReader& reader, const StyleFormats& formats,
                                          bool date1904) {
    std::vector<SheetDataKind> kinds = styleKinds(formats);
    LocalClock clock;
    CellContext context{kinds, date1904, clock};
    SheetData data;
    bool pending = false;
    CellPlace place = parseCell(reader, CellPlace{0, 0}, context, data, pending);
    return {place, std::move(data)};
}

std::string_view valueText(const SheetData& data) {
    switch (data.kind()) {
    case SheetDataKind::Initial:
        return {};
    case SheetDataKind::Formula:
        return data.fnvalue();
    default:
        return data.first();
    }
}

std::string_view cellText(SheetDataKind kind, std::string_view value,
                          const SharedStrings& strings) {
    switch (kind) {
    case SheetDataKind::Initial:
    case SheetDataKind::Error:
        return {};
    case SheetDataKind::Boolean:
        if (value == "1") return "true";
        if (value == "0") return "false";
        return base::parseBoolean(value) ? "true" : "false";
    case SheetDataKind::SharedString: {
        int64_t index = 0;
        if (!value.empty() && value.size() <= 9 &&
            value.find_first_not_of("0123456789") == std::string_view::npos) {
            for (char c : value)
                index = index * 10 + (c - '0');
        } else {
            index = base::parseInteger(value);
        }
        if (index < 0 || static_cast<uint64_t>(index) >= strings.size())
            throw base::indexError(index, static_cast<int64_t>(strings.size()));
        return strings[static_cast<size_t>(index)];
    }
    default:
        return value;
    }
}

std::string_view cellText(const SheetData& data, const SharedStrings& strings) {
    return cellText(data.kind(), valueText(data), strings);
}

} // namespace ledgerine::xlsx
