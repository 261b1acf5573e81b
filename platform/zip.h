// Opening a workbook archive with libzip so that any UTF-8 path works on every system
// (on Windows through a wide-character source, not a narrow path).
#pragma once

#include <string>

struct zip;

namespace ledgerine::platform {

// Opens an existing archive read-only with no flags. nullptr when it cannot be opened.
struct zip* openZipArchive(const std::string& path);

} // namespace ledgerine::platform
