// Workbook loading: the reader's entry point. Unpacks the workbook into the temporary
// directory, reads the manifest, the workbook index, the styles and the shared strings, loads
// every requested worksheet as a Sheet and removes the directory on every way out. Each
// sheet's worksheet part is found through the workbook part's relationships (the sheet's
// relationship id, its Target resolved against the workbook part's folder); only when the
// relationships part or that id is missing does the manifest's "sheet" + sheetId part decide.
//
// Raises: the errors of extraction (NotExistsXlsxFileError, InvalidXlsxFileError, ...);
// KeyError "key not found: styles" without a styles part, "key not found: sheet" + sheetId
// when neither way finds a worksheet; NotFoundSheetError "no such sheet name: " + name;
// IOError "Unable to read file: " + path for a part that cannot be opened; every error of the
// part readers; OSError when removing the directory fails (in place of an error on its way).
#pragma once

#include "xlsx/sheet.h"
#include "xlsx/text_map.h"

#include <functional>
#include <string>
#include <vector>

namespace ledgerine::xlsx {

// Sheet name to Sheet, in the map's slot order. An empty sheetName loads every sheet.
TextMap<Sheet> parseExcel(const std::string& path, const std::string& sheetName, bool header,
                          bool skipHeaders, bool escapeQuotes, bool trim);

// One unpacking for a conversion: the sheet names in listing order (what readSheetNames gives)
// and every sheet as parseExcel(path, "", header set, the other flags clear) gives them. An
// empty sheet list ends the load after the workbook index, like a listing would; otherwise
// onNames sees the names before styles or worksheets are read, so a caller can refuse a name
// before any cell is loaded. Raises what readSheetNames and parseExcel raise, in their order.
struct WorkbookLoad {
    std::vector<std::string> names;
    TextMap<Sheet> sheets;
};
WorkbookLoad loadWorkbook(const std::string& path,
                          const std::function<void(const std::vector<std::string>&)>& onNames);

} // namespace ledgerine::xlsx
