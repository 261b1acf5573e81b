// Steps the XML reader over arbitrary bytes, held in memory and handed out by a file in
// pieces of varying size, with and without keepWhitespace, until EndOfInput. The only error
// the reader may raise is OverflowError; anything else, a crash or a hang is a finding. Both
// ways of reading must give the same events.
#include "base/errors.h"
#include "platform/fs.h"
#include "xlsx/xml_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace ledgerine;

class PieceFile final : public platform::File {
public:
    PieceFile(std::string_view bytes, size_t piece) : bytes_(bytes), piece_(piece) {}
    int64_t read(void* buffer, size_t n) override {
        size_t take =
            std::min({n, 1 + (offset_ * 31 + calls_++) % piece_, bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, take);
        offset_ += take;
        return static_cast<int64_t>(take);
    }
    size_t write(const void*, size_t) override { return 0; }
    bool flush() override { return true; }
    bool close() override { return true; }

private:
    std::string_view bytes_;
    size_t piece_;
    size_t offset_ = 0;
    size_t calls_ = 0;
};

// Every event's kind and texts, so the two ways of reading can be compared.
std::string trace(xlsx::XmlReader& reader, size_t input) {
    std::string out;
    size_t cap = 4 * input + 16; // every step but Error and EndOfInput consumes a byte
    try {
        for (size_t i = 0; i < cap; ++i) {
            reader.nextEvent();
            out.push_back(static_cast<char>(reader.kind()));
            out += reader.name();
            out.push_back('\x01');
            out += reader.value();
            out.push_back('\x02');
            if (reader.kind() == xlsx::XmlEventKind::EndOfInput) {
                reader.nextEvent();
                if (reader.kind() != xlsx::XmlEventKind::EndOfInput) {
                    std::abort();
                }
                return out;
            }
        }
    } catch (const base::OverflowError&) {
        return out + "overflow";
    }
    std::abort(); // no EndOfInput within the cap: the reader does not advance
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (xlsx::XmlOptions options :
         {xlsx::XmlOptions{false, false}, xlsx::XmlOptions{true, true}}) {
        xlsx::XmlReader memory(bytes, options);
        std::string expected = trace(memory, size);
        xlsx::XmlReader pieces(std::make_unique<PieceFile>(bytes, 1 + size % 17), "fuzz.xml",
                               options);
        if (trace(pieces, size) != expected) {
            std::abort();
        }
    }
    return 0;
}
