#include "base/errors.h"

namespace ledgerine::base {

Error::Error(std::string_view name, std::string message)
    : name_(name), message_(std::move(message)) {}

std::string Error::report() const { return message_ + " [" + name_ + "]"; }

IndexError indexError(int64_t index, int64_t length) {
    if (length <= 0) return IndexError("index out of bounds, the container is empty");
    return IndexError("index " + std::to_string(index) + " not in 0 .. " +
                      std::to_string(length - 1));
}

RangeError rangeError(int64_t value, int64_t low, int64_t high) {
    return RangeError("value out of range: " + std::to_string(value) + " notin " +
                      std::to_string(low) + " .. " + std::to_string(high));
}

OverflowError overflowError() { return OverflowError("over- or underflow"); }

} // namespace ledgerine::base
