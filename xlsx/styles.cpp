#include "xlsx/styles.h"

#include "base/errors.h"
#include "base/text_rules.h"
#include "xlsx/text_map.h"
#include "xlsx/unicode_case.h"
#include "xlsx/xml_reader.h"

#include <cstdint>

namespace ledgerine::xlsx {

const std::vector<std::pair<std::string_view, std::string_view>> builtinFormats = {
    {"0", "general"},
    {"1", "0"},
    {"2", "0.00"},
    {"3", "#,##0"},
    {"4", "#,##0.00"},
    {"9", "0%"},
    {"10", "0.00%"},
    {"11", "0.00e+00"},
    {"12", "# ?/?"},
    {"13", "# ?\?/??"}, // "\?" keeps "??/" from reading as a trigraph
    {"14", "mm-dd-yy"},
    {"15", "d-mmm-yy"},
    {"16", "d-mmm"},
    {"17", "mmm-yy"},
    {"18", "h:mm am/pm"},
    {"19", "h:mm:ss am/pm"},
    {"20", "h:mm"},
    {"21", "h:mm:ss"},
    {"22", "m/d/yy h:mm"},
    {"37", "#,##0 ;(#,##0)"},
    {"38", "#,##0 ;[red](#,##0)"},
    {"39", "#,##0.00;(#,##0.00)"},
    {"40", "#,##0.00;[red](#,##0.00)"},
    {"45", "mm:ss"},
    {"46", "[h]:mm:ss"},
    {"47", "mmss.0"},
    {"48", "##0.0e+0"},
    {"49", "@"},
};

const std::vector<std::pair<std::string_view, std::string_view>> formatClasses = {
    {"##0.0e+0", "float"},
    {"#,##0", "float"},
    {"#,##0 ;(#,##0)", "float"},
    {"#,##0 ;[red](#,##0)", "float"},
    {"#,##0.00", "float"},
    {"#,##0.00;(#,##0.00)", "float"},
    {"#,##0.00;[red](#,##0.00)", "float"},
    {"#,##0;(#,##0)", "float"},
    {"0", "float"},
    {"0.00", "float"},
    {"0.00e+00", "float"},
    {"@", "float"},
    {"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)", "float"},
    {"_(* #,##0_);_(* (#,##0);_(* \"-\"??_);_(@_)", "float"},
    {"general", "float"},
    {"0%", "percentage"},
    {"0.00%", "percentage"},
    {"d-mmm", "date"},
    {"d-mmm-yy", "date"},
    {"d-mmm-yyyy", "date"},
    {"dd-mmm-yyyy", "date"},
    {"dd/mm/yy", "date"},
    {"dd/mm/yy\\ hh:mm", "date"},
    {"dd/mm/yyyy", "date"},
    {"dd/mm/yyyy hh:mm:ss", "date"},
    {"h:mm am/pm", "date"},
    {"h:mm:ss am/pm", "date"},
    {"m/d/yy", "date"},
    {"m/d/yy h:mm", "date"},
    {"m/d/yyyy", "date"},
    {"mm-dd-yy", "date"},
    {"mm/dd/yy h:mm am/pm", "date"},
    {"mm/dd/yy hh:mm", "date"},
    {"mm/dd/yyyy h:mm am/pm", "date"},
    {"mm/dd/yyyy hh:mm:ss", "date"},
    {"mmm-yy", "date"},
    {"yy-mm-dd", "date"},
    {"yyyy-mm-dd hh:mm:ss", "date"},
    {"yyyy\\-mm\\-dd", "date"},
    {"[h]:mm:ss", "time"},
    {"h:mm", "time"},
    {"h:mm:ss", "time"},
    {"hh:mm:ss", "time"},
    {"mm:ss", "time"},
    {"mmss.0", "time"},
};

std::string_view builtinFormat(std::string_view id) {
    for (const auto& [key, code] : builtinFormats)
        if (key == id) return code;
    return {};
}

std::string_view formatClass(std::string_view code) {
    for (const auto& [key, cls] : formatClasses)
        if (key == code) return cls;
    return "date";
}

namespace {

bool isStart(XmlEventKind k) {
    return k == XmlEventKind::ElementStart || k == XmlEventKind::ElementOpen;
}

void readNumFmts(XmlReader& reader, TextMap<std::string>& table) {
    table = TextMap<std::string>();
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) return;
        if (k == XmlEventKind::ElementEnd && localName(reader.name()) == "numFmts") return;
        if (k != XmlEventKind::ElementOpen || localName(reader.name()) != "numFmt") continue;
        std::string id, code;
        for (;;) {
            reader.nextEvent();
            k = reader.kind();
            if (k == XmlEventKind::EndOfInput) return;
            if (k == XmlEventKind::Attribute) {
                if (reader.name() == "numFmtId")
                    id = std::string(reader.value());
                else if (reader.name() == "formatCode")
                    code = lowerUtf8(reader.value());
            } else if (k == XmlEventKind::ElementEnd) {
                table.set(id, std::move(code));
                break;
            }
        }
    }
}

void readCellXfs(XmlReader& reader, const TextMap<std::string>& table, StyleFormats& out) {
    if (reader.kind() == XmlEventKind::ElementOpen) {
        for (;;) {
            reader.nextEvent();
            XmlEventKind k = reader.kind();
            if (k == XmlEventKind::EndOfInput) return;
            if (k == XmlEventKind::ElementClose) break;
            // The count only reserves room; it is checked but never trusted for a size.
            if (k == XmlEventKind::Attribute && reader.name() == "count") {
                int32_t count = base::parseInteger(reader.value());
                if (count < 0) throw base::rangeError(count, 0, INT32_MAX);
                out.reserve(out.size() + static_cast<size_t>(count < 4096 ? count : 4096));
            }
        }
    }
    auto codeFor = [&](std::string_view id) -> std::string {
        if (const std::string* custom = table.find(id)) return *custom;
        std::string_view builtin = builtinFormat(id);
        return builtin.empty() ? std::string("none") : std::string(builtin);
    };
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) return;
        if (k == XmlEventKind::ElementEnd && localName(reader.name()) == "cellXfs") return;
        if (!isStart(k) || localName(reader.name()) != "xf") continue;
        // An xf without numFmtId has the General format; one entry per xf keeps every later
        // style at its own index.
        std::string id = "0";
        if (k == XmlEventKind::ElementOpen) {
            for (;;) {
                reader.nextEvent();
                k = reader.kind();
                if (k == XmlEventKind::EndOfInput || k == XmlEventKind::ElementClose) break;
                if (k == XmlEventKind::Attribute && reader.name() == "numFmtId")
                    id = std::string(reader.value());
                if (isStart(k) || k == XmlEventKind::ElementEnd) break;
            }
        }
        out.push_back(codeFor(id));
        if (k == XmlEventKind::EndOfInput) return;
    }
}

} // namespace

StyleFormats parseStyles(XmlReader& reader) {
    TextMap<std::string> table;
    StyleFormats out;
    for (;;) {
        reader.nextEvent();
        XmlEventKind k = reader.kind();
        if (k == XmlEventKind::EndOfInput) break;
        if (!isStart(k)) continue;
        std::string_view n = localName(reader.name());
        if (n == "numFmts") {
            if (k == XmlEventKind::ElementOpen) {
                // Its attributes (count) say nothing we need.
                while (reader.kind() != XmlEventKind::ElementClose &&
                       reader.kind() != XmlEventKind::EndOfInput)
                    reader.nextEvent();
            }
            readNumFmts(reader, table);
        } else if (n == "cellXfs") {
            readCellXfs(reader, table, out);
        }
    }
    return out;
}

StyleFormats parseStyles(const std::string& path) {
    auto reader = XmlReader::openFile(path, XmlOptions{true, false});
    StyleFormats out = parseStyles(*reader);
    reader->close();
    return out;
}

} // namespace ledgerine::xlsx
