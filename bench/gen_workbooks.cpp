// ledgerine-gen-workbooks KIND OUT.xlsx: writes one of the benchmark workbooks.
//
// KIND is "big" (1 sheet of 1,000,000 rows), "many" (40 sheets of 25,000 rows) or "small"
// (20 sheets of 200 rows); every sheet has 10 mixed columns laid out the way spreadsheet programs
// save them: integers, amounts with a number format, repeated and unique shared strings, dates
// and date-times with date styles, booleans, percentages with the odd inline string, and a
// formula with its cached value. The output is deterministic (fixed seed, fixed entry times).
// Exit status 0 on success, 1 when the archive cannot be written, 2 on bad usage.
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <zip.h>

namespace {

struct Kind {
    std::string_view name;
    int sheets;
    int rows; // per sheet, the header row included
};

constexpr std::array<Kind, 3> kinds{{{"big", 1, 1000000}, {"many", 40, 25000}, {"small", 20, 200}}};

// splitmix64: small, fast and the same on every platform, so the workbooks are reproducible.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

// An append-only text buffer; the parts are held whole until the archive is closed.
class Text {
public:
    void reserve(std::size_t n) { s_.reserve(n); }
    Text& operator<<(std::string_view v) {
        s_.append(v);
        return *this;
    }
    Text& operator<<(char c) {
        s_.push_back(c);
        return *this;
    }
    Text& operator<<(std::int64_t v) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        s_.append(buf, r.ptr);
        return *this;
    }
    Text& operator<<(int v) { return *this << static_cast<std::int64_t>(v); }
    // Shortest text that reads back as the same double, as spreadsheet programs store numbers.
    Text& operator<<(double v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        s_.append(buf, r.ptr);
        return *this;
    }
    // Fixed-point with two decimals, from an integer count of hundredths (no rounding noise).
    void cents(std::int64_t c) {
        if (c < 0) {
            s_.push_back('-');
            c = -c;
        }
        *this << c / 100;
        std::int64_t frac = c % 100;
        if (frac != 0) {
            s_.push_back('.');
            s_.push_back(static_cast<char>('0' + frac / 10));
            if (frac % 10 != 0) s_.push_back(static_cast<char>('0' + frac % 10));
        }
    }
    void escaped(std::string_view v) {
        for (char c : v) {
            switch (c) {
            case '&':
                s_.append("&amp;");
                break;
            case '<':
                s_.append("&lt;");
                break;
            case '>':
                s_.append("&gt;");
                break;
            case '"':
                s_.append("&quot;");
                break;
            default:
                s_.push_back(c);
            }
        }
    }
    std::string& str() { return s_; }

private:
    std::string s_;
};

constexpr std::string_view xmlDecl =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr std::string_view mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view relNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view pkgRelNs =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// Repeated texts of the category column; a few need XML escapes or CSV quoting, some are not ASCII.
constexpr std::array<std::string_view, 24> categories{
    "Office supplies", "Travel",        "Hardware",           "Software licences",
    "Consulting",      "R&D",           "Rent, utilities",    "Marketing",
    "Müller GmbH",     "Café du Nord",  "東京支店",           "Catering",
    "Freight",         "Insurance",     "Training",           "Maintenance",
    "Legal \"misc\"",  "Subscriptions", "Telephone/Internet", "Bank fees",
    "Donations",       "Entertainment", "Recruiting",         "Depreciation"};

constexpr std::array<std::string_view, 10> headers{"ID",          "Amount", "Category", "Reference",
                                                   "Date",        "Time",   "Paid",     "Score",
                                                   "Rate / Note", "Gross"};

constexpr std::array<std::string_view, 8> notes{"pending", "see mail", "n/a",   "checked",
                                                "late",    "disputed", "split", "refund"};

constexpr std::array<std::string_view, 6> regions{"North", "South",   "East",
                                                  "West",  "Central", "Export"};

// Style indexes into cellXfs below.
constexpr int styleDate = 1;     // numFmtId 14
constexpr int styleAmount = 2;   // numFmtId 4, "#,##0.00"
constexpr int styleDateTime = 3; // numFmtId 164, custom "yyyy-mm-dd hh:mm:ss"
constexpr int stylePercent = 4;  // numFmtId 10, "0.00%"
constexpr int styleHeader = 5;   // bold font, general format

std::string sheetName(const Kind& kind, int i) {
    if (kind.sheets == 1) return "Ledger";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s %02d",
                  regions[static_cast<std::size_t>(i) % regions.size()].data(), i + 1);
    return buf;
}

// The shared string list: the headers, then the categories, then one unique text per data row
// of every sheet, appended as the sheets are generated (the order spreadsheet programs use).
struct SharedStrings {
    Text items;
    std::int64_t unique = 0;
    std::int64_t refs = 0;

    std::int64_t add(std::string_view v) {
        items << "<si><t>";
        items.escaped(v);
        items << "</t></si>";
        return unique++;
    }
};

void cell(Text& x, char col, std::string_view row, int style, std::string_view type) {
    x << "<c r=\"" << col << row << '"';
    if (style != 0) x << " s=\"" << style << '"';
    if (!type.empty()) x << " t=\"" << type << '"';
    x << '>';
}

void writeSheet(Text& x, const Kind& kind, int sheet, SharedStrings& sst, Random& rng) {
    x.reserve(static_cast<std::size_t>(kind.rows) * 440 + 4096);
    x << xmlDecl << "<worksheet xmlns=\"" << mainNs << "\" xmlns:r=\"" << relNs << "\">"
      << "<dimension ref=\"A1:J" << kind.rows << "\"/>"
      << "<sheetViews><sheetView " << (sheet == 0 ? "tabSelected=\"1\" " : "")
      << "workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
         "state=\"frozen\"/></sheetView></sheetViews>"
      << "<sheetFormatPr defaultRowHeight=\"15\"/>"
      << "<cols><col min=\"1\" max=\"1\" width=\"9.7109375\" customWidth=\"1\"/>"
         "<col min=\"4\" max=\"4\" width=\"24.7109375\" customWidth=\"1\"/>"
         "<col min=\"5\" max=\"6\" width=\"18.7109375\" customWidth=\"1\"/></cols>"
      << "<sheetData>";

    x << "<row r=\"1\" spans=\"1:10\">";
    for (std::size_t c = 0; c < headers.size(); ++c) {
        cell(x, static_cast<char>('A' + c), "1", styleHeader, "s");
        x << "<v>" << static_cast<std::int64_t>(c) << "</v></c>";
        ++sst.refs;
    }
    x << "</row>";

    char rowBuf[16];
    std::int64_t id = 100000 + static_cast<std::int64_t>(sheet) * 1000000;
    for (int r = 2; r <= kind.rows; ++r) {
        auto end = std::to_chars(rowBuf, rowBuf + sizeof rowBuf, r).ptr;
        std::string_view row(rowBuf, static_cast<std::size_t>(end - rowBuf));
        id += 1 + static_cast<std::int64_t>(rng.below(3));
        std::int64_t cents = static_cast<std::int64_t>(rng.below(2500000)) - 200000;
        std::int64_t day = 36526 + static_cast<std::int64_t>(rng.below(10958)); // 2000..2029
        std::int64_t second = static_cast<std::int64_t>(rng.below(86400));

        x << "<row r=\"" << row << "\" spans=\"1:10\">";

        cell(x, 'A', row, 0, "");
        x << "<v>" << id << "</v></c>";

        cell(x, 'B', row, styleAmount, "");
        x << "<v>";
        x.cents(cents);
        x << "</v></c>";

        cell(x, 'C', row, 0, "s");
        x << "<v>" << static_cast<std::int64_t>(headers.size() + rng.below(categories.size()))
          << "</v></c>";

        char ref[40];
        int n = std::snprintf(ref, sizeof ref, "INV-%07lld/%c%c-%04d", static_cast<long long>(id),
                              static_cast<char>('A' + rng.below(26)),
                              static_cast<char>('A' + rng.below(26)),
                              static_cast<int>(rng.below(10000)));
        cell(x, 'D', row, 0, "s");
        x << "<v>" << sst.add(std::string_view(ref, static_cast<std::size_t>(n))) << "</v></c>";
        sst.refs += 2;

        cell(x, 'E', row, styleDate, "");
        x << "<v>" << day << "</v></c>";

        cell(x, 'F', row, styleDateTime, "");
        x << "<v>" << static_cast<double>(day) + static_cast<double>(second) / 86400.0
          << "</v></c>";

        cell(x, 'G', row, 0, "b");
        x << "<v>" << (rng.below(4) != 0 ? "1" : "0") << "</v></c>";

        cell(x, 'H', row, 0, "");
        x << "<v>" << static_cast<double>(rng.below(1000000)) / 1000.0 << "</v></c>";

        if (rng.below(10) == 0) {
            cell(x, 'I', row, 0, "inlineStr");
            x << "<is><t>" << notes[rng.below(notes.size())] << "</t></is></c>";
        } else {
            cell(x, 'I', row, stylePercent, "");
            x << "<v>" << static_cast<double>(rng.below(10000)) / 10000.0 << "</v></c>";
        }

        cell(x, 'J', row, styleAmount, "");
        x << "<f>B" << row << "*1.19</f><v>" << static_cast<double>(cents) / 100.0 * 1.19
          << "</v></c>";

        x << "</row>";
    }
    x << "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
         "header=\"0.3\" footer=\"0.3\"/></worksheet>";
}

void writeStyles(Text& x) {
    x << xmlDecl << "<styleSheet xmlns=\"" << mainNs << "\">"
      << "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/>"
         "</numFmts>"
      << "<fonts count=\"2\"><font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/>"
         "<family val=\"2\"/><scheme val=\"minor\"/></font><font><b/><sz val=\"11\"/>"
         "<color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/><scheme val=\"minor\"/>"
         "</font></fonts>"
      << "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill>"
         "<patternFill patternType=\"gray125\"/></fill></fills>"
      << "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
         "</borders>"
      << "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
         "</cellStyleXfs>"
      << "<cellXfs count=\"6\">"
         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
         "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
         "applyNumberFormat=\"1\"/>"
         "<xf numFmtId=\"4\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
         "applyNumberFormat=\"1\"/>"
         "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
         "applyNumberFormat=\"1\"><alignment horizontal=\"left\"/></xf>"
         "<xf numFmtId=\"10\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
         "applyNumberFormat=\"1\"/>"
         "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
         "applyFont=\"1\"/>"
         "</cellXfs>"
      << "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
         "</cellStyles><dxfs count=\"0\"/><tableStyles count=\"0\" "
         "defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\"/>"
      << "</styleSheet>";
}

void writeWorkbook(Text& x, const Kind& kind) {
    x << xmlDecl << "<workbook xmlns=\"" << mainNs << "\" xmlns:r=\"" << relNs << "\">"
      << "<fileVersion appName=\"xl\" lastEdited=\"7\" lowestEdited=\"7\" rupBuild=\"22228\"/>"
      << "<workbookPr defaultThemeVersion=\"164011\"/>"
      << "<bookViews><workbookView xWindow=\"0\" yWindow=\"0\" windowWidth=\"28800\" "
         "windowHeight=\"12300\"/></bookViews><sheets>";
    for (int i = 0; i < kind.sheets; ++i) {
        x << "<sheet name=\"";
        x.escaped(sheetName(kind, i));
        x << "\" sheetId=\"" << i + 1 << "\" r:id=\"rId" << i + 1 << "\"/>";
    }
    x << "</sheets><calcPr calcId=\"171027\"/></workbook>";
}

void writeWorkbookRels(Text& x, const Kind& kind) {
    x << xmlDecl << "<Relationships xmlns=\"" << pkgRelNs << "\">";
    for (int i = 0; i < kind.sheets; ++i) {
        x << "<Relationship Id=\"rId" << i + 1 << "\" Type=\"" << relNs
          << "/worksheet\" Target=\"worksheets/sheet" << i + 1 << ".xml\"/>";
    }
    x << "<Relationship Id=\"rId" << kind.sheets + 1 << "\" Type=\"" << relNs
      << "/styles\" Target=\"styles.xml\"/>"
      << "<Relationship Id=\"rId" << kind.sheets + 2 << "\" Type=\"" << relNs
      << "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
}

void writeContentTypes(Text& x, const Kind& kind) {
    constexpr std::string_view sml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    x << xmlDecl << "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      << "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      << "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      << "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" << sml << "sheet.main+xml\"/>";
    for (int i = 0; i < kind.sheets; ++i) {
        x << "<Override PartName=\"/xl/worksheets/sheet" << i + 1 << ".xml\" ContentType=\"" << sml
          << "worksheet+xml\"/>";
    }
    x << "<Override PartName=\"/xl/styles.xml\" ContentType=\"" << sml << "styles+xml\"/>"
      << "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" << sml
      << "sharedStrings+xml\"/>"
      << "<Override PartName=\"/docProps/core.xml\" "
         "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
      << "<Override PartName=\"/docProps/app.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
      << "</Types>";
}

void writeRootRels(Text& x) {
    x << xmlDecl << "<Relationships xmlns=\"" << pkgRelNs << "\">"
      << "<Relationship Id=\"rId3\" Type=\"" << relNs
      << "/extended-properties\" Target=\"docProps/app.xml\"/>"
      << "<Relationship Id=\"rId2\" "
         "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
         "core-properties\" Target=\"docProps/core.xml\"/>"
      << "<Relationship Id=\"rId1\" Type=\"" << relNs
      << "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
}

void writeCore(Text& x) {
    x << xmlDecl
      << "<cp:coreProperties "
         "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
         "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
         "<dc:creator>Accounts</dc:creator><cp:lastModifiedBy>Accounts</cp:lastModifiedBy>"
         "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2020-08-12T09:00:00Z</dcterms:created>"
         "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2020-08-12T09:30:00Z</dcterms:modified>"
         "</cp:coreProperties>";
}

void writeApp(Text& x, const Kind& kind) {
    x << xmlDecl
      << "<Properties "
         "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
         "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
         "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity>"
         "<ScaleCrop>false</ScaleCrop><TitlesOfParts><vt:vector size=\""
      << kind.sheets << "\" baseType=\"lpstr\">";
    for (int i = 0; i < kind.sheets; ++i) {
        x << "<vt:lpstr>";
        x.escaped(sheetName(kind, i));
        x << "</vt:lpstr>";
    }
    x << "</vt:vector></TitlesOfParts><AppVersion>16.0300</AppVersion></Properties>";
}

int fail(zip_t* za, const char* what) {
    std::fprintf(stderr, "ledgerine-gen-workbooks: %s: %s\n", what,
                 za != nullptr ? zip_strerror(za) : "cannot create archive");
    if (za != nullptr) zip_discard(za);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const Kind* kind = nullptr;
    if (argc == 3) {
        for (const Kind& k : kinds) {
            if (k.name == argv[1]) kind = &k;
        }
    }
    if (kind == nullptr) {
        std::fprintf(stderr, "usage: ledgerine-gen-workbooks big|many|small OUT.xlsx\n");
        return 2;
    }

    int error = 0;
    zip_t* za = zip_open(argv[2], ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (za == nullptr) return fail(nullptr, argv[2]);

    // Every part stays alive until zip_close, which reads and deflates them.
    std::vector<std::pair<std::string, std::unique_ptr<Text>>> parts;
    auto part = [&](std::string name) -> Text& {
        parts.emplace_back(std::move(name), std::make_unique<Text>());
        return *parts.back().second;
    };

    writeContentTypes(part("[Content_Types].xml"), *kind);
    writeRootRels(part("_rels/.rels"));
    writeWorkbook(part("xl/workbook.xml"), *kind);
    writeWorkbookRels(part("xl/_rels/workbook.xml.rels"), *kind);
    writeStyles(part("xl/styles.xml"));

    SharedStrings sst;
    sst.items.reserve(static_cast<std::size_t>(kind->sheets) *
                      static_cast<std::size_t>(kind->rows) * 36);
    for (std::string_view h : headers)
        sst.add(h);
    for (std::string_view c : categories)
        sst.add(c);
    Random rng(20200812);
    for (int i = 0; i < kind->sheets; ++i) {
        writeSheet(part("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml"), *kind, i, sst,
                   rng);
    }
    Text& shared = part("xl/sharedStrings.xml");
    shared << xmlDecl << "<sst xmlns=\"" << mainNs << "\" count=\"" << sst.refs
           << "\" uniqueCount=\"" << sst.unique << "\">" << sst.items.str() << "</sst>";
    sst.items.str().clear();
    sst.items.str().shrink_to_fit();
    writeCore(part("docProps/core.xml"));
    writeApp(part("docProps/app.xml"), *kind);

    // A fixed time for every entry keeps the archive byte-for-byte reproducible.
    constexpr time_t entryTime = 1597222800; // 2020-08-12 09:00 UTC
    // zlib's own default; libzip would otherwise pick its best (and slowest) level.
    constexpr zip_uint32_t deflateLevel = 6;
    for (auto& [name, text] : parts) {
        std::string& s = text->str();
        zip_source_t* src = zip_source_buffer(za, s.data(), s.size(), 0);
        if (src == nullptr) return fail(za, name.c_str());
        zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(src);
            return fail(za, name.c_str());
        }
        auto i = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(za, i, ZIP_CM_DEFLATE, deflateLevel) != 0 ||
            zip_file_set_mtime(za, i, entryTime, 0) != 0) {
            return fail(za, name.c_str());
        }
    }
    if (zip_close(za) != 0) return fail(za, argv[2]);
    return 0;
}
