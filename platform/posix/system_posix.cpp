#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <type_traits>

#include "platform/system.h"

namespace ledgerine::platform {

char pathSeparator() { return '/'; }

std::string executablePath() {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string currentFolder() {
    std::string buf(4096, '\0');
    if (!::getcwd(buf.data(), buf.size())) return ".";
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

std::string systemErrorText(int code) {
    char buf[512];
    // The XSI strerror_r fills buf; the GNU one may return a static text instead.
    auto r = ::strerror_r(code, buf, sizeof buf);
    if constexpr (std::is_same_v<decltype(r), char*>) {
        return std::string(r);
    } else {
        if (r != 0) return "Unknown error " + std::to_string(code);
        return std::string(buf);
    }
}

int lastErrorCode() { return errno; }

std::optional<std::string> environmentVariable(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

std::string systemTempFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        auto v = environmentVariable(name);
        if (v && !v->empty()) return *v;
    }
    return "/tmp";
}

TimeOfDay localTimeOfDay() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    return {tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalOffset localOffsetAt(int64_t instant) {
    std::time_t t = static_cast<std::time_t>(instant);
    std::tm tm{};
    if (!::localtime_r(&t, &tm)) return {};
    return {static_cast<int32_t>(tm.tm_gmtoff), tm.tm_isdst > 0};
}

void writeStream(Stream stream, std::string_view text) {
    std::FILE* f = stream == Stream::Out ? stdout : stderr;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
}

bool isTerminal(Stream stream) {
    return ::isatty(stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void exitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace ledgerine::platform
