// Feeds arbitrary bytes to the manifest, workbook index and relationships readers, and to the
// part name joins. Errors of the program's hierarchy are fine (a date1904 that is no truth
// value, a character reference beyond 32 bits); a crash, a hang, a part table without its
// workbook entry or a joined path that climbs out of its folder is a finding.
#include "base/errors.h"
#include "base/paths.h"
#include "xlsx/manifest.h"
#include "xlsx/package.h"
#include "xlsx/xml_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace ledgerine;

bool hasParentComponent(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || base::isSeparator(path[i])) {
            if (path.substr(start, i - start) == "..") return true;
            start = i + 1;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        xlsx::XmlReader reader(bytes, {});
        xlsx::PartTable table = xlsx::readPartTable(reader);
        const std::string* workbook = table.find("workbook");
        if (!workbook || workbook->empty()) std::abort();
    } catch (const base::Error&) {
    }
    try {
        xlsx::XmlReader reader(bytes, {});
        xlsx::WorkbookIndex index = xlsx::readWorkbookIndex(reader);
        for (const auto& sheet : index.sheets)
            if (!index.relIds.contains(sheet.key)) std::abort();
    } catch (const base::Error&) {
    }
    try {
        xlsx::XmlReader reader(bytes, {});
        (void)xlsx::readRelationships(reader);
    } catch (const base::Error&) {
    }
    // The bytes as a part name and as a relationship target.
    std::string joined = xlsx::partPath("D", bytes);
    if (joined.rfind("D", 0) != 0 || hasParentComponent(joined)) std::abort();
    std::string target = xlsx::resolveTarget("/xl/workbook.xml", bytes);
    if (target.empty() || target[0] != '/' || hasParentComponent(target)) std::abort();
    return 0;
}
