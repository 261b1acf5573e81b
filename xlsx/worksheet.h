// Worksheet reader: turns one worksheet part into a Sheet. parseSheet reads the cells into a
// RawSheet, toSheet builds the grid of texts; loadSheet does both in one streaming pass with
// the same texts, shape, column kinds and errors, holding only the cells' texts.
//
// The grid is the dimension range extended to the bounding box of the cells present (a
// missing dimension, or one naming a single cell, is no range; no range and no cells give
// shape (0, 0)). The dimension never sizes an allocation. sheetData and row are found with or
// without attributes, elements by local name. A c without r goes to the column after the
// previous cell of its row; a row without r follows the previous row. A later cell for the
// same position replaces the earlier one. With trim, rows after the last cell read are cut
// (a partly filled last row is kept whole).
//
// Raises: IOError "Unable to read file: " + path; RangeError for a dimension reversed in one
// direction (the negative slot count) or, in the grid builder, in both (the negative column
// count); OverflowError when the grid's rows × columns pass 32 bits; DivByZeroError with trim
// on a grid of no columns; every error of parseCell and cellText. Errors of reading come
// before errors of the texts, and among texts the first slot's error in row-major order.
#pragma once

#include "xlsx/sheet.h"
#include "xlsx/styles.h"

#include <string>

namespace ledgerine::xlsx {

class XmlReader;
class SharedStrings;

RawSheet parseSheet(const std::string& path, const StyleFormats& styleFormats, bool date1904,
                    bool trim);
RawSheet parseSheet(XmlReader& reader, const StyleFormats& styleFormats, bool date1904, bool trim);

Sheet toSheet(const RawSheet& raw, const SharedStrings& sharedStrings, bool header,
              bool skipHeaders);

Sheet loadSheet(const std::string& path, const StyleFormats& styleFormats, bool date1904,
                const SharedStrings& sharedStrings, bool header, bool skipHeaders, bool trim);
Sheet loadSheet(XmlReader& reader, const StyleFormats& styleFormats, bool date1904,
                const SharedStrings& sharedStrings, bool header, bool skipHeaders, bool trim);

} // namespace ledgerine::xlsx
