// Shared strings: the workbook's list of cell texts, addressed by a 0-based index. Every item's
// text is the text of all its t elements joined (rich-text runs included), except those inside
// phonetic runs (rPh); CDATA counts as text; the file format's escapes _xHHHH_ are decoded to
// UTF-8. uniqueCount, when present, sets the list's least length (items beyond it extend the
// list); it never sizes an allocation: the texts sit in one arena, empty tail slots cost
// nothing. Element names are matched by local name (x:si works).
//
// Raises: IOError "Unable to read file: " + path; ValueError "invalid integer: " + text for a
// uniqueCount that is no integer text (RangeError beyond 32 bits); RangeError "value out of
// range: " + count + " notin 0 .. 2147483647" for a negative uniqueCount.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::xlsx {

class XmlReader;

class SharedStrings {
public:
    // Number of slots (at least the uniqueCount read).
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The text at index; an index below size() but past the items read is the empty text.
    std::string_view operator[](size_t index) const {
        if (index + 1 >= offsets_.size()) return {};
        return std::string_view(arena_).substr(offsets_[index],
                                               offsets_[index + 1] - offsets_[index]);
    }
    // Items actually read.
    size_t items() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
    // Bytes held, for the memory budget.
    size_t storageBytes() const {
        return arena_.capacity() + offsets_.capacity() * sizeof(uint64_t);
    }

    // Building: the next item's text is appended to the arena, then closed by endItem().
    std::string& arena() { return arena_; }
    void endItem();
    void setLeastSize(size_t n);
    void reserveItems(size_t n);
    // Releases spare capacity once the list is complete.
    void shrink();

private:
    std::string arena_;
    std::vector<uint64_t> offsets_{0};
    size_t size_ = 0;
};

// Reads the shared strings part at path. With escapeQuotes, each item is replaced by its
// escaped form: in double quotes, with bytes 0-31 and 127-255 written as \xHH, and \, ' and "
// preceded by a backslash.
SharedStrings parseSharedStrings(const std::string& path, bool escapeQuotes);
SharedStrings parseSharedStrings(XmlReader& reader, bool escapeQuotes);

// Reads one string item (si, or a cell's is) from the reader positioned at the item's start
// event (ElementStart or ElementOpen) up to its end tag, appending its text to out: every t
// element's text outside rPh runs, _xHHHH_ escapes decoded.
void readItemText(XmlReader& reader, std::string& out);

// Decodes the _xHHHH_ escapes (UTF-16 code units, surrogate pairs joined, a lone surrogate as
// U+FFFD) of text[from..] in place.
void decodeEscapes(std::string& text, size_t from);

// The escaped form of a text (see parseSharedStrings).
std::string escapeText(std::string_view text);

} // namespace ledgerine::xlsx
