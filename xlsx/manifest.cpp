#include "xlsx/manifest.h"

#include "base/paths.h"
#include "base/text_rules.h"
#include "platform/fs.h"
#include "xlsx/package.h"
#include "xlsx/xml_reader.h"

#include <optional>

namespace ledgerine::xlsx {
namespace {

using Kind = XmlEventKind;

// Steps through the attributes of the tag the reader stands on (an ElementOpen), calling
// fn(name, value) for each, and stops on the first event that is neither an Attribute nor an
// Error: normally the tag's ElementClose; in a broken tag whatever follows, which the caller
// then examines itself.
template <class F> void forEachAttribute(XmlReader& reader, F&& fn) {
    for (;;) {
        reader.nextEvent();
        if (reader.kind() == Kind::Attribute) {
            fn(reader.name(), reader.value());
        } else if (reader.kind() != Kind::Error) {
            return;
        }
    }
}

bool startsTag(const XmlReader& reader) {
    return reader.kind() == Kind::ElementOpen || reader.kind() == Kind::ElementStart;
}

std::vector<std::string_view> segments(std::string_view path) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || base::isSeparator(path[i])) {
            if (i > start) out.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

size_t lastSeparator(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (base::isSeparator(path[i - 1])) return i - 1;
    return std::string_view::npos;
}

// Reads the sheet elements that follow the sheets tag; the reader stands on the first event
// after that tag. Reading of the workbook part ends at the first event that is not a sheet.
void readSheetList(XmlReader& reader, WorkbookIndex& index) {
    index.sheets = {};
    index.relIds = {};
    while (isElementLocal(reader, Kind::ElementOpen, "sheet")) {
        // A sheet pairs its own name and sheetId, whatever order they are written in.
        std::string name;
        std::optional<std::string> sheetId;
        std::string relId;
        forEachAttribute(reader, [&](std::string_view attr, std::string_view value) {
            if (attr == "name") {
                name = value;
            } else if (attr == "sheetId") {
                sheetId = std::string(value);
            } else if (localName(attr) == "id") {
                relId = value;
            }
        });
        if (sheetId) {
            index.sheets.set(name, *sheetId);
            index.relIds.set(name, relId);
        }
        if (startsTag(reader)) continue; // a broken tag: the next one is already here
        while (reader.kind() != Kind::EndOfInput &&
               !isElementLocal(reader, Kind::ElementEnd, "sheet"))
            reader.nextEvent();
        reader.nextEvent();
    }
}

} // namespace

std::string namespacePrefix(XmlReader& reader) {
    reader.nextEvent();
    if (reader.kind() == Kind::ProcessingInstruction) reader.nextEvent();
    if (reader.kind() != Kind::ElementOpen) return {};
    std::string_view name = reader.name();
    size_t colon = name.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    return std::string(name.substr(0, colon + 1));
}

std::string fileStem(std::string_view partName) {
    size_t sep = lastSeparator(partName);
    std::string_view last = sep == std::string_view::npos ? partName : partName.substr(sep + 1);
    // The extension's "." is neither the first nor the last character and not followed by
    // another ".".
    for (size_t i = last.size(); i-- > 1;) {
        if (last[i] == '.' && i + 1 < last.size() && last[i + 1] != '.')
            return std::string(last.substr(0, i));
    }
    return std::string(last);
}

PartTable readPartTable(XmlReader& reader) {
    PartTable table;
    // Elements are matched by local name, so the prefix is read only to position the reader.
    (void)namespacePrefix(reader);
    while (reader.kind() != Kind::EndOfInput) {
        if (isElementLocal(reader, Kind::ElementOpen, "Override")) {
            forEachAttribute(reader, [&](std::string_view attr, std::string_view value) {
                if (attr == "PartName") table.set(fileStem(value), std::string(value));
            });
            continue;
        }
        reader.nextEvent();
    }
    const std::string* workbook = table.find("workbook");
    if (!workbook || workbook->empty()) table.set("workbook", "xl/workbook.xml");
    return table;
}

PartTable readPartTable(const std::string& path) {
    auto reader = XmlReader::openFile(path, {});
    PartTable table = readPartTable(*reader);
    reader->close();
    return table;
}

WorkbookIndex readWorkbookIndex(XmlReader& reader) {
    WorkbookIndex index;
    (void)namespacePrefix(reader);
    while (reader.kind() != Kind::EndOfInput) {
        // The sheet list is recognised with or without attributes of its own.
        bool sheetsStart = isElementLocal(reader, Kind::ElementStart, "sheets");
        if (sheetsStart || isElementLocal(reader, Kind::ElementOpen, "sheets")) {
            if (!sheetsStart) forEachAttribute(reader, [](std::string_view, std::string_view) {});
            if (sheetsStart || reader.kind() == Kind::ElementClose) reader.nextEvent();
            readSheetList(reader, index);
            return index;
        }
        if (isElementLocal(reader, Kind::ElementOpen, "workbookPr")) {
            bool flag = false;
            forEachAttribute(reader, [&](std::string_view attr, std::string_view value) {
                // Accepted with or without a prefix, whatever the root's prefix.
                if (localName(attr) == "date1904" && base::parseBoolean(value)) flag = true;
            });
            index.date1904 = flag;
            continue;
        }
        reader.nextEvent();
    }
    return index;
}

WorkbookIndex readWorkbookIndex(const std::string& path) {
    auto reader = XmlReader::openFile(path, {});
    WorkbookIndex index = readWorkbookIndex(*reader);
    reader->close();
    return index;
}

TextMap<std::string> readRelationships(XmlReader& reader) {
    TextMap<std::string> rels;
    (void)namespacePrefix(reader);
    while (reader.kind() != Kind::EndOfInput) {
        if (isElementLocal(reader, Kind::ElementOpen, "Relationship")) {
            std::optional<std::string> id;
            std::string target;
            forEachAttribute(reader, [&](std::string_view attr, std::string_view value) {
                if (localName(attr) == "Id") {
                    id = std::string(value);
                } else if (localName(attr) == "Target") {
                    target = value;
                }
            });
            if (id) rels.set(*id, target);
            continue;
        }
        reader.nextEvent();
    }
    return rels;
}

TextMap<std::string> readRelationships(const std::string& path) {
    if (!platform::fileExists(path)) return {};
    auto reader = XmlReader::openFile(path, {});
    TextMap<std::string> rels = readRelationships(*reader);
    reader->close();
    return rels;
}

std::string relationshipsPartFor(std::string_view partName) {
    size_t sep = lastSeparator(partName);
    std::string_view folder = sep == std::string_view::npos ? "" : partName.substr(0, sep + 1);
    std::string_view file = sep == std::string_view::npos ? partName : partName.substr(sep + 1);
    return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

std::string resolveTarget(std::string_view partName, std::string_view target) {
    std::vector<std::string_view> path;
    if (target.empty() || !base::isSeparator(target.front())) {
        path = segments(partName);
        if (!path.empty()) path.pop_back(); // the part's own file name
    }
    for (std::string_view s : segments(target)) {
        if (s == ".") continue;
        if (s == "..") {
            if (!path.empty()) path.pop_back();
            continue;
        }
        path.push_back(s);
    }
    std::string out;
    for (std::string_view s : path) {
        out += '/';
        out += s;
    }
    return out.empty() ? "/" : out;
}

std::vector<std::string> readSheetNames(const std::string& path) {
    return withExtractedPackage(path, [](const std::string& dir) {
        PartTable parts = readPartTable(partPath(dir, "[Content_Types].xml"));
        WorkbookIndex index = readWorkbookIndex(partPath(dir, parts.at("workbook")));
        std::vector<std::string> names;
        names.reserve(index.sheets.size());
        for (const auto& entry : index.sheets)
            names.push_back(entry.key);
        return names;
    });
}

} // namespace ledgerine::xlsx
