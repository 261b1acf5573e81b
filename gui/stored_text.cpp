#include "gui/stored_text.h"

#include "base/errors.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace ledgerine::gui {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

class Rc4 {
public:
    explicit Rc4(std::string_view key) {
        if (key.empty()) throw base::ValueError("empty key");
        for (int k = 0; k < 256; ++k)
            s_[k] = static_cast<std::uint8_t>(k);
        std::uint8_t j = 0;
        for (std::size_t i = 0; i < 256; ++i) {
            j = static_cast<std::uint8_t>(j + s_[i] +
                                          static_cast<std::uint8_t>(key[i % key.size()]));
            std::swap(s_[i], s_[j]);
        }
    }

    std::uint8_t next() {
        i_ = static_cast<std::uint8_t>(i_ + 1);
        j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
        std::swap(s_[i_], s_[j_]);
        return s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
    }

private:
    std::uint8_t s_[256] = {};
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
};

} // namespace

std::string decipherStoredText(std::string_view hex, std::string_view key) {
    if (hex.size() % 2 != 0) {
        throw base::ValueError("odd number of hexadecimal digits: " + std::to_string(hex.size()));
    }
    Rc4 rc4(key);
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t pos = 0; pos < hex.size(); pos += 2) {
        int high = hexDigit(hex[pos]);
        int low = hexDigit(hex[pos + 1]);
        if (high < 0 || low < 0) {
            throw base::ValueError("invalid hex integer: " + std::string(hex.substr(pos, 2)));
        }
        auto byte = static_cast<std::uint8_t>(high * 16 + low);
        out.push_back(static_cast<char>(byte ^ rc4.next()));
    }
    return out;
}

std::string encipherStoredText(std::string_view text, std::string_view key) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Rc4 rc4(key);
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        auto byte = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ rc4.next());
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
    return out;
}

} // namespace ledgerine::gui
