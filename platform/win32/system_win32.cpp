#define WIN32_LEAN_AND_MEAN
#include "platform/system.h"
#include "platform/win32/wide_text.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <windows.h>

namespace ledgerine::platform {
namespace {

constexpr int64_t ticksPerSecond = 10000000; // FILETIME counts 100 ns
constexpr int64_t secondsFrom1601To1970 = 11644473600;
constexpr int64_t lastInstant = 253402300799; // 9999-12-31T23:59:59Z

int64_t ticksOf(const SYSTEMTIME& t) {
    FILETIME ft;
    if (!::SystemTimeToFileTime(&t, &ft)) return 0;
    return static_cast<int64_t>((uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime);
}

// The zone's rules for one year. Reading them goes to the registry, and date cells ask for
// the offset of every value, so each year is looked up once per process.
class ZoneRules {
public:
    bool forYear(int year, TIME_ZONE_INFORMATION& rules) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!haveZone_) {
            haveZone_ = true;
            if (::GetDynamicTimeZoneInformation(&zone_) == TIME_ZONE_ID_INVALID) zone_ = {};
        }
        auto found = years_.find(year);
        if (found == years_.end()) {
            TIME_ZONE_INFORMATION info{};
            if (!::GetTimeZoneInformationForYear(static_cast<USHORT>(year), &zone_, &info) &&
                ::GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID)
                return false;
            found = years_.emplace(year, info).first;
        }
        rules = found->second;
        return true;
    }

private:
    std::mutex mutex_;
    bool haveZone_ = false;
    DYNAMIC_TIME_ZONE_INFORMATION zone_{};
    std::map<int, TIME_ZONE_INFORMATION> years_;
};

ZoneRules& zoneRules() {
    static ZoneRules rules;
    return rules;
}

// Console output takes UTF-16; anything else (a pipe, a file) gets the UTF-8 bytes as they are.
void writeHandle(HANDLE handle, std::string_view text) {
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        std::wstring wide = wideText(text);
        const wchar_t* p = wide.data();
        size_t left = wide.size();
        while (left > 0) {
            DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteConsoleW(handle, p, chunk, &written, nullptr) || written == 0) return;
            p += written;
            left -= written;
        }
        return;
    }
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(handle, p, chunk, &written, nullptr) || written == 0) return;
        p += written;
        left -= written;
    }
}

HANDLE streamHandle(Stream stream) {
    return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

char pathSeparator() {
    return '\\';
}

std::string executablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return utf8Text(buf);
        }
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string currentFolder() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return ".";
    std::wstring buf(n, L'\0');
    n = ::GetCurrentDirectoryW(n, buf.data());
    if (n == 0 || n >= buf.size()) return ".";
    buf.resize(n);
    return utf8Text(buf);
}

std::string systemErrorText(int code) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || !text) return "Unknown error " + std::to_string(code);
    std::wstring wide(text, n);
    ::LocalFree(text);
    // The system ends its texts with a line break; the text itself stays as given.
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n'))
        wide.pop_back();
    return utf8Text(wide);
}

int lastErrorCode() {
    return static_cast<int>(::GetLastError());
}

std::optional<std::string> environmentVariable(const std::string& name) {
    std::wstring wname = wideText(name);
    ::SetLastError(ERROR_SUCCESS);
    DWORD n = ::GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    // The value may change between the calls; ask again until it fits.
    for (;;) {
        std::wstring buf(n, L'\0');
        DWORD got = ::GetEnvironmentVariableW(wname.c_str(), buf.data(), n);
        if (got == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (got < n) {
            buf.resize(got);
            return utf8Text(buf);
        }
        n = got;
    }
}

std::string systemTempFolder() {
    return environmentVariable("TEMP").value_or("");
}

TimeOfDay localTimeOfDay() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return {t.wHour, t.wMinute, t.wSecond};
}

// The system's own zone rules, year by year (dynamic time zones included), so that any
// instant, after 2038 as well, gets the offset the system shows for it. The C runtime's
// localtime is not used: it reads a "TZ" variable with rules of its own and stops at 3000.
LocalOffset localOffsetAt(int64_t instant) {
    if (instant < -secondsFrom1601To1970) instant = -secondsFrom1601To1970;
    if (instant > lastInstant) instant = lastInstant;
    uint64_t ticks = static_cast<uint64_t>(instant + secondsFrom1601To1970) * ticksPerSecond;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc;
    if (!::FileTimeToSystemTime(&ft, &utc)) return {};
    TIME_ZONE_INFORMATION rules;
    if (!zoneRules().forYear(utc.wYear, rules)) return {};
    SYSTEMTIME local;
    if (!::SystemTimeToTzSpecificLocalTime(&rules, &utc, &local)) return {};
    int64_t offset = (ticksOf(local) - ticksOf(utc)) / ticksPerSecond;
    int64_t standard = -int64_t{rules.Bias + rules.StandardBias} * 60;
    bool dst = rules.DaylightDate.wMonth != 0 && offset != standard;
    return {static_cast<int32_t>(offset), dst};
}

void writeStream(Stream stream, std::string_view text) {
    // Whatever the C runtime holds for the same stream goes first, so the order is kept.
    std::fflush(stream == Stream::Out ? stdout : stderr);
    writeHandle(streamHandle(stream), text);
}

bool isTerminal(Stream stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(streamHandle(stream), &mode) != 0;
}

void sleepMilliseconds(int ms) {
    ::Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms));
}

void exitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace ledgerine::platform
