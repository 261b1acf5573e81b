#include "xlsx/xml_events_text.h"

namespace ledgerine::xlsx {

void appendEscaped(std::string& out, std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out.push_back(digits[u >> 4]);
            out.push_back(digits[u & 0xF]);
        } else {
            out.push_back(c);
        }
    }
}

std::string renderEvent(const XmlReader& reader) {
    std::string line(kindName(reader.kind()));
    switch (reader.kind()) {
    case XmlEventKind::ElementStart:
    case XmlEventKind::ElementEnd:
    case XmlEventKind::ElementOpen:
    case XmlEventKind::Entity:
        line.push_back(' ');
        appendEscaped(line, reader.name());
        break;
    case XmlEventKind::Attribute:
        line.push_back(' ');
        appendEscaped(line, reader.name());
        line.push_back('=');
        appendEscaped(line, reader.value());
        break;
    case XmlEventKind::CharData:
    case XmlEventKind::Whitespace:
    case XmlEventKind::Comment:
    case XmlEventKind::CData:
    case XmlEventKind::Special:
        line.push_back(' ');
        appendEscaped(line, reader.text());
        break;
    case XmlEventKind::ProcessingInstruction:
        line.push_back(' ');
        appendEscaped(line, reader.name());
        line.push_back(' ');
        appendEscaped(line, reader.value());
        break;
    case XmlEventKind::Error:
    case XmlEventKind::EndOfInput:
    case XmlEventKind::ElementClose:
        break;
    }
    return line;
}

std::string renderEvents(XmlReader& reader) {
    std::string out;
    do {
        reader.nextEvent();
        out += renderEvent(reader);
        out.push_back('\n');
    } while (reader.kind() != XmlEventKind::EndOfInput);
    return out;
}

} // namespace ledgerine::xlsx
