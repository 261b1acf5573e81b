#include "platform/stdio_file.h"

namespace ledgerine::platform {
namespace {

class StdioFile final : public File {
public:
    explicit StdioFile(std::FILE* f) : f_(f) {}
    ~StdioFile() override { close(); }
    int64_t read(void* buffer, size_t n) override {
        size_t got = std::fread(buffer, 1, n, f_);
        if (got == 0 && std::ferror(f_)) return -1;
        return static_cast<int64_t>(got);
    }
    size_t write(const void* data, size_t n) override { return std::fwrite(data, 1, n, f_); }
    bool flush() override { return std::fflush(f_) == 0; }
    bool close() override {
        if (!f_) return true;
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_;
};

} // namespace

std::unique_ptr<File> stdioFile(std::FILE* f) {
    if (!f) return nullptr;
    return std::make_unique<StdioFile>(f);
}

} // namespace ledgerine::platform
