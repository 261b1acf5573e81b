#include "xlsx/xml_reader.h"

#include "base/errors.h"
#include "platform/fs.h"

#include <array>
#include <cstring>
#include <new>

namespace ledgerine::xlsx {

namespace {

constexpr size_t blockSize = 8192;

// Character classes, one bit each, looked up for every byte the scanners pass.
enum : uint8_t {
    NameStart = 1,  // may begin a name: A-Z a-z _ : and every byte of 128 or above
    NameChar = 2,   // may continue a name: NameStart plus 0-9 - .
    Space = 4,      // space, tab, CR, LF
    TextStop = 8,   // ends a plain run of character data: < & CR NUL
    ValueStop = 16, // leaves the plain run of a quoted value: " ' & whitespace NUL
    HexDigit = 32,  // 0-9 a-f A-F
    DecDigit = 64,  // 0-9
};

constexpr std::array<uint8_t, 256> makeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t k = 0;
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool digit = c >= '0' && c <= '9';
        if (letter || c == '_' || c == ':' || c >= 128) {
            k |= NameStart | NameChar;
        }
        if (digit || c == '-' || c == '.') {
            k |= NameChar;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            k |= Space | ValueStop;
        }
        if (c == '<' || c == '&' || c == '\r' || c == 0) {
            k |= TextStop;
        }
        if (c == '"' || c == '\'' || c == '&' || c == 0) {
            k |= ValueStop;
        }
        if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            k |= HexDigit;
        }
        if (digit) {
            k |= DecDigit;
        }
        t[static_cast<size_t>(c)] = k;
    }
    return t;
}

constexpr std::array<uint8_t, 256> classes = makeClasses();

inline uint8_t classOf(char c) {
    return classes[static_cast<unsigned char>(c)];
}

inline uint32_t hexValue(char c) {
    if (c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    return static_cast<uint32_t>((c | 0x20) - 'a' + 10);
}

// Copies [s, e) to out with CR LF and a lone CR turned into LF.
void appendLines(std::string& out, const char* s, const char* e) {
    while (s < e) {
        auto cr = static_cast<const char*>(std::memchr(s, '\r', static_cast<size_t>(e - s)));
        if (cr == nullptr) {
            out.append(s, e);
            return;
        }
        out.append(s, cr);
        out.push_back('\n');
        s = cr + 1;
        if (s < e && *s == '\n') {
            ++s;
        }
    }
}

inline bool hasCr(const char* s, const char* e) {
    return std::memchr(s, '\r', static_cast<size_t>(e - s)) != nullptr;
}

// [s, e) as it stands, or normalised into scratch when it holds a CR.
std::string_view lineText(std::string& scratch, const char* s, const char* e, bool cr) {
    if (!cr) {
        return {s, static_cast<size_t>(e - s)};
    }
    scratch.clear();
    appendLines(scratch, s, e);
    return scratch;
}

// Encodes a code point in the original UTF-8 scheme of one to six bytes (no range or
// surrogate checks); values of 2^31 and above give nothing.
size_t encodeUtf8(uint32_t code, char* out) {
    auto byte = [](uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    if (code < 0x80) {
        out[0] = byte(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = byte(0xC0 | (code >> 6));
        out[1] = byte(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = byte(0xE0 | (code >> 12));
        out[1] = byte(0x80 | ((code >> 6) & 0x3F));
        out[2] = byte(0x80 | (code & 0x3F));
        return 3;
    }
    if (code < 0x200000) {
        out[0] = byte(0xF0 | (code >> 18));
        out[1] = byte(0x80 | ((code >> 12) & 0x3F));
        out[2] = byte(0x80 | ((code >> 6) & 0x3F));
        out[3] = byte(0x80 | (code & 0x3F));
        return 4;
    }
    if (code < 0x4000000) {
        out[0] = byte(0xF8 | (code >> 24));
        out[1] = byte(0x80 | ((code >> 18) & 0x3F));
        out[2] = byte(0x80 | ((code >> 12) & 0x3F));
        out[3] = byte(0x80 | ((code >> 6) & 0x3F));
        out[4] = byte(0x80 | (code & 0x3F));
        return 5;
    }
    if (code < 0x80000000u) {
        out[0] = byte(0xFC | (code >> 30));
        out[1] = byte(0x80 | ((code >> 24) & 0x3F));
        out[2] = byte(0x80 | ((code >> 18) & 0x3F));
        out[3] = byte(0x80 | ((code >> 12) & 0x3F));
        out[4] = byte(0x80 | ((code >> 6) & 0x3F));
        out[5] = byte(0x80 | (code & 0x3F));
        return 6;
    }
    return 0;
}

// The character of a predefined entity, or nullptr.
const char* predefined(std::string_view name) {
    static constexpr char chars[] = "<>&'\"";
    if (name == "lt") {
        return chars;
    }
    if (name == "gt") {
        return chars + 1;
    }
    if (name == "amp") {
        return chars + 2;
    }
    if (name == "apos") {
        return chars + 3;
    }
    if (name == "quot") {
        return chars + 4;
    }
    return nullptr;
}

enum class State : uint8_t { AtStart, Normal, Attributes, EmptyEndDue, ErrorDue };

// What a reference stands for.
struct Reference {
    enum Kind : uint8_t { Text, Entity } kind = Text;
    std::string_view bytes; // the decoded text, or the entity's name
    bool error = false;     // "&" without a name
};

} // namespace

// The scanners work on a window [pos, end) of the buffer with a NUL sentinel at end. A NUL
// byte of the input ends it, so every NUL a scanner meets is either the sentinel or the end of
// the input. A scanner that reaches the sentinel while more input may follow returns nullptr:
// the window is refilled, keeping the token's bytes, and the token is scanned again from its
// start. Scanners leave nothing behind but the event fields and `pending`, so a rescan is
// always safe.
struct XmlReader::Impl {
    std::unique_ptr<platform::File> file;
    std::unique_ptr<char[]> buffer; // capacity + 1 bytes, for the sentinel
    size_t capacity = 0;
    const char* pos = nullptr;
    const char* end = nullptr;
    bool eof = false; // nothing follows end
    XmlOptions options;
    State state = State::AtStart;
    State pending = State::Normal; // the state the token just scanned leaves behind
    XmlEventKind lastToken = XmlEventKind::Error;
    std::string_view element; // the name for the end of an empty element
    std::string elementCopy;  // holds element when a refill moves the buffer
    std::string text;         // decoded name-or-text
    std::string value;        // decoded value
    char refBytes[8] = {};

    // At the sentinel with more input to come.
    bool more(const char* p) const { return *p == 0 && !eof; }

    static const char* skipSpace(const char* p) {
        while (classOf(*p) & Space) {
            ++p;
        }
        return p;
    }

    static const char* scanName(const char* p) {
        if (classOf(*p) & NameStart) {
            ++p;
            while (classOf(*p) & NameChar) {
                ++p;
            }
        }
        return p;
    }

    void step(XmlReader& r);
    void readTokens(XmlReader& r, bool atStart);
    void refill();

    const char* scanToken(XmlReader& r, const char* p);
    const char* scanCharData(XmlReader& r, const char* p);
    const char* scanWhitespace(XmlReader& r, const char* p);
    const char* scanMarkup(XmlReader& r, const char* p);
    const char* scanTag(XmlReader& r, const char* p);
    const char* scanEndTag(XmlReader& r, const char* p);
    const char* scanPi(XmlReader& r, const char* p);
    const char* scanComment(XmlReader& r, const char* p);
    const char* scanCData(XmlReader& r, const char* p);
    const char* scanSpecial(XmlReader& r, const char* p);
    const char* scanTextReference(XmlReader& r, const char* p);
    const char* scanReference(const char* p, Reference& ref);
    const char* scanAttribute(XmlReader& r, const char* p);
    int match(const char* p, std::string_view literal) const;
};

namespace {

void clearEvent(std::string_view& name, std::string_view& value) {
    name = {};
    value = {};
}

} // namespace

void XmlReader::Impl::step(XmlReader& r) {
    switch (state) {
    case State::AtStart:
        state = State::Normal;
        readTokens(r, true);
        return;
    case State::Normal:
        readTokens(r, false);
        return;
    case State::Attributes:
        for (;;) {
            pending = State::Attributes;
            const char* q = scanAttribute(r, pos);
            if (q != nullptr) {
                pos = q;
                state = pending;
                return;
            }
            refill();
        }
    case State::EmptyEndDue:
        r.kind_ = XmlEventKind::ElementEnd;
        r.name_ = element;
        r.value_ = {};
        state = State::Normal;
        return;
    case State::ErrorDue:
        r.kind_ = XmlEventKind::Error;
        clearEvent(r.name_, r.value_);
        state = State::Normal;
        return;
    }
}

void XmlReader::Impl::readTokens(XmlReader& r, bool atStart) {
    for (;;) {
        pending = State::Normal;
        r.value_ = {};
        const char* q = scanToken(r, pos);
        if (q == nullptr) {
            refill();
            continue;
        }
        pos = q;
        XmlEventKind before = lastToken;
        lastToken = r.kind_;
        bool pass = false;
        switch (r.kind_) {
        case XmlEventKind::Whitespace:
            pass = !options.keepWhitespace && before != XmlEventKind::CharData &&
                   before != XmlEventKind::Comment && before != XmlEventKind::Entity;
            break;
        case XmlEventKind::Comment:
            pass = !options.reportComments;
            break;
        case XmlEventKind::ProcessingInstruction:
            // An XML declaration opening the file is not an event.
            pass = atStart && r.name_ == "xml";
            atStart = false;
            break;
        default:
            break;
        }
        if (!pass) {
            state = pending;
            return;
        }
        if (pending == State::ErrorDue) {
            // A token passed over can only fail at the end of the input: report the failure
            // before EndOfInput, which must stay the last event.
            r.kind_ = XmlEventKind::Error;
            clearEvent(r.name_, r.value_);
            return;
        }
    }
}

void XmlReader::Impl::refill() {
    if (state == State::Attributes && element.data() != elementCopy.data()) {
        elementCopy.assign(element);
        element = elementCopy;
    }
    size_t used = static_cast<size_t>(end - pos);
    char* base = buffer.get();
    if (used > capacity / 2) {
        // A token longer than half the buffer: grow, so every refill reads a good part.
        size_t grown = capacity * 2;
        std::unique_ptr<char[]> bigger;
        try {
            bigger.reset(new char[grown + 1]);
        } catch (const std::bad_alloc&) {
            throw base::OutOfMemError("out of memory");
        }
        std::memcpy(bigger.get(), pos, used);
        buffer = std::move(bigger);
        capacity = grown;
        base = buffer.get();
    } else if (pos != base) {
        std::memmove(base, pos, used);
    }
    char* fill = base + used;
    char* limit = base + capacity;
    while (fill < limit && !eof) {
        int64_t n = file ? file->read(fill, static_cast<size_t>(limit - fill)) : 0;
        if (n <= 0) {
            eof = true; // a read error ends the input like its end
            break;
        }
        if (n > limit - fill) {
            n = limit - fill;
        }
        // A NUL byte ends the input.
        auto nul = static_cast<char*>(std::memchr(fill, 0, static_cast<size_t>(n)));
        if (nul != nullptr) {
            fill = nul;
            eof = true;
            break;
        }
        fill += n;
    }
    *fill = 0;
    pos = base;
    end = fill;
}

// 1 when the literal follows, 0 when it does not, -1 when the window ends before that is known.
int XmlReader::Impl::match(const char* p, std::string_view literal) const {
    for (char c : literal) {
        if (*p != c) {
            return more(p) ? -1 : 0;
        }
        ++p;
    }
    return 1;
}

const char* XmlReader::Impl::scanToken(XmlReader& r, const char* p) {
    char c = *p;
    if (c == '<') {
        return scanMarkup(r, p);
    }
    if (c == 0) {
        if (!eof) {
            return nullptr;
        }
        r.kind_ = XmlEventKind::EndOfInput;
        r.name_ = {};
        return p;
    }
    if (classOf(c) & Space) {
        return scanWhitespace(r, p);
    }
    if (c == '&') {
        return scanTextReference(r, p);
    }
    return scanCharData(r, p);
}

const char* XmlReader::Impl::scanCharData(XmlReader& r, const char* p) {
    const char* s = p;
    bool cr = false;
    for (;;) {
        while (!(classOf(*p) & TextStop)) {
            ++p;
        }
        if (*p != '\r') {
            break;
        }
        cr = true;
        ++p;
    }
    if (more(p)) {
        return nullptr;
    }
    r.kind_ = XmlEventKind::CharData;
    r.name_ = lineText(text, s, p, cr);
    return p;
}

const char* XmlReader::Impl::scanWhitespace(XmlReader& r, const char* p) {
    const char* s = p;
    bool cr = false;
    while (classOf(*p) & Space) {
        cr |= *p == '\r';
        ++p;
    }
    if (more(p)) {
        return nullptr;
    }
    r.kind_ = XmlEventKind::Whitespace;
    r.name_ = lineText(text, s, p, cr);
    return p;
}

const char* XmlReader::Impl::scanMarkup(XmlReader& r, const char* p) {
    char c = p[1];
    if (c == '/') {
        return scanEndTag(r, p + 2);
    }
    if (c == '?') {
        return scanPi(r, p + 2);
    }
    if (c == '!') {
        int m = match(p + 2, "--");
        if (m < 0) {
            return nullptr;
        }
        if (m > 0) {
            return scanComment(r, p + 4);
        }
        m = match(p + 2, "[CDATA[");
        if (m < 0) {
            return nullptr;
        }
        if (m > 0) {
            return scanCData(r, p + 9);
        }
        return scanSpecial(r, p + 2);
    }
    return scanTag(r, p);
}

const char* XmlReader::Impl::scanTag(XmlReader& r, const char* p) {
    const char* n = p + 1;
    const char* q = scanName(n);
    if (more(q)) {
        return nullptr;
    }
    if (q == n) {
        // Not a tag: the "<" is text.
        r.kind_ = XmlEventKind::CharData;
        r.name_ = {p, 1};
        pending = State::ErrorDue;
        return n;
    }
    std::string_view name(n, static_cast<size_t>(q - n));
    q = skipSpace(q);
    if (more(q)) {
        return nullptr;
    }
    r.name_ = name;
    if (classOf(*q) & NameStart) {
        r.kind_ = XmlEventKind::ElementOpen;
        element = name;
        pending = State::Attributes;
        return q;
    }
    r.kind_ = XmlEventKind::ElementStart;
    if (*q == '>') {
        return q + 1;
    }
    if (*q == '/') {
        if (more(q + 1)) {
            return nullptr;
        }
        if (q[1] == '>') {
            element = name;
            pending = State::EmptyEndDue;
            return q + 2;
        }
        pending = State::ErrorDue;
        return q + 1;
    }
    pending = State::ErrorDue;
    return q;
}

const char* XmlReader::Impl::scanEndTag(XmlReader& r, const char* p) {
    const char* q = scanName(p);
    if (more(q)) {
        return nullptr;
    }
    r.kind_ = XmlEventKind::ElementEnd;
    r.name_ = {p, static_cast<size_t>(q - p)};
    if (q == p) {
        pending = State::ErrorDue;
    }
    q = skipSpace(q);
    if (more(q)) {
        return nullptr;
    }
    if (*q == '>') {
        return q + 1;
    }
    pending = State::ErrorDue;
    return q;
}

const char* XmlReader::Impl::scanPi(XmlReader& r, const char* p) {
    const char* q = scanName(p);
    if (more(q)) {
        return nullptr;
    }
    r.kind_ = XmlEventKind::ProcessingInstruction;
    r.name_ = {p, static_cast<size_t>(q - p)};
    const char* s = q;
    for (;;) {
        auto m = static_cast<const char*>(std::memchr(q, '?', static_cast<size_t>(end - q)));
        if (m == nullptr) {
            if (!eof) {
                return nullptr;
            }
            pending = State::ErrorDue;
            r.value_ = lineText(value, s, end, hasCr(s, end));
            return end;
        }
        if (m[1] == '>') {
            r.value_ = lineText(value, s, m, hasCr(s, m));
            return m + 2;
        }
        if (more(m + 1)) {
            return nullptr;
        }
        q = m + 1;
    }
}

const char* XmlReader::Impl::scanComment(XmlReader& r, const char* p) {
    const char* q = p;
    const char* e = nullptr;
    const char* next = nullptr;
    for (;;) {
        auto m = static_cast<const char*>(std::memchr(q, '-', static_cast<size_t>(end - q)));
        if (m == nullptr) {
            if (!eof) {
                return nullptr;
            }
            pending = State::ErrorDue;
            e = next = end;
            break;
        }
        if (m[1] == '-') {
            if (m[2] == '>') {
                e = m;
                next = m + 3;
                break;
            }
            if (more(m + 2)) {
                return nullptr;
            }
        } else if (more(m + 1)) {
            return nullptr;
        }
        q = m + 1;
    }
    r.kind_ = XmlEventKind::Comment;
    r.name_ = options.reportComments ? lineText(text, p, e, hasCr(p, e)) : std::string_view();
    return next;
}

const char* XmlReader::Impl::scanCData(XmlReader& r, const char* p) {
    const char* q = p;
    for (;;) {
        auto m = static_cast<const char*>(std::memchr(q, ']', static_cast<size_t>(end - q)));
        if (m == nullptr) {
            if (!eof) {
                return nullptr;
            }
            pending = State::ErrorDue;
            r.kind_ = XmlEventKind::CData;
            r.name_ = lineText(text, p, end, hasCr(p, end));
            return end;
        }
        if (m[1] == ']') {
            if (m[2] == '>') {
                r.kind_ = XmlEventKind::CData;
                r.name_ = lineText(text, p, m, hasCr(p, m));
                return m + 3;
            }
            if (more(m + 2)) {
                return nullptr;
            }
        } else if (more(m + 1)) {
            return nullptr;
        }
        q = m + 1;
    }
}

const char* XmlReader::Impl::scanSpecial(XmlReader& r, const char* p) {
    const char* q = p;
    size_t depth = 0; // "<" and ">" inside are counted in pairs
    for (;;) {
        char c = *q;
        if (c == '>') {
            if (depth == 0) {
                break;
            }
            --depth;
        } else if (c == '<') {
            ++depth;
        } else if (c == 0) {
            if (!eof) {
                return nullptr;
            }
            pending = State::ErrorDue;
            r.kind_ = XmlEventKind::Special;
            r.name_ = {p, static_cast<size_t>(q - p)};
            return q;
        }
        ++q;
    }
    r.kind_ = XmlEventKind::Special;
    r.name_ = {p, static_cast<size_t>(q - p)};
    return q + 1;
}

const char* XmlReader::Impl::scanReference(const char* p, Reference& ref) {
    const char* q = p + 1;
    if (*q == '#') {
        ++q;
        uint32_t code = 0;
        if (*q == 'x') {
            ++q;
            // Shifting drops the high digits: only the last eight count.
            while (classOf(*q) & HexDigit) {
                code = (code << 4) | hexValue(*q);
                ++q;
            }
        } else {
            uint64_t decimal = 0;
            while (classOf(*q) & DecDigit) {
                decimal = decimal * 10 + static_cast<uint64_t>(*q - '0');
                if (decimal > 0x7FFFFFFF) {
                    throw base::overflowError();
                }
                ++q;
            }
            code = static_cast<uint32_t>(decimal);
        }
        if (more(q)) {
            return nullptr;
        }
        if (*q == ';') {
            ++q;
        }
        ref.kind = Reference::Text;
        ref.bytes = {refBytes, encodeUtf8(code, refBytes)};
        return q;
    }
    const char* e = scanName(q);
    if (more(e)) {
        return nullptr;
    }
    if (e == q) {
        ref.kind = Reference::Text;
        ref.bytes = {p, 1};
        ref.error = true;
        return q;
    }
    std::string_view name(q, static_cast<size_t>(e - q));
    if (*e == ';') {
        if (const char* c = predefined(name)) {
            ref.kind = Reference::Text;
            ref.bytes = {c, 1};
        } else {
            ref.kind = Reference::Entity;
            ref.bytes = name;
        }
        return e + 1;
    }
    // No ";": the "&" and the name stay text.
    ref.kind = Reference::Text;
    ref.bytes = {p, static_cast<size_t>(e - p)};
    return e;
}

const char* XmlReader::Impl::scanTextReference(XmlReader& r, const char* p) {
    Reference ref;
    const char* q = scanReference(p, ref);
    if (q == nullptr) {
        return nullptr;
    }
    r.kind_ = ref.kind == Reference::Entity ? XmlEventKind::Entity : XmlEventKind::CharData;
    r.name_ = ref.bytes;
    if (ref.error) {
        pending = State::ErrorDue;
    }
    return q;
}

const char* XmlReader::Impl::scanAttribute(XmlReader& r, const char* p) {
    r.value_ = {};
    r.name_ = {};
    char c = *p;
    if (c == '>') {
        r.kind_ = XmlEventKind::ElementClose;
        pending = State::Normal;
        return p + 1;
    }
    if (c == '/') {
        if (more(p + 1)) {
            return nullptr;
        }
        if (p[1] == '>') {
            r.kind_ = XmlEventKind::ElementClose;
            pending = State::EmptyEndDue;
            return p + 2;
        }
        // A stray "/": an attribute without name, then the Error.
        r.kind_ = XmlEventKind::Attribute;
        pending = State::ErrorDue;
        return p + 1;
    }
    r.kind_ = XmlEventKind::Attribute;
    const char* q = scanName(p);
    if (more(q)) {
        return nullptr;
    }
    if (q == p) {
        pending = State::ErrorDue;
        return p;
    }
    r.name_ = {p, static_cast<size_t>(q - p)};
    q = skipSpace(q);
    if (more(q)) {
        return nullptr;
    }
    if (*q != '=') {
        pending = State::ErrorDue;
        return q;
    }
    q = skipSpace(q + 1);
    if (more(q)) {
        return nullptr;
    }
    char quote = *q;
    if (quote != '"' && quote != '\'') {
        // Guess the value: up to ">" or the next control character or space.
        const char* s = q;
        while (*q != '>' && static_cast<unsigned char>(*q) > 32) {
            ++q;
        }
        if (more(q)) {
            return nullptr;
        }
        r.value_ = {s, static_cast<size_t>(q - s)};
        pending = State::ErrorDue;
        return q;
    }
    const char* s = ++q;
    // The common value, without references and with single spaces only, is used in place.
    for (;;) {
        char v = *q;
        if (!(classOf(v) & ValueStop)) {
            ++q;
            continue;
        }
        if (v == quote) {
            r.value_ = {s, static_cast<size_t>(q - s)};
            q = skipSpace(q + 1);
            if (more(q)) {
                return nullptr;
            }
            return q;
        }
        if (v == ' ' && !(classOf(q[1]) & ValueStop)) {
            q += 2;
            continue;
        }
        if (v == '"' || v == '\'') {
            ++q;
            continue;
        }
        break;
    }
    value.assign(s, q);
    bool space = false;
    bool closed = false;
    for (;;) {
        char v = *q;
        if (v == quote) {
            ++q;
            closed = true;
            break;
        }
        if (v == 0) {
            if (!eof) {
                return nullptr;
            }
            pending = State::ErrorDue;
            break;
        }
        if (classOf(v) & Space) {
            // A run of whitespace is one space, and only when more of the value follows.
            space = true;
            ++q;
            continue;
        }
        if (space) {
            value.push_back(' ');
            space = false;
        }
        if (v == '&') {
            Reference ref;
            q = scanReference(q, ref);
            if (q == nullptr) {
                return nullptr;
            }
            value.append(ref.bytes);
            if (ref.error) {
                pending = State::ErrorDue;
            }
            continue;
        }
        value.push_back(v);
        ++q;
    }
    r.value_ = value;
    if (closed) {
        q = skipSpace(q);
        if (more(q)) {
            return nullptr;
        }
    }
    return q;
}

std::string_view kindName(XmlEventKind kind) {
    switch (kind) {
    case XmlEventKind::Error:
        return "Error";
    case XmlEventKind::EndOfInput:
        return "EndOfInput";
    case XmlEventKind::CharData:
        return "CharData";
    case XmlEventKind::Whitespace:
        return "Whitespace";
    case XmlEventKind::Comment:
        return "Comment";
    case XmlEventKind::ProcessingInstruction:
        return "ProcessingInstruction";
    case XmlEventKind::ElementStart:
        return "ElementStart";
    case XmlEventKind::ElementEnd:
        return "ElementEnd";
    case XmlEventKind::ElementOpen:
        return "ElementOpen";
    case XmlEventKind::Attribute:
        return "Attribute";
    case XmlEventKind::ElementClose:
        return "ElementClose";
    case XmlEventKind::CData:
        return "CData";
    case XmlEventKind::Entity:
        return "Entity";
    case XmlEventKind::Special:
        return "Special";
    }
    return "Unknown";
}

XmlReader::XmlReader(std::unique_ptr<platform::File> file, std::string fileName, XmlOptions options)
    : fileName_(std::move(fileName)), impl_(std::make_unique<Impl>()) {
    impl_->file = std::move(file);
    impl_->options = options;
    impl_->capacity = blockSize;
    impl_->buffer.reset(new char[blockSize + 1]);
    impl_->buffer[0] = 0;
    impl_->pos = impl_->end = impl_->buffer.get();
}

XmlReader::XmlReader(std::string_view bytes, XmlOptions options) : impl_(std::make_unique<Impl>()) {
    // A NUL byte ends the input.
    auto nul = bytes.empty() ? nullptr
                             : static_cast<const char*>(std::memchr(bytes.data(), 0, bytes.size()));
    if (nul != nullptr) {
        bytes = bytes.substr(0, static_cast<size_t>(nul - bytes.data()));
    }
    impl_->options = options;
    impl_->capacity = bytes.size();
    impl_->buffer.reset(new char[bytes.size() + 1]);
    if (!bytes.empty()) std::memcpy(impl_->buffer.get(), bytes.data(), bytes.size());
    impl_->buffer[bytes.size()] = 0;
    impl_->pos = impl_->buffer.get();
    impl_->end = impl_->pos + bytes.size();
    impl_->eof = true;
}

XmlReader::~XmlReader() = default;

std::unique_ptr<XmlReader> XmlReader::openFile(const std::string& path, XmlOptions options) {
    auto file = platform::openRead(path);
    if (!file) {
        throw base::IOError("Unable to read file: " + path);
    }
    return std::make_unique<XmlReader>(std::move(file), path, options);
}

void XmlReader::nextEvent() {
    impl_->step(*this);
}

void XmlReader::close() {
    impl_->file.reset();
    impl_->eof = true;
    impl_->buffer[0] = 0;
    impl_->pos = impl_->end = impl_->buffer.get();
    impl_->state = State::Normal;
}

} // namespace ledgerine::xlsx
