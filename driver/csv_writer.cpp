#include "driver/csv_writer.h"

#include "base/errors.h"
#include "platform/fs.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ledgerine::driver {
namespace {

constexpr size_t chunkBytes = size_t{1} << 20;

class CsvOutput {
public:
    CsvOutput(const std::string& path, std::string_view separator, Quoting quoting)
        : file_(platform::openWrite(path)), separator_(separator), quoting_(quoting) {
        if (!file_) throw base::IOError("cannot open: " + path);
        buffer_.reserve(chunkBytes + 4096);
        if (quoting_ == Quoting::Minimal) {
            special_[static_cast<unsigned char>('"')] = true;
            special_[static_cast<unsigned char>('\r')] = true;
            special_[static_cast<unsigned char>('\n')] = true;
            if (!separator_.empty()) special_[static_cast<unsigned char>(separator_[0])] = true;
        }
    }

    void raw(std::string_view bytes) {
        buffer_.append(bytes);
        if (buffer_.size() >= chunkBytes) drain();
    }

    // count separators; a long run (an empty stretch of a wide row) goes out in chunks.
    void separators(int64_t count) {
        if (separator_.size() == 1) {
            while (count > 0) {
                size_t room = chunkBytes > buffer_.size() ? chunkBytes - buffer_.size() : 1;
                size_t n = count < static_cast<int64_t>(room) ? static_cast<size_t>(count) : room;
                buffer_.append(n, separator_[0]);
                count -= static_cast<int64_t>(n);
                if (buffer_.size() >= chunkBytes) drain();
            }
            return;
        }
        for (; count > 0; --count) {
            buffer_.append(separator_);
            if (buffer_.size() >= chunkBytes) drain();
        }
    }

    void cell(std::string_view text) {
        if (quoting_ == Quoting::Minimal && needsQuotes(text)) {
            buffer_.push_back('"');
            size_t start = 0;
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] != '"') continue;
                buffer_.append(text.substr(start, i + 1 - start));
                buffer_.push_back('"');
                start = i + 1;
            }
            buffer_.append(text.substr(start));
            buffer_.push_back('"');
        } else {
            buffer_.append(text);
        }
        if (buffer_.size() >= chunkBytes) drain();
    }

    void lineEnd() {
        buffer_.push_back('\n');
        if (buffer_.size() >= chunkBytes) drain();
    }

    void finish() {
        drain();
        bool closed = file_->close();
        if (!closed) throw base::IOError("cannot write string to file");
    }

private:
    bool needsQuotes(std::string_view text) const {
        const size_t n = text.size();
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (!special_[c]) continue;
            if (c == '"' || c == '\r' || c == '\n') return true;
            if (text.substr(i, separator_.size()) == separator_) return true;
        }
        return false;
    }

    void drain() {
        if (buffer_.empty()) return;
        if (file_->write(buffer_.data(), buffer_.size()) != buffer_.size())
            throw base::IOError("cannot write string to file");
        buffer_.clear();
    }

    std::unique_ptr<platform::File> file_;
    std::string_view separator_;
    Quoting quoting_;
    std::array<bool, 256> special_{};
    std::string buffer_;
};

} // namespace

void writeCsv(const xlsx::Sheet& sheet, const std::string& path, std::string_view separator,
              Quoting quoting, bool bom) {
    CsvOutput out(path, separator, quoting);
    if (bom) out.raw("\xEF\xBB\xBF");

    const int32_t rows = sheet.shape.rows > 0 ? sheet.shape.rows : 0;
    const int32_t columns = sheet.shape.columns > 0 ? sheet.shape.columns : 0;
    const int64_t gapsPerRow = columns > 0 ? columns - 1 : 0;
    const int64_t slots = int64_t{rows} * columns;

    // Position reached: the row being written and the separators already written in it.
    int32_t row = 0;
    int64_t written = 0;
    auto endRow = [&] {
        out.separators(gapsPerRow - written);
        out.lineEnd();
        ++row;
        written = 0;
    };

    sheet.forEachCell([&](const xlsx::Sheet::CellView& c) {
        if (c.row >= rows || c.column >= columns)
            throw base::indexError(int64_t{c.row} * columns + c.column, slots);
        while (row < c.row)
            endRow();
        out.separators(c.column - written);
        written = c.column;
        out.cell(c.text);
    });
    while (row < rows)
        endRow();
    out.finish();
}

} // namespace ledgerine::driver
