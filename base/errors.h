// The one error hierarchy (header-only, so that platform/ can raise it too) of the program. Every error a user can meet carries its kind's
// name and a message; front ends show it as report(): message + " [" + name + "]".
// The driver and the readers never catch these; only the front ends' boundaries do.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace ledgerine::base {

class Error : public std::exception {
public:
    Error(std::string_view name, std::string message)
        : name_(name), message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& name() const noexcept { return name_; }
    const std::string& message() const noexcept { return message_; }
    // message + " [" + name + "]", the form shown in error boxes and on the CLI's error line.
    std::string report() const { return message_ + " [" + name_ + "]"; }

private:
    std::string name_;
    std::string message_;
};

#define LEDGERINE_ERROR_KIND(Kind, Base)                                                           \
    class Kind : public Base {                                                                     \
    public:                                                                                        \
        explicit Kind(std::string message) : Base(#Kind, std::move(message)) {}                   \
                                                                                                   \
    protected:                                                                                     \
        Kind(std::string_view name, std::string message) : Base(name, std::move(message)) {}      \
    };

// "cannot open: " + path, "Failed to create '" + folder + "'", "Unable to read file: " + path...
LEDGERINE_ERROR_KIND(IOError, Error)
// The system's description of an error code, plus "Additional info: " and the quoted path.
LEDGERINE_ERROR_KIND(OSError, Error)
// "key not found: " + key.
LEDGERINE_ERROR_KIND(KeyError, Error)
// A text that breaks one of the text-to-value rules.
LEDGERINE_ERROR_KIND(ValueError, Error)
// An index outside a list; see indexError() for the two message forms.
LEDGERINE_ERROR_KIND(IndexError, Error)
// "value out of range: " + value + " notin " + low + " .. " + high; see rangeError().
LEDGERINE_ERROR_KIND(RangeError, Error)
// "over- or underflow", from the checked 32-bit arithmetic and decimal references.
LEDGERINE_ERROR_KIND(OverflowError, Error)
// "division by zero".
LEDGERINE_ERROR_KIND(DivByZeroError, Error)
// "out of memory": an allocation failed (a file asked for more than the machine has).
LEDGERINE_ERROR_KIND(OutOfMemError, Error)

// The workbook reader's own errors.
LEDGERINE_ERROR_KIND(XlsxError, Error)
// "No such xlsx file: " + path: the path is missing or names a folder.
LEDGERINE_ERROR_KIND(NotExistsXlsxFileError, XlsxError)
// "[ZIP] Can't open xlsx file: " + path, or "[ZIP] Can't read entry: " + entry name.
LEDGERINE_ERROR_KIND(InvalidXlsxFileError, XlsxError)
// "no such sheet name: " + name.
LEDGERINE_ERROR_KIND(NotFoundSheetError, XlsxError)
// "unsupport sheet data kind": a cell's type attribute names no known kind.
LEDGERINE_ERROR_KIND(UnKnownSheetDataKindError, XlsxError)

#undef LEDGERINE_ERROR_KIND

// IndexError for index in a list of the given length: "index out of bounds, the container is
// empty" when length is 0, else "index " + index + " not in 0 .. " + (length - 1).
inline IndexError indexError(int64_t index, int64_t length) {
    if (length <= 0) return IndexError("index out of bounds, the container is empty");
    return IndexError("index " + std::to_string(index) + " not in 0 .. " +
                      std::to_string(length - 1));
}

// RangeError "value out of range: " + value + " notin " + low + " .. " + high.
inline RangeError rangeError(int64_t value, int64_t low, int64_t high) {
    return RangeError("value out of range: " + std::to_string(value) + " notin " +
                      std::to_string(low) + " .. " + std::to_string(high));
}

// OverflowError "over- or underflow".
inline OverflowError overflowError() { return OverflowError("over- or underflow"); }

} // namespace ledgerine::base
