// XmlReader: the pull reader every part reader is written against. Not validating, knows no
// namespaces, works on bytes (texts come out in the file's own encoding). Reads its file in
// 8192-byte blocks and holds only the current event's texts (a token longer than a block is
// held whole); texts stay valid until the next step. Malformed input never stops it: problems
// arrive as Error events. The only error it raises for malformed input is OverflowError for a
// decimal character reference beyond 32 bits; OutOfMemError when a token outgrows memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ledgerine::platform {
class File;
}

namespace ledgerine::xlsx {

enum class XmlEventKind : uint8_t {
    Error,
    EndOfInput,
    CharData,
    Whitespace,
    Comment,
    ProcessingInstruction,
    ElementStart,
    ElementEnd,
    ElementOpen,
    Attribute,
    ElementClose,
    CData,
    Entity,
    Special,
};

// The kind's name as written in event listings ("ElementOpen", "CharData", ...).
std::string_view kindName(XmlEventKind kind);

struct XmlOptions {
    bool keepWhitespace = false; // report whitespace runs everywhere
    bool reportComments = false; // deliver Comment events with their text (no reader asks)
};

class XmlReader {
public:
    // Reads from an open file; fileName is kept for messages.
    XmlReader(std::unique_ptr<platform::File> file, std::string fileName, XmlOptions options);
    // Reads from bytes held in memory (tests, fuzzing); the reader keeps its own copy.
    XmlReader(std::string_view bytes, XmlOptions options);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Opens a part file. IOError "Unable to read file: " + path when it cannot be opened.
    static std::unique_ptr<XmlReader> openFile(const std::string& path, XmlOptions options);

    // Moves to the next event. After EndOfInput every step gives EndOfInput again.
    // OverflowError "over- or underflow" for a decimal character reference beyond 2147483647.
    void nextEvent();

    XmlEventKind kind() const { return kind_; }
    // ElementStart, ElementEnd, ElementOpen, Attribute, Entity, ProcessingInstruction.
    std::string_view name() const { return name_; }
    // Attribute, ProcessingInstruction.
    std::string_view value() const { return value_; }
    // CharData, Whitespace, Comment, CData, Special.
    std::string_view text() const { return name_; }

    const std::string& fileName() const { return fileName_; }

    // Closes the file; every further step gives EndOfInput.
    void close();

    struct Impl;

private:
    XmlEventKind kind_ = XmlEventKind::EndOfInput;
    std::string_view name_;
    std::string_view value_;
    std::string fileName_;
    std::unique_ptr<Impl> impl_;
};

// The current event has that kind and exactly that name.
inline bool isElement(const XmlReader& reader, XmlEventKind kind, std::string_view name) {
    return reader.kind() == kind && reader.name() == name;
}

// The name without its namespace prefix (the part after the last ":").
inline std::string_view localName(std::string_view name) {
    auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The current event has that kind and that local name, whatever its prefix.
inline bool isElementLocal(const XmlReader& reader, XmlEventKind kind, std::string_view name) {
    return reader.kind() == kind && localName(reader.name()) == name;
}

} // namespace ledgerine::xlsx
