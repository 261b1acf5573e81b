#include "xlsx/shared_strings.h"

#include "base/errors.h"
#include "base/text_rules.h"
#include "xlsx/xml_reader.h"

#include <algorithm>

namespace ledgerine::xlsx {
namespace {

// uniqueCount is only a hint: a file may claim billions of items and hold two.
constexpr size_t reserveCap = 1 << 16;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of an escape _xHHHH_ at pos, or -1.
int32_t escapeAt(const std::string& s, size_t pos) {
    if (pos + 7 > s.size() || s[pos] != '_' || s[pos + 1] != 'x' || s[pos + 6] != '_') return -1;
    int32_t v = 0;
    for (size_t i = pos + 2; i < pos + 6; ++i) {
        int h = hexValue(s[i]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

size_t putUtf8(std::string& s, size_t at, char32_t c) {
    char buf[4];
    size_t n;
    if (c < 0x80) {
        buf[0] = static_cast<char>(c), n = 1;
    } else if (c < 0x800) {
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F)), n = 2;
    } else if (c < 0x10000) {
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F)), n = 3;
    } else {
        buf[0] = static_cast<char>(0xF0 | (c >> 18));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F)), n = 4;
    }
    for (size_t i = 0; i < n; ++i)
        s[at + i] = buf[i];
    return n;
}

void skipAttributes(XmlReader& reader) {
    while (reader.kind() == XmlEventKind::ElementOpen || reader.kind() == XmlEventKind::Attribute ||
           reader.kind() == XmlEventKind::Error) {
        reader.nextEvent();
        if (reader.kind() == XmlEventKind::ElementClose) return;
    }
}

void appendText(XmlReader& reader, std::string& out) {
    out.append(reader.text());
}

} // namespace

void SharedStrings::endItem() {
    offsets_.push_back(arena_.size());
    size_ = std::max(size_, offsets_.size() - 1);
}

void SharedStrings::shrink() {
    arena_.shrink_to_fit();
    offsets_.shrink_to_fit();
}

void SharedStrings::setLeastSize(size_t n) {
    size_ = std::max(size_, n);
}

void SharedStrings::reserveItems(size_t n) {
    offsets_.reserve(std::min(n, reserveCap) + 1);
}

void decodeEscapes(std::string& text, size_t from) {
    size_t first = text.find("_x", from);
    if (first == std::string::npos) return;
    size_t in = first, out = first;
    while (in < text.size()) {
        int32_t unit = text[in] == '_' ? escapeAt(text, in) : -1;
        if (unit < 0) {
            text[out++] = text[in++];
            continue;
        }
        in += 7;
        char32_t cp = static_cast<char32_t>(unit);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            int32_t low = escapeAt(text, in);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                in += 7;
                cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                     (static_cast<char32_t>(low) - 0xDC00);
            } else {
                cp = 0xFFFD;
            }
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            cp = 0xFFFD;
        }
        // The output never outruns the input: 7 escape bytes give at most 3, 14 give 4.
        out += putUtf8(text, out, cp);
    }
    text.resize(out);
}

std::string escapeText(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        if (b <= 31 || b >= 127) {
            out += "\\x";
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 15]);
        } else if (ch == '\\' || ch == '\'' || ch == '"') {
            out.push_back('\\');
            out.push_back(ch);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
    return out;
}

void readItemText(XmlReader& reader, std::string& out) {
    size_t start = out.size();
    std::string itemName(localName(reader.name()));
    if (reader.kind() == XmlEventKind::ElementOpen) {
        skipAttributes(reader);
        if (reader.kind() != XmlEventKind::ElementClose) return; // input ended
    }
    int phonetic = 0; // depth of rPh elements around the current event
    bool inText = false;
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) break;
        if (k == XmlEventKind::CharData || k == XmlEventKind::Whitespace ||
            k == XmlEventKind::CData) {
            if (inText && phonetic == 0) appendText(reader, out);
        } else if (k == XmlEventKind::ElementStart || k == XmlEventKind::ElementOpen) {
            std::string_view n = localName(reader.name());
            if (n == "t") {
                inText = true;
            } else if (n == "rPh") {
                ++phonetic;
            }
            if (k == XmlEventKind::ElementOpen) {
                skipAttributes(reader);
                if (reader.kind() != XmlEventKind::ElementClose) break;
            }
        } else if (k == XmlEventKind::ElementEnd) {
            std::string_view n = localName(reader.name());
            if (n == itemName) break;
            if (n == "t")
                inText = false;
            else if (n == "rPh" && phonetic > 0)
                --phonetic;
        }
    }
    decodeEscapes(out, start);
}

SharedStrings parseSharedStrings(XmlReader& reader, bool escapeQuotes) {
    SharedStrings list;
    bool inRoot = false;
    std::string escaped;
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) break;
        if (!inRoot) {
            if ((k == XmlEventKind::ElementOpen || k == XmlEventKind::ElementStart) &&
                localName(reader.name()) == "sst") {
                inRoot = true;
                if (k == XmlEventKind::ElementStart) continue;
                for (;;) {
                    reader.nextEvent();
                    if (reader.kind() != XmlEventKind::Attribute &&
                        reader.kind() != XmlEventKind::Error)
                        break;
                    if (reader.kind() == XmlEventKind::Attribute &&
                        reader.name() == "uniqueCount") {
                        int32_t count = base::parseInteger(reader.value());
                        if (count < 0) throw base::rangeError(count, 0, INT32_MAX);
                        list.setLeastSize(static_cast<size_t>(count));
                        list.reserveItems(static_cast<size_t>(count));
                    }
                }
                if (reader.kind() == XmlEventKind::EndOfInput) break;
            }
            continue;
        }
        if ((k == XmlEventKind::ElementStart || k == XmlEventKind::ElementOpen) &&
            localName(reader.name()) == "si") {
            size_t start = list.arena().size();
            readItemText(reader, list.arena());
            if (escapeQuotes) {
                escaped = escapeText(std::string_view(list.arena()).substr(start));
                list.arena().resize(start);
                list.arena() += escaped;
            }
            list.endItem();
        }
    }
    list.shrink();
    return list;
}

SharedStrings parseSharedStrings(const std::string& path, bool escapeQuotes) {
    auto reader = XmlReader::openFile(path, XmlOptions{true, false});
    SharedStrings list = parseSharedStrings(*reader, escapeQuotes);
    reader->close();
    return list;
}

} // namespace ledgerine::xlsx
