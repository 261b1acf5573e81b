#include "driver/settings.h"

#include "base/checked.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text_rules.h"
#include "platform/fs.h"
#include "platform/system.h"

#include <cstdint>
#include <memory>

namespace ledgerine::driver {

std::string currentSeparator = ",";
Quoting currentQuoting = Quoting::Minimal;
bool currentBom = false;

namespace {

// The file is read in pieces so that a huge settings file never has to be held whole.
class ByteSource {
public:
    ByteSource(platform::File& file, const std::string& path) : file_(file), path_(path) {}

    // The byte `ahead` places after the current one; 0 past the end of the file, which the
    // reader treats exactly like a NUL byte.
    unsigned char peek(size_t ahead = 0) {
        while (pos_ + ahead >= buffer_.size() && !eof_)
            refill();
        return pos_ + ahead < buffer_.size() ? static_cast<unsigned char>(buffer_[pos_ + ahead])
                                             : 0;
    }
    void skip(size_t n = 1) { pos_ += n; }

private:
    static constexpr size_t chunk = 64 * 1024;

    void refill() {
        buffer_.erase(0, pos_);
        pos_ = 0;
        size_t kept = buffer_.size();
        buffer_.resize(kept + chunk);
        int64_t got = file_.read(buffer_.data() + kept, chunk);
        if (got < 0) {
            buffer_.resize(kept);
            throw base::IOError("cannot open: " + path_);
        }
        buffer_.resize(kept + static_cast<size_t>(got));
        if (got == 0) eof_ = true;
    }

    platform::File& file_;
    const std::string& path_;
    std::string buffer_;
    size_t pos_ = 0;
    bool eof_ = false;
};

enum class TokenKind { End, Equals, Colon, OpenBracket, CloseBracket, DoubleDash, Text, Invalid };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text; // the word or the string's bytes, for Text
};

bool isLineEnd(unsigned char c) {
    return c == '\n' || c == '\r';
}

bool isWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '/' || c == '\\' || c >= 0x80;
}

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The byte a one-letter escape stands for (letters in either case), or -1.
int escapedByte(unsigned char c) {
    switch (lowerAscii(static_cast<char>(c))) {
    case 'n':
    case 'l':
        return '\n';
    case 'r':
    case 'c':
        return '\r';
    case 'f':
        return '\f';
    case 'e':
        return 0x1b;
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'v':
        return '\v';
    case 't':
        return '\t';
    case '\'':
    case '"':
    case '\\':
        return c;
    default:
        return -1;
    }
}

class Lexer {
public:
    explicit Lexer(ByteSource& in) : in_(in) {}

    Token next() {
        skipSpaceAndComments();
        unsigned char c = in_.peek();
        switch (c) {
        case 0:
            return {TokenKind::End, {}};
        case '=':
            return single(TokenKind::Equals);
        case ':':
            return single(TokenKind::Colon);
        case '[':
            return single(TokenKind::OpenBracket);
        case ']':
            return single(TokenKind::CloseBracket);
        case '-':
            if (in_.peek(1) != '-') return bareWord();
            in_.skip(2);
            return {TokenKind::DoubleDash, {}};
        case '"':
            return string(false);
        case 'r':
        case 'R':
            if (in_.peek(1) != '"') return bareWord();
            in_.skip();
            return string(true);
        default:
            return bareWord();
        }
    }

private:
    Token single(TokenKind kind) {
        in_.skip();
        return {kind, {}};
    }

    void skipSpaceAndComments() {
        for (;;) {
            unsigned char c = in_.peek();
            if (c == ' ' || c == '\t' || isLineEnd(c)) {
                in_.skip();
            } else if (c == '#' || c == ';') {
                // A NUL ends the comment as it ends the file.
                while ((c = in_.peek()) != 0 && !isLineEnd(c))
                    in_.skip();
            } else {
                return;
            }
        }
    }

    // Skips one line end (LF, CR or CR LF) when one is next.
    bool skipLineEnd() {
        unsigned char c = in_.peek();
        if (!isLineEnd(c)) return false;
        in_.skip();
        if (c == '\r' && in_.peek() == '\n') in_.skip();
        return true;
    }

    Token bareWord() {
        Token token{TokenKind::Text, {}};
        token.text.push_back(static_cast<char>(in_.peek()));
        in_.skip();
        while (isWordByte(in_.peek())) {
            token.text.push_back(static_cast<char>(in_.peek()));
            in_.skip();
        }
        return token;
    }

    // At the opening double quote (after the r of a raw string).
    Token string(bool raw) {
        if (in_.peek(1) == '"' && in_.peek(2) == '"') {
            in_.skip(3);
            return longString();
        }
        in_.skip();
        Token token{TokenKind::Text, {}};
        for (;;) {
            unsigned char c = in_.peek();
            if (c == '"') {
                in_.skip();
                return token;
            }
            if (c == 0 || isLineEnd(c)) return {TokenKind::Invalid, {}};
            in_.skip();
            if (c == '\\' && !raw) {
                if (!escape(token.text)) return {TokenKind::Invalid, {}};
            } else {
                token.text.push_back(static_cast<char>(c));
            }
        }
    }

    // After the opening three quotes: no escapes, every line end becomes one LF.
    Token longString() {
        Token token{TokenKind::Text, {}};
        skipLineEnd();
        for (;;) {
            unsigned char c = in_.peek();
            if (c == '"' && in_.peek(1) == '"' && in_.peek(2) == '"') {
                in_.skip(3);
                return token;
            }
            if (c == 0) return {TokenKind::Invalid, {}};
            if (skipLineEnd()) {
                token.text.push_back('\n');
            } else {
                token.text.push_back(static_cast<char>(c));
                in_.skip();
            }
        }
    }

    // After a backslash; false when the escape makes the token invalid.
    bool escape(std::string& out) {
        unsigned char c = in_.peek();
        if (int byte = escapedByte(c); byte >= 0) {
            in_.skip();
            out.push_back(static_cast<char>(byte));
            return true;
        }
        if (c == 'x' || c == 'X') {
            in_.skip();
            int value = 0;
            for (int digits = 0; digits < 2 && hexValue(in_.peek()) >= 0; ++digits) {
                value = value * 16 + hexValue(in_.peek());
                in_.skip();
            }
            out.push_back(static_cast<char>(value));
            return true;
        }
        if (c < '0' || c > '9') return false;
        // Every digit is taken, so a long run overflows rather than being cut short.
        int32_t value = 0;
        while ((c = in_.peek()) >= '0' && c <= '9') {
            value = base::checkedAdd(base::checkedMul(value, 10), c - '0');
            in_.skip();
        }
        if (value > 255) return false;
        out.push_back(static_cast<char>(value));
        return true;
    }

    ByteSource& in_;
};

// Fills the table from the events until End or the first error.
void readEvents(Lexer& lexer, SettingsTable& table) {
    std::string section;
    Token token = lexer.next();
    for (;;) {
        switch (token.kind) {
        case TokenKind::OpenBracket: {
            Token name = lexer.next();
            if (name.kind != TokenKind::Text) return;
            if (lexer.next().kind != TokenKind::CloseBracket) return;
            section = std::move(name.text);
            token = lexer.next();
            break;
        }
        case TokenKind::DoubleDash:
        case TokenKind::Text: {
            std::string key;
            if (token.kind == TokenKind::DoubleDash) {
                Token name = lexer.next();
                if (name.kind != TokenKind::Text) return;
                key = "--" + name.text;
            } else {
                key = std::move(token.text);
            }
            Token after = lexer.next();
            if (after.kind == TokenKind::Equals || after.kind == TokenKind::Colon) {
                Token value = lexer.next();
                if (value.kind != TokenKind::Text) return;
                table.slot(section).slot(key) = std::move(value.text);
                token = lexer.next();
            } else {
                table.slot(section).slot(key).clear();
                token = std::move(after);
            }
            break;
        }
        default: // End, or an error: Equals, Colon, Close bracket, an invalid token
            return;
        }
    }
}

std::string settingsPathIn(const std::string& folder) {
    return base::joinPath(folder, settingsFileName);
}

void writeWholeFile(const std::string& path, const std::string& content) {
    std::unique_ptr<platform::File> file = platform::openWrite(path);
    if (!file) throw base::IOError("cannot open: " + path);
    if (file->write(content.data(), content.size()) != content.size())
        throw base::IOError("cannot write string to file");
    if (!file->close()) throw base::IOError("cannot write string to file");
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

Quoting quotingValue(const std::string& value, const std::string& path) {
    if (value.empty() || equalsIgnoringCase(value, "minimal")) return Quoting::Minimal;
    if (equalsIgnoringCase(value, "none")) return Quoting::None;
    throw base::ValueError("invalid quoting in " + path + ": " + value + " (minimal or none)");
}

bool bomValue(const std::string& value, const std::string& path) {
    if (value.empty()) return false;
    try {
        return base::parseBoolean(value);
    } catch (const base::ValueError&) {
        // The bare boolean message would not tell the user which file and key are wrong.
        throw base::ValueError("invalid bom in " + path + ": " + value + " (true or false)");
    }
}

} // namespace

OutputSettings currentOutputSettings() {
    return {currentSeparator, currentQuoting, currentBom};
}

std::string settingsFolder() {
    return base::parentPath(platform::executablePath());
}

void ensureSettingsFile(const std::string& content, const std::string& fileName) {
    ensureSettingsFile(settingsFolder(), content, fileName);
}

void ensureSettingsFile(const std::string& folder, const std::string& content,
                        const std::string& fileName) {
    std::string path = base::joinPath(folder, fileName);
    std::string parent = base::parentPath(path);
    if (!parent.empty() && !platform::folderExists(parent)) {
        try {
            platform::createFolders(parent);
        } catch (const base::OSError&) {
            platform::writeStream(platform::Stream::Out,
                                  "Failed to create directory: " + parent + "\n");
            platform::exitProcess(1);
        }
    }
    // An existing file is the user's, whatever its size: rewriting one that differs from the
    // default in length would throw away an edit such as separator="\t".
    if (!platform::fileExists(path)) writeWholeFile(path, content);

    // Some file systems show a new file only after a moment; do not wait for ever.
    constexpr int stepMs = 10;
    constexpr int limitMs = 5000;
    for (int waited = 0; !platform::fileExists(path); waited += stepMs) {
        if (waited >= limitMs) throw base::IOError("cannot open: " + path);
        platform::sleepMilliseconds(stepMs);
    }
}

void reloadSeparator() {
    reloadSeparator(settingsFolder());
}

void reloadSeparator(const std::string& folder) {
    std::string path = settingsPathIn(folder);
    if (!platform::fileExists(path)) return;
    std::string value = settingValue(loadSettings(path), "", "separator");
    if (!value.empty()) currentSeparator = std::move(value);
}

OutputSettings reloadSettings() {
    return reloadSettings(settingsFolder());
}

OutputSettings reloadSettings(const std::string& folder) {
    std::string path = settingsPathIn(folder);
    if (!platform::fileExists(path)) return currentOutputSettings();
    SettingsTable table = loadSettings(path);
    std::string separator = settingValue(table, "", "separator");
    // Every value is checked before any is taken, so an invalid file changes nothing.
    Quoting quoting = quotingValue(settingValue(table, "", "quoting"), path);
    bool bom = bomValue(settingValue(table, "", "bom"), path);
    if (!separator.empty()) currentSeparator = std::move(separator);
    currentQuoting = quoting;
    currentBom = bom;
    return currentOutputSettings();
}

SettingsTable loadSettings(const std::string& path) {
    std::unique_ptr<platform::File> file = platform::openRead(path);
    if (!file) throw base::IOError("cannot open: " + path);
    ByteSource source(*file, path);
    Lexer lexer(source);
    SettingsTable table;
    readEvents(lexer, table);
    return table;
}

std::string settingValue(const SettingsTable& table, std::string_view section,
                         std::string_view key) {
    const SettingsSection* pairs = table.find(section);
    if (!pairs) return {};
    const std::string* value = pairs->find(key);
    return value ? *value : std::string();
}

} // namespace ledgerine::driver
