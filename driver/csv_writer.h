// The CSV writer: one sheet grid becomes one text file, one line per grid row, the cell texts
// of a row joined by the separator, every line (the last too) ended by one line feed. An empty
// slot contributes nothing ("a,,c"), a sheet of 0 rows gives a 0-byte file, a sheet of 0
// columns one line feed per row. Bytes are written exactly as held (NUL bytes included), with
// no newline translation.
//
// Quoting::Minimal encloses a cell text that contains the separator (the whole separator
// text), a double quote, a CR or a LF in double quotes, each double quote doubled; every other
// cell is written unchanged. Quoting::None writes every cell unchanged. With bom the file
// starts with the UTF-8 byte-order mark EF BB BF.
//
// Only the stored cells are visited: empty slots and empty rows cost their separators and
// nothing else, so a grid that claims far more slots than it holds is never materialised.
// Output goes out in chunks of about 1 MiB, so memory stays bounded whatever the row length.
//
// Errors: IOError "cannot open: " + path when the file cannot be created or truncated;
// IOError "cannot write string to file" when a write (or the final flush) fails, the file then
// keeping what was written before. The file is closed on every way out.
#pragma once

#include "driver/settings.h"
#include "xlsx/sheet.h"

#include <string>
#include <string_view>

namespace ledgerine::driver {

void writeCsv(const xlsx::Sheet& sheet, const std::string& path, std::string_view separator,
              Quoting quoting = Quoting::Minimal, bool bom = false);

} // namespace ledgerine::driver
