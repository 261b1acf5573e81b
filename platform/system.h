// Process, environment, time and text services of the operating system, in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ledgerine::platform {

// The directory separator written in paths: "\" on Windows, "/" elsewhere. Both are accepted
// when a path is taken apart, on every system.
char pathSeparator();

std::string executablePath();
std::string currentFolder();

// The system's description of an error code (errno on POSIX, GetLastError on Windows).
std::string systemErrorText(int code);
// The last system error code of the calling thread.
int lastErrorCode();

// Empty optional when the variable is not set.
std::optional<std::string> environmentVariable(const std::string& name);

// The system temporary folder: "TEMP", then "TMPDIR", then "/tmp" on POSIX; on Windows "TEMP".
// Empty when none applies.
std::string systemTempFolder();

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};
TimeOfDay localTimeOfDay();

struct LocalOffset {
    int32_t seconds = 0; // east of UTC positive
    bool dst = false;
};
// The local zone's offset from UTC in force at an instant (seconds since 1970-01-01T00:00:00Z).
LocalOffset localOffsetAt(int64_t instant);

enum class Stream { Out, Err };
void writeStream(Stream stream, std::string_view text);
bool isTerminal(Stream stream);

void sleepMilliseconds(int ms);

[[noreturn]] void exitProcess(int status);

} // namespace ledgerine::platform
