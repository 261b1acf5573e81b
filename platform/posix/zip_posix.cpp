#include <zip.h>

#include <string>

#include "platform/zip.h"

namespace ledgerine::platform {

struct zip* openZipArchive(const std::string& path) {
    std::string native = path;
    for (char& c : native)
        if (c == '\\') c = '/';
    int error = 0;
    return zip_open(native.c_str(), 0, &error);
}

} // namespace ledgerine::platform
