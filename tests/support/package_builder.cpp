#include "support/package_builder.h"

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"

namespace ledgerine::testing {

void writePackage(const std::string& path, const PackageEntries& entries) {
    std::remove(path.c_str());
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot create test package " + path);
    for (const auto& [name, bytes] : entries) {
        if (!name.empty() && name.back() == '/') {
            if (zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8) < 0)
                throw std::runtime_error("cannot add " + name);
            continue;
        }
        // libzip reads the buffer at zip_close, so each entry gets its own lasting copy.
        // libzip does not free a buffer of length 0, so an empty entry gets none.
        void* copy = bytes.empty() ? nullptr : std::malloc(bytes.size());
        if (copy) std::memcpy(copy, bytes.data(), bytes.size());
        zip_source_t* src = zip_source_buffer(archive, copy, bytes.size(), copy ? 1 : 0);
        if (!src || zip_file_add(archive, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(archive);
            throw std::runtime_error("cannot add " + name);
        }
    }
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write test package " + path);
    }
}

PackageEntries minimalWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                               const std::string& sharedStrings) {
    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    std::string workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets>";
    std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    PackageEntries out;
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::string n = std::to_string(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        workbook += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n +
                    "\"/>";
        rels += "<Relationship Id=\"rId" + n +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                "Target=\"worksheets/sheet" + n + ".xml\"/>";
    }
    if (!sharedStrings.empty())
        types += "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
    types += "</Types>";
    workbook += "</sheets></workbook>";
    rels += "</Relationships>";
    out.emplace_back("[Content_Types].xml", types);
    out.emplace_back("xl/workbook.xml", workbook);
    out.emplace_back("xl/_rels/workbook.xml.rels", rels);
    out.emplace_back("xl/styles.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                     "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\"/><xf numFmtId=\"14\" fontId=\"0\"/></cellXfs>"
                     "</styleSheet>");
    if (!sharedStrings.empty()) out.emplace_back("xl/sharedStrings.xml", sharedStrings);
    for (size_t i = 0; i < sheets.size(); ++i)
        out.emplace_back("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", sheets[i].second);
    return out;
}

std::string scratchFolder(const std::string& name) {
    auto build = platform::environmentVariable("LEDGERINE_BINARY_DIR");
    std::string root = base::joinPath(build && !build->empty() ? *build : platform::systemTempFolder(),
                                      "test-scratch");
    std::string folder = base::joinPath(root, name);
    platform::removeTree(folder);
    platform::createFolders(folder);
    return folder;
}

void setTempFolder(const std::string& folder) {
#ifdef _WIN32
    _putenv_s("TEMP", folder.c_str());
#else
    setenv("TEMP", folder.c_str(), 1);
#endif
}

std::string readFile(const std::string& path) {
    auto f = platform::openRead(path);
    if (!f) return {};
    std::string out;
    char buf[8192];
    for (;;) {
        int64_t n = f->read(buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

void writeFile(const std::string& path, const std::string& bytes) {
    auto f = platform::openWrite(path);
    if (!f || f->write(bytes.data(), bytes.size()) != bytes.size() || !f->close())
        throw std::runtime_error("cannot write " + path);
}

} // namespace ledgerine::testing
