// The package manifest, the workbook index and the workbook's relationships: where the parts
// of a package are and which sheets the workbook lists. Element names are matched by local
// name (a namespace prefix is ignored). Malformed XML raises nothing: a reader passes over
// Error events and a truncated file ends the reading with what was stored.
//
// Raises: IOError "Unable to read file: " + path when a part file cannot be opened; ValueError
// "cannot interpret as a bool: " + value for a date1904 that is no truth value; the errors of
// extractXml and of the temporary directory's removal (readSheetNames).
#pragma once

#include "xlsx/text_map.h"

#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::xlsx {

class XmlReader;

// File stem of a part (workbook, styles, sheet1...) to its part name as written.
using PartTable = TextMap<std::string>;

struct WorkbookIndex {
    TextMap<std::string> sheets; // sheet name to its sheetId text, as written
    bool date1904 = false;
    // Sheet name to the sheet's relationship id (normally r:id); empty when it has none.
    TextMap<std::string> relIds;
};

// The root element's namespace prefix ("x:" for x:workbook, else empty), read from a reader
// that has just been opened; the reader stays on the event it stopped at.
std::string namespacePrefix(XmlReader& reader);

// The manifest ([Content_Types].xml): every Override's PartName under its file stem; always
// has a non-empty "workbook" entry ("xl/workbook.xml" when the manifest names none).
PartTable readPartTable(const std::string& path);
PartTable readPartTable(XmlReader& reader);

// The workbook part: its sheets (reading ends at the first element after the sheet list) and
// the date1904 flag of a workbookPr that comes before the sheet list.
WorkbookIndex readWorkbookIndex(const std::string& path);
WorkbookIndex readWorkbookIndex(XmlReader& reader);

// A relationships part: relationship Id to Target, as written. A missing file gives an empty
// map (a workbook without relationships is no error).
TextMap<std::string> readRelationships(const std::string& path);
TextMap<std::string> readRelationships(XmlReader& reader);

// The relationships part of a part: "/xl/workbook.xml" gives "/xl/_rels/workbook.xml.rels".
std::string relationshipsPartFor(std::string_view partName);

// A relationship's target as a part name from the package root ("/xl/worksheets/sheet1.xml"):
// relative to partName's folder, or from the root when it starts with "/"; "." and ".."
// segments are resolved and never climb above the root.
std::string resolveTarget(std::string_view partName, std::string_view target);

// The file stem of a part name: its last component without its extension.
std::string fileStem(std::string_view partName);

// The sheet names of a workbook, in the listing order of the sheet map. Unpacks the package
// and removes the temporary directory on every way out.
std::vector<std::string> readSheetNames(const std::string& path);

} // namespace ledgerine::xlsx
