// ledgerine-bench-load [WORKBOOK]: loads a workbook through parseExcel and prints the wall
// time, the peak memory of the process and what was loaded. Without a path it first writes
// a workbook of 1,000,000 rows × 10 mixed columns (integers, decimals, repeated and unique
// shared strings, dates and date-times with date styles, booleans, inline strings, formulas
// with cached values) into the temporary folder and loads that.
// Exit status 0 on success, 1 on any error.
#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "xlsx/loading.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>
#include <zip.h>

namespace {

using namespace ledgerine;

constexpr int rows = 1000000;
constexpr int repeated = 40;

std::string columnLetters(int column) {
    std::string s;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        s.insert(s.begin(), char('A' + (c - 1) % 26));
    return s;
}

class Out {
public:
    explicit Out(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {
        if (!f_) throw base::IOError("cannot write " + path);
    }
    ~Out() {
        if (f_) std::fclose(f_);
    }
    void put(const std::string& s) { std::fwrite(s.data(), 1, s.size(), f_); }

private:
    std::FILE* f_;
};

void writeParts(const std::string& dir) {
    platform::createFolders(base::joinPath(dir, "xl/worksheets"));
    platform::createFolders(base::joinPath(dir, "xl/_rels"));
    Out(base::joinPath(dir, "[Content_Types].xml"))
        .put("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/styles.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"a\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"a\"/></Types>");
    Out(base::joinPath(dir, "xl/workbook.xml"))
        .put("<?xml version=\"1.0\"?>\n<workbook xmlns=\"http://schemas.openxmlformats.org/"
             "spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/"
             "officeDocument/2006/relationships\"><sheets><sheet name=\"Data\" sheetId=\"1\" "
             "r:id=\"rId1\"/></sheets></workbook>");
    Out(base::joinPath(dir, "xl/_rels/workbook.xml.rels"))
        .put("<?xml version=\"1.0\"?>\n<Relationships xmlns=\"http://schemas.openxmlformats.org/"
             "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"worksheet\" "
             "Target=\"worksheets/sheet1.xml\"/></Relationships>");
    Out(base::joinPath(dir, "xl/styles.xml"))
        .put("<?xml version=\"1.0\"?>\n<styleSheet xmlns=\"http://schemas.openxmlformats.org/"
             "spreadsheetml/2006/main\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
             "formatCode=\"yyyy-mm-dd hh:mm:ss\"/></numFmts><cellXfs count=\"4\">"
             "<xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/>"
             "<xf numFmtId=\"164\" applyNumberFormat=\"1\"/><xf numFmtId=\"4\"/></cellXfs>"
             "</styleSheet>");
    {
        Out sst(base::joinPath(dir, "xl/sharedStrings.xml"));
        sst.put("<?xml version=\"1.0\"?>\n<sst xmlns=\"http://schemas.openxmlformats.org/"
                "spreadsheetml/2006/main\" count=\"" +
                std::to_string(2 * rows) + "\" uniqueCount=\"" + std::to_string(repeated + rows) +
                "\">");
        for (int i = 0; i < repeated; ++i)
            sst.put("<si><t>Category " + std::to_string(i) + "</t></si>");
        std::string chunk;
        for (int i = 0; i < rows; ++i) {
            chunk += "<si><t>Customer reference " + std::to_string(int64_t{i} * 7919 % 1000003) +
                     "</t></si>";
            if (chunk.size() > (1 << 16)) sst.put(chunk), chunk.clear();
        }
        sst.put(chunk + "</sst>");
    }
    Out sheet(base::joinPath(dir, "xl/worksheets/sheet1.xml"));
    sheet.put("<?xml version=\"1.0\"?>\n<worksheet xmlns=\"http://schemas.openxmlformats.org/"
              "spreadsheetml/2006/main\"><dimension ref=\"A1:J" +
              std::to_string(rows) + "\"/><sheetData>");
    std::string chunk;
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        auto ref = [&](int c) { return columnLetters(c) + n; };
        chunk += "<row r=\"" + n + "\" spans=\"1:10\">";
        chunk += "<c r=\"" + ref(0) + "\"><v>" + n + "</v></c>";
        chunk += "<c r=\"" + ref(1) + "\" s=\"3\"><v>" + std::to_string(r % 100000) + "." +
                 std::to_string(r % 97) + "</v></c>";
        chunk += "<c r=\"" + ref(2) + "\" t=\"s\"><v>" + std::to_string(r % repeated) + "</v></c>";
        chunk +=
            "<c r=\"" + ref(3) + "\" t=\"s\"><v>" + std::to_string(repeated + r - 1) + "</v></c>";
        chunk +=
            "<c r=\"" + ref(4) + "\" s=\"1\"><v>" + std::to_string(36526 + r % 9000) + "</v></c>";
        chunk += "<c r=\"" + ref(5) + "\" s=\"2\"><v>" + std::to_string(40000 + r % 5000) +
                 ".375</v></c>";
        chunk += "<c r=\"" + ref(6) + "\" t=\"b\"><v>" + std::to_string(r % 2) + "</v></c>";
        chunk += "<c r=\"" + ref(7) + "\"><v>-" + std::to_string(r * 13 % 1000) + "</v></c>";
        chunk += "<c r=\"" + ref(8) + "\" t=\"inlineStr\"><is><t>n" + std::to_string(r % 10) +
                 "</t></is></c>";
        chunk += "<c r=\"" + ref(9) + "\"><f>A" + n + "*2</f><v>" + std::to_string(2 * r) +
                 "</v></c></row>";
        if (chunk.size() > (1 << 16)) sheet.put(chunk), chunk.clear();
    }
    sheet.put(chunk + "</sheetData></worksheet>");
}

void generate(const std::string& path) {
    std::string dir = path + ".parts";
    platform::removeTree(dir);
    writeParts(dir);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw base::IOError("cannot create " + path);
    const char* names[] = {"[Content_Types].xml",        "xl/workbook.xml",
                           "xl/_rels/workbook.xml.rels", "xl/styles.xml",
                           "xl/sharedStrings.xml",       "xl/worksheets/sheet1.xml"};
    for (const char* name : names) {
        zip_source_t* src = zip_source_file(z, base::joinPath(dir, name).c_str(), 0, -1);
        zip_int64_t i = src ? zip_file_add(z, name, src, ZIP_FL_OVERWRITE) : -1;
        if (i < 0) throw base::IOError(std::string("cannot add ") + name);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(z) < 0) throw base::IOError("cannot write " + path);
    platform::removeTree(dir);
}

} // namespace

int main(int argc, char** argv) {
    try {
        std::string path;
        if (argc > 1) {
            path = argv[1];
        } else {
            path = base::joinPath(platform::systemTempFolder(), "ledgerine-bench-load.xlsx");
            auto t0 = std::chrono::steady_clock::now();
            generate(path);
            std::chrono::duration<double> g = std::chrono::steady_clock::now() - t0;
            std::printf("generated %s (%.1f MB) in %.1f s\n", path.c_str(),
                        static_cast<double>(platform::fileSize(path)) / 1e6, g.count());
        }
        struct rusage before {};
        getrusage(RUSAGE_SELF, &before);
        auto t0 = std::chrono::steady_clock::now();
        auto sheets = xlsx::parseExcel(path, "", true, false, false, false);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
        struct rusage after {};
        getrusage(RUSAGE_SELF, &after);
        size_t cells = 0, bytes = 0;
        for (const auto& entry : sheets) {
            cells += entry.value.storedCells();
            bytes += entry.value.storageBytes();
            std::printf("sheet %s: %d x %d\n", entry.key.c_str(), entry.value.shape.rows,
                        entry.value.shape.columns);
        }
        std::printf("loaded %zu cells in %.2f s; grid storage %.1f MB (%.1f bytes per cell); "
                    "peak memory %.1f MB (before the load %.1f MB)\n",
                    cells, took.count(), static_cast<double>(bytes) / 1e6,
                    cells ? static_cast<double>(bytes) / static_cast<double>(cells) : 0.0,
                    static_cast<double>(after.ru_maxrss) / 1024.0,
                    static_cast<double>(before.ru_maxrss) / 1024.0);
        return 0;
    } catch (const ledgerine::base::Error& e) {
        std::fprintf(stderr, "ledgerine-bench-load: %s\n", e.report().c_str());
        return 1;
    }
}
