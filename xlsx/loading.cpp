#include "xlsx/loading.h"

#include "base/errors.h"
#include "xlsx/manifest.h"
#include "xlsx/package.h"
#include "xlsx/shared_strings.h"
#include "xlsx/styles.h"
#include "xlsx/worksheet.h"

#include <functional>
#include <vector>

namespace ledgerine::xlsx {
namespace {

// The loading sequence over an unpacked package. onIndex sees the sheet names in listing
// order once the workbook index is read and may stop the load by returning false.
TextMap<Sheet> loadExtracted(const std::string& dir, const std::string& sheetName, bool header,
                             bool skipHeaders, bool escapeQuotes, bool trim,
                             const std::function<bool(const std::vector<std::string>&)>& onIndex) {
    TextMap<Sheet> result;
    PartTable parts = readPartTable(partPath(dir, "[Content_Types].xml"));
    std::string workbookPart = parts.at("workbook");
    WorkbookIndex index = readWorkbookIndex(partPath(dir, workbookPart));
    if (onIndex) {
        std::vector<std::string> names;
        for (const auto& entry : index.sheets)
            names.push_back(entry.key);
        if (!onIndex(names)) return result;
    }
    StyleFormats styles = parseStyles(partPath(dir, parts.at("styles")));
    SharedStrings strings;
    if (const std::string* part = parts.find("sharedStrings"))
        strings = parseSharedStrings(partPath(dir, *part), escapeQuotes);
    TextMap<std::string> relationships =
        readRelationships(partPath(dir, relationshipsPartFor(workbookPart)));

    // Sheet ids need not match worksheet file names once sheets were deleted or moved;
    // the relationship id is what names the part.
    auto worksheetPart = [&](const std::string& name, const std::string& sheetId) {
        const std::string* id = index.relIds.find(name);
        if (id && !id->empty())
            if (const std::string* target = relationships.find(*id))
                return resolveTarget(workbookPart, *target);
        return parts.at("sheet" + sheetId);
    };
    auto load = [&](const std::string& name, const std::string& sheetId) {
        result.set(name, loadSheet(partPath(dir, worksheetPart(name, sheetId)), styles,
                                   index.date1904, strings, header, skipHeaders, trim));
    };
    if (sheetName.empty()) {
        for (const auto& entry : index.sheets)
            load(entry.key, entry.value);
    } else {
        const std::string* sheetId = index.sheets.find(sheetName);
        if (!sheetId) throw base::NotFoundSheetError("no such sheet name: " + sheetName);
        load(sheetName, *sheetId);
    }
    return result;
}

} // namespace

TextMap<Sheet> parseExcel(const std::string& path, const std::string& sheetName, bool header,
                          bool skipHeaders, bool escapeQuotes, bool trim) {
    return withExtractedPackage(path, [&](const std::string& dir) {
        return loadExtracted(dir, sheetName, header, skipHeaders, escapeQuotes, trim, nullptr);
    });
}

WorkbookLoad loadWorkbook(const std::string& path,
                          const std::function<void(const std::vector<std::string>&)>& onNames) {
    WorkbookLoad out;
    out.sheets = withExtractedPackage(path, [&](const std::string& dir) {
        return loadExtracted(dir, "", true, false, false, false,
                             [&](const std::vector<std::string>& names) {
                                 out.names = names;
                                 if (names.empty()) return false;
                                 if (onNames) onNames(names);
                                 return true;
                             });
    });
    return out;
}

} // namespace ledgerine::xlsx
