// Event listings: one line of text per XML reader event, the form printed by
// ledgerine-xml-events and compared by the reader's tests. A line is the kind's name, then
// for kinds with a name " " + name, for Attribute " " + name + "=" + value, for kinds with a
// text " " + text, for ProcessingInstruction " " + name + " " + value. Bytes below 0x20 and
// 0x7F are written as C escapes (\n, \r, \t, else \xHH), and "\" as "\\". Raises nothing of
// its own; renderEvents passes on the reader's OverflowError.
#pragma once

#include "xlsx/xml_reader.h"

#include <string>
#include <string_view>

namespace ledgerine::xlsx {

// Appends bytes with the escapes above.
void appendEscaped(std::string& out, std::string_view bytes);

// The current event as one line, without the line feed.
std::string renderEvent(const XmlReader& reader);

// Steps the reader up to and including EndOfInput; one line per event, each ended by "\n".
std::string renderEvents(XmlReader& reader);

} // namespace ledgerine::xlsx
