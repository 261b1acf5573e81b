// Styles and number formats: the number format code of every cell style (cellXfs), which
// decides whether a number cell is written as a date, a time of day or its own text.
// numFmts and cellXfs are recognised with or without attributes, elements by local name.
// Custom format codes are stored lowercased (Unicode simple lowercase mapping). Every xf of
// cellXfs gives exactly one entry, so entries stay at their style index (an xf without
// numFmtId has the General format, id 0).
//
// Raises: IOError "Unable to read file: " + path; ValueError "invalid integer: " + text for a
// cellXfs count that is no integer text; RangeError "value out of range: " + count +
// " notin 0 .. 2147483647" for a negative count.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ledgerine::xlsx {

class XmlReader;

// One format code per cell style, in style index order; "none" for an id with no known code.
using StyleFormats = std::vector<std::string>;

StyleFormats parseStyles(const std::string& path);
StyleFormats parseStyles(XmlReader& reader);

// The 28 built-in format codes by id text ("14" -> "mm-dd-yy").
extern const std::vector<std::pair<std::string_view, std::string_view>> builtinFormats;
// The 45 known lowercase format codes and their classes ("float", "percentage", "date",
// "time").
extern const std::vector<std::pair<std::string_view, std::string_view>> formatClasses;

// The built-in code for an id text, or empty when the id has none.
std::string_view builtinFormat(std::string_view id);

// formatClasses[code] when the code is a key, otherwise "date" (the lookup is exact).
std::string_view formatClass(std::string_view code);

} // namespace ledgerine::xlsx
