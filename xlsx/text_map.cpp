#include "xlsx/text_map.h"

#include <cstring>

namespace ledgerine::xlsx {

uint32_t textHash(std::string_view key) {
    const auto* data = reinterpret_cast<const unsigned char*>(key.data());
    const size_t len = key.size();
    const uint32_t c1 = 0xcc9e2d51, c2 = 0x1b873593;
    auto rotl = [](uint32_t x, int r) { return (x << r) | (x >> (32 - r)); };
    uint32_t h = 0;
    size_t blocks = len / 4;
    for (size_t i = 0; i < blocks; ++i) {
        // Little-endian read, as the x86 form of the hash defines it.
        uint32_t k = uint32_t{data[i * 4]} | uint32_t{data[i * 4 + 1]} << 8 |
                     uint32_t{data[i * 4 + 2]} << 16 | uint32_t{data[i * 4 + 3]} << 24;
        k *= c1;
        k = rotl(k, 15);
        k *= c2;
        h ^= k;
        h = rotl(h, 13);
        h = h * 5 + 0xe6546b64;
    }
    const unsigned char* tail = data + blocks * 4;
    uint32_t k = 0;
    switch (len & 3) {
    case 3:
        k ^= uint32_t{tail[2]} << 16;
        [[fallthrough]];
    case 2:
        k ^= uint32_t{tail[1]} << 8;
        [[fallthrough]];
    case 1:
        k ^= tail[0];
        k *= c1;
        k = rotl(k, 15);
        k *= c2;
        h ^= k;
    }
    h ^= static_cast<uint32_t>(len);
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h == 0 ? 314159265u : h;
}

} // namespace ledgerine::xlsx
