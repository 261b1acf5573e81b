// Loads a fixed workbook package whose worksheet, shared strings and styles parts come from
// the fuzzer's bytes (in that order, split at the first two "\n@@\n"), through parseExcel;
// and checks that the streamed worksheet reader agrees with the two-step one on the same
// bytes. Errors of the program's hierarchy are fine; a crash, a hang, a cell outside its
// sheet's shape, a temporary directory left behind or two readers that disagree is a finding.
#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "xlsx/loading.h"
#include "xlsx/package.h"
#include "xlsx/shared_strings.h"
#include "xlsx/styles.h"
#include "xlsx/worksheet.h"
#include "xlsx/xml_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace {

using namespace ledgerine;

std::string scratch;

void addEntry(zip_t* z, const char* name, std::string_view bytes) {
    // libzip frees the copy after writing it; it never frees an empty buffer.
    void* copy = nullptr;
    if (!bytes.empty()) {
        copy = std::malloc(bytes.size());
        std::memcpy(copy, bytes.data(), bytes.size());
    }
    zip_source_t* src = zip_source_buffer(z, copy, bytes.size(), copy ? 1 : 0);
    if (!src || zip_file_add(z, name, src, ZIP_FL_OVERWRITE) < 0) std::abort();
}

bool insideShape(const xlsx::Sheet& s) {
    bool ok = true;
    s.forEachCell([&](const xlsx::Sheet::CellView& c) {
        if (c.row < 0 || c.row >= s.shape.rows || c.column < 0 || c.column >= s.shape.columns)
            ok = false;
    });
    return ok;
}

std::string outcome(const std::function<xlsx::Sheet()>& load) {
    try {
        xlsx::Sheet s = load();
        if (!insideShape(s)) std::abort();
        std::string out = std::to_string(s.shape.rows) + "x" + std::to_string(s.shape.columns);
        for (auto k : s.colType)
            out += char('0' + static_cast<int>(k));
        s.forEachCell([&](const xlsx::Sheet::CellView& c) {
            out += "|" + std::to_string(c.row) + "," + std::to_string(c.column) + "=";
            out += c.text;
        });
        return out;
    } catch (const base::Error& e) {
        return e.report();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = "/tmp/ledgerine-fuzz-workbook-" + std::to_string(getpid());
    platform::createFolders(scratch);
    setenv("TEMP", scratch.c_str(), 1);
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    for (int i = 0; i < 2; ++i) {
        size_t cut = bytes.find("\n@@\n");
        if (cut == std::string_view::npos) break;
        parts[i] = bytes.substr(0, cut);
        bytes.remove_prefix(cut + 4);
        if (i == 1) parts[2] = bytes;
    }
    if (parts[0].data() == nullptr) parts[0] = bytes;
    // Owned copies: an empty view may have no data pointer at all.
    const std::string sheetXml(parts[0]), sstXml(parts[1]), stylesXml(parts[2]);

    // The worksheet alone: both reading paths must give the same sheet or the same error.
    xlsx::StyleFormats formats;
    xlsx::SharedStrings strings;
    try {
        xlsx::XmlReader st(stylesXml, xlsx::XmlOptions{true, false});
        formats = xlsx::parseStyles(st);
        xlsx::XmlReader ss(sstXml, xlsx::XmlOptions{true, false});
        strings = xlsx::parseSharedStrings(ss, false);
    } catch (const base::Error&) {
    }
    for (bool trim : {false, true}) {
        for (bool skip : {false, true}) {
            std::string a = outcome([&] {
                xlsx::XmlReader r(sheetXml, xlsx::XmlOptions{true, false});
                return xlsx::loadSheet(r, formats, false, strings, true, skip, trim);
            });
            std::string b = outcome([&] {
                xlsx::XmlReader r(sheetXml, xlsx::XmlOptions{true, false});
                xlsx::RawSheet raw = xlsx::parseSheet(r, formats, false, trim);
                return xlsx::toSheet(raw, strings, true, skip);
            });
            if (a != b) std::abort();
        }
    }

    // The whole load through a package.
    std::string path = base::joinPath(scratch, "input.xlsx");
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) std::abort();
    addEntry(z, "[Content_Types].xml",
             "<Types><Override PartName=\"/xl/workbook.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/styles.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"a\"/></Types>");
    addEntry(z, "xl/workbook.xml",
             "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"4\" r:id=\"rId1\"/>"
             "</sheets></workbook>");
    addEntry(z, "xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
             "</Relationships>");
    addEntry(z, "xl/worksheets/sheet1.xml", sheetXml);
    addEntry(z, "xl/sharedStrings.xml", sstXml);
    addEntry(z, "xl/styles.xml", stylesXml);
    if (zip_close(z) < 0) std::abort();
    try {
        auto sheets = xlsx::parseExcel(path, "", true, false, false, false);
        for (const auto& entry : sheets)
            if (!insideShape(entry.value)) std::abort();
    } catch (const base::Error&) {
    }
    if (platform::folderExists(xlsx::tempDirectory())) std::abort();
    return 0;
}
