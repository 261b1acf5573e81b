// ledgerine-gen-examples OUTDIR: writes the small example workbooks of examples/ into OUTDIR.
//
//   OUTDIR/Sales.xlsx          Summary (shared strings, a formula with its cached value, a
//                              boolean), Orders (dates and date-times with date styles, texts
//                              holding commas, quotes and a line break), Notes (inline strings)
//   OUTDIR/Inventory.xlsx      Stock (booleans, formulas with cached values, an empty row)
//   OUTDIR/2019/Archive.xlsx   Q4 (dates, times, percentages) in a sub-folder
//
// The packages are laid out the way spreadsheet programs save them: content types, package
// and workbook relationships, document properties, styles with number formats, shared strings.
// The output is the same on every run (fixed entry times). Exit status 0 on success, 1 when a
// file cannot be written, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace {

struct Cell {
    std::string ref;
    std::string xml; // the whole <c> element
};

struct SheetPart {
    std::string name;
    std::string dimension;
    std::vector<std::vector<Cell>> rows;
};

const char* const header = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char* const mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// Style indexes of cellXfs below.
enum Style { General = 0, Date = 1, DateTime = 2, Time = 3, Percent = 4, Amount = 5 };

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Shared strings in order of first use.
class SharedStrings {
public:
    int index(const std::string& text) {
        ++count_;
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == text) return static_cast<int>(i);
        items_.push_back(text);
        return static_cast<int>(items_.size() - 1);
    }
    bool empty() const { return items_.empty(); }
    std::string xml() const {
        std::string out = std::string(header) + "<sst xmlns=\"" + mainNs + "\" count=\"" +
                          std::to_string(count_) + "\" uniqueCount=\"" +
                          std::to_string(items_.size()) + "\">";
        for (const std::string& s : items_) {
            bool keep = !s.empty() && (s.front() == ' ' || s.back() == ' ');
            out += std::string("<si><t") + (keep ? " xml:space=\"preserve\"" : "") + ">" +
                   escaped(s) + "</t></si>";
        }
        return out + "</sst>";
    }

private:
    std::vector<std::string> items_;
    int count_ = 0;
};

class SheetBuilder {
public:
    SheetBuilder(std::string name, SharedStrings& strings) : strings_(strings) {
        part_.name = std::move(name);
    }
    SheetBuilder& newRow() {
        part_.rows.emplace_back();
        column_ = 0;
        return *this;
    }
    SheetBuilder& text(const std::string& t) {
        return add("<c r=\"" + next() + "\" t=\"s\"><v>" + std::to_string(strings_.index(t)) +
                   "</v></c>");
    }
    SheetBuilder& inlineText(const std::string& t) {
        return add("<c r=\"" + next() + "\" t=\"inlineStr\"><is><t>" + escaped(t) +
                   "</t></is></c>");
    }
    SheetBuilder& number(const std::string& v, Style s = General) {
        return add("<c r=\"" + next() + "\"" + styleAttr(s) + "><v>" + v + "</v></c>");
    }
    SheetBuilder& boolean(bool b) {
        return add("<c r=\"" + next() + "\" t=\"b\"><v>" + (b ? "1" : "0") + "</v></c>");
    }
    SheetBuilder& formula(const std::string& f, const std::string& cached, Style s = General) {
        return add("<c r=\"" + next() + "\"" + styleAttr(s) + "><f>" + escaped(f) + "</f><v>" +
                   cached + "</v></c>");
    }
    SheetBuilder& skip() {
        ++column_;
        return *this;
    }
    SheetPart done(const std::string& dimension) {
        part_.dimension = dimension;
        return part_;
    }

private:
    static std::string styleAttr(Style s) {
        return s == General ? "" : " s=\"" + std::to_string(static_cast<int>(s)) + "\"";
    }
    std::string next() {
        std::string ref(1, static_cast<char>('A' + column_++));
        return ref + std::to_string(part_.rows.size());
    }
    SheetBuilder& add(std::string xml) {
        part_.rows.back().push_back(Cell{"", std::move(xml)});
        return *this;
    }
    SharedStrings& strings_;
    SheetPart part_;
    int column_ = 0;
};

std::string worksheetXml(const SheetPart& sheet, bool first) {
    std::string out = std::string(header) + "<worksheet xmlns=\"" + mainNs + "\" xmlns:r=\"" +
                      relNs + "\"><dimension ref=\"" + sheet.dimension + "\"/><sheetViews>" +
                      "<sheetView workbookViewId=\"0\"" + (first ? " tabSelected=\"1\"" : "") +
                      "/></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/><sheetData>";
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        out += "<row r=\"" + std::to_string(r + 1) + "\">";
        for (const Cell& c : sheet.rows[r])
            out += c.xml;
        out += "</row>";
    }
    return out + "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" " +
           "bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
}

const char* const stylesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\\ hh:mm\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00\"/></numFmts>"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill>"
    "<patternFill patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/>"
    "<right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs><cellXfs count=\"6\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"20\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"10\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
    "</cellStyles></styleSheet>";

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries package(const std::vector<SheetPart>& sheets, const SharedStrings& strings) {
    std::string types =
        std::string(header) +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    std::string workbook = std::string(header) + "<workbook xmlns=\"" + mainNs + "\" xmlns:r=\"" +
                           relNs + "\"><workbookPr defaultThemeVersion=\"124226\"/><bookViews>" +
                           "<workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" " +
                           "windowHeight=\"9660\"/></bookViews><sheets>";
    std::string rels =
        std::string(header) +
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    Entries parts;
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::string n = std::to_string(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        workbook += "<sheet name=\"" + escaped(sheets[i].name) + "\" sheetId=\"" + n +
                    "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + relNs +
                "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        parts.emplace_back("xl/worksheets/sheet" + n + ".xml", worksheetXml(sheets[i], i == 0));
    }
    std::string k = std::to_string(sheets.size() + 1);
    rels +=
        "<Relationship Id=\"rId" + k + "\" Type=\"" + relNs + "/styles\" Target=\"styles.xml\"/>";
    types += "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
             "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    if (!strings.empty()) {
        std::string s = std::to_string(sheets.size() + 2);
        rels += "<Relationship Id=\"rId" + s + "\" Type=\"" + relNs +
                "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        types += "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
    }
    types += "<Override PartName=\"/docProps/core.xml\" "
             "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
             "<Override PartName=\"/docProps/app.xml\" ContentType=\"application/"
             "vnd.openxmlformats-officedocument.extended-properties+xml\"/></Types>";
    workbook += "</sheets><calcPr calcId=\"145621\"/></workbook>";
    rels += "</Relationships>";

    Entries out;
    out.emplace_back("[Content_Types].xml", types);
    out.emplace_back("_rels/.rels",
                     std::string(header) +
                         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                         "relationships\"><Relationship Id=\"rId3\" Type=\"" +
                         relNs +
                         "/extended-properties\" Target=\"docProps/app.xml\"/>"
                         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                         "package/2006/relationships/metadata/core-properties\" "
                         "Target=\"docProps/core.xml\"/><Relationship Id=\"rId1\" Type=\"" +
                         relNs + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    out.emplace_back("docProps/app.xml",
                     std::string(header) +
                         "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/"
                         "2006/extended-properties\"><Application>ledgerine-gen-examples"
                         "</Application></Properties>");
    out.emplace_back("docProps/core.xml",
                     std::string(header) +
                         "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/"
                         "2006/metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/"
                         "1.1/\"><dc:creator>Ledgerine examples</dc:creator></cp:coreProperties>");
    out.emplace_back("xl/workbook.xml", workbook);
    out.emplace_back("xl/_rels/workbook.xml.rels", rels);
    out.emplace_back("xl/styles.xml", stylesXml);
    if (!strings.empty()) out.emplace_back("xl/sharedStrings.xml", strings.xml());
    for (auto& p : parts)
        out.push_back(std::move(p));
    return out;
}

bool writeArchive(const std::string& path, const Entries& entries) {
    std::remove(path.c_str());
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    // A fixed time for every entry, so the files are the same on every run.
    const time_t fixed = 1597190400; // 2020-08-12T00:00:00Z
    for (const auto& [name, bytes] : entries) {
        void* copy = std::malloc(bytes.size() ? bytes.size() : 1);
        if (!copy) {
            zip_discard(archive);
            return false;
        }
        std::memcpy(copy, bytes.data(), bytes.size());
        zip_source_t* src = zip_source_buffer(archive, copy, bytes.size(), 1);
        zip_int64_t index = src ? zip_file_add(archive, name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (src) zip_source_free(src);
            zip_discard(archive);
            return false;
        }
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), fixed, 0);
    }
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

Entries sales() {
    SharedStrings strings;
    SheetBuilder summary("Summary", strings);
    summary.newRow().text("Region").text("Orders").text("Revenue").text("Target met");
    summary.newRow().text("North").number("124").number("18250.5", Amount).boolean(true);
    summary.newRow().text("South").number("87").number("9930.25", Amount).boolean(false);
    summary.newRow().text("East").number("152").number("22004", Amount).boolean(true);
    summary.newRow()
        .text("Total")
        .formula("SUM(B2:B4)", "363")
        .formula("SUM(C2:C4)", "50184.75", Amount);
    SheetBuilder orders("Orders", strings);
    orders.newRow().text("Order").text("Placed").text("Shipped").text("Customer").text("Note");
    orders.newRow()
        .number("1001")
        .number("43832", Date)
        .number("43833.625", DateTime)
        .text("Smith, John")
        .text("leave at door");
    orders.newRow()
        .number("1002")
        .number("43840", Date)
        .skip()
        .text("\"Best\" Bakery")
        .inlineText("call first");
    orders.newRow()
        .number("1003")
        .number("43866", Date)
        .number("43867.395833333336", DateTime)
        .text("North")
        .inlineText("two lines:\nfragile, this side up");
    SheetBuilder notes("Notes", strings);
    notes.newRow().inlineText("Generated by ledgerine-gen-examples.");
    notes.newRow().inlineText("Every sheet becomes one CSV file.");
    return package({summary.done("A1:D5"), orders.done("A1:E4"), notes.done("A1:A2")}, strings);
}

Entries inventory() {
    SharedStrings strings;
    SheetBuilder stock("Stock", strings);
    stock.newRow().text("Item").text("In stock").text("Count").text("Unit price").text("Value");
    stock.newRow()
        .text("Paper, A4")
        .boolean(true)
        .number("40")
        .number("4.5", Amount)
        .formula("C2*D2", "180", Amount);
    stock.newRow()
        .text("Toner")
        .boolean(false)
        .number("0")
        .number("61.9", Amount)
        .formula("C3*D3", "0", Amount);
    stock.newRow();
    stock.newRow()
        .text("Stapler")
        .boolean(true)
        .number("3")
        .number("12", Amount)
        .formula("C5*D5", "36", Amount);
    return package({stock.done("A1:E5")}, strings);
}

Entries archive2019() {
    SharedStrings strings;
    SheetBuilder q4("Q4", strings);
    q4.newRow().text("Week").text("Start").text("Opening").text("Share");
    q4.newRow().number("40").number("43738", Date).number("0.375", Time).number("0.125", Percent);
    q4.newRow()
        .number("41")
        .number("43745", Date)
        .number("0.35416666666666669", Time)
        .number("0.2", Percent);
    q4.newRow()
        .number("42")
        .number("43752", Date)
        .number("0.39583333333333331", Time)
        .number("0.675", Percent);
    return package({q4.done("A1:D4")}, strings);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ledgerine-gen-examples OUTDIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code error;
    std::filesystem::create_directories(out / "2019", error);
    if (error) {
        std::fprintf(stderr, "ledgerine-gen-examples: cannot create %s\n", argv[1]);
        return 1;
    }
    const std::pair<std::filesystem::path, Entries> books[] = {
        {out / "Sales.xlsx", sales()},
        {out / "Inventory.xlsx", inventory()},
        {out / "2019" / "Archive.xlsx", archive2019()},
    };
    for (const auto& [path, entries] : books) {
        if (!writeArchive(path.string(), entries)) {
            std::fprintf(stderr, "ledgerine-gen-examples: cannot write %s\n",
                         path.string().c_str());
            return 1;
        }
        std::printf("%s\n", path.string().c_str());
    }
    return 0;
}
