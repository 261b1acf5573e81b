#include "platform/win32/wide_text.h"
#include "platform/zip.h"

#include <string>
#include <zip.h>

namespace ledgerine::platform {

// A wide-character source, so that paths outside the system's narrow code page open too.
struct zip* openZipArchive(const std::string& path) {
    std::wstring wide = widePath(path);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_win32w_create(wide.c_str(), 0, -1, &error);
    if (!source) {
        zip_error_fini(&error);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, 0, &error);
    if (!archive) zip_source_free(source);
    zip_error_fini(&error);
    return archive;
}

} // namespace ledgerine::platform
