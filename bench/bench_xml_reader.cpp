// ledgerine-bench-xml-reader [FILE]: the XML reader's speed on a worksheet part. Without FILE
// a part of about 210 MB of typical cells is generated in the system temporary folder (and
// removed afterwards); a FILE that does not exist is generated there and kept; an existing
// FILE is read as it is. Each run counts the events of the file read through openFile and
// prints MB/s (by wall time and by CPU time, which a busy machine disturbs less) and the
// event count.
#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "xlsx/xml_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace ledgerine;

constexpr uint64_t targetBytes = 210ull * 1000 * 1000;

void appendRow(std::string& out, int64_t row) {
    std::string r = std::to_string(row);
    out += "<row r=\"" + r + "\" spans=\"1:10\">";
    out += "<c r=\"A" + r + "\" s=\"1\" t=\"s\"><v>" + std::to_string(row % 5000) + "</v></c>";
    out += "<c r=\"B" + r + "\"><v>3.25</v></c>";
    out += "<c r=\"C" + r + "\"><v>" + std::to_string(row * 7) + "</v></c>";
    out += "<c r=\"D" + r + "\" s=\"2\"><v>" + std::to_string(40000 + row % 3000) + "</v></c>";
    out += "<c r=\"E" + r + "\" t=\"b\"><v>" + std::to_string(row % 2) + "</v></c>";
    out += "<c r=\"F" + r + "\" t=\"inlineStr\"><is><t>item " + r + "</t></is></c>";
    out += "<c r=\"G" + r + "\"><f>B" + r + "*2</f><v>6.5</v></c>";
    out += "<c r=\"H" + r + "\" s=\"1\" t=\"s\"><v>" + std::to_string(row % 17) + "</v></c>";
    out += "<c r=\"I" + r + "\"><v>-0.000123</v></c>";
    out += "<c r=\"J" + r + "\" t=\"s\"><v>" + std::to_string(row % 101) + "</v></c>";
    out += "</row>";
}

uint64_t generate(const std::string& path) {
    auto file = platform::openWrite(path);
    if (!file) {
        throw base::IOError("Failed to create output file: " + path);
    }
    std::string chunk =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<dimension ref=\"A1:J600000\"/><sheetViews><sheetView workbookViewId=\"0\"/>"
        "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/><sheetData>";
    uint64_t total = 0;
    for (int64_t row = 1; total + chunk.size() < targetBytes; ++row) {
        appendRow(chunk, row);
        if (chunk.size() >= (1 << 20)) {
            total += file->write(chunk.data(), chunk.size());
            chunk.clear();
        }
    }
    chunk += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
             "header=\"0.3\" footer=\"0.3\"/></worksheet>";
    total += file->write(chunk.data(), chunk.size());
    if (!file->close()) {
        throw base::IOError("cannot write to stream");
    }
    return total;
}

int run(int argc, char** argv) {
    if (argc > 2) {
        platform::writeStream(platform::Stream::Err, "usage: ledgerine-bench-xml-reader [FILE]\n");
        return 2;
    }
    std::string path;
    bool remove = false;
    if (argc == 2) {
        path = argv[1];
    } else {
        path = base::joinPath(platform::systemTempFolder(), "ledgerine-bench-xml-reader.xml");
        remove = true;
    }
    if (remove || !platform::fileExists(path)) {
        uint64_t written = generate(path);
        platform::writeStream(platform::Stream::Out,
                              "generated " + path + ": " + std::to_string(written) + " bytes\n");
    }
    double bytes = static_cast<double>(platform::fileSize(path));
    std::vector<double> rates;
    std::vector<double> cpuRates;
    for (int runNo = 0; runNo < 3; ++runNo) {
        auto start = std::chrono::steady_clock::now();
        std::clock_t cpuStart = std::clock();
        auto reader = xlsx::XmlReader::openFile(path, {true, false});
        uint64_t events = 0;
        do {
            reader->nextEvent();
            ++events;
        } while (reader->kind() != xlsx::XmlEventKind::EndOfInput);
        reader->close();
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        double rate = bytes / 1e6 / seconds;
        rates.push_back(rate);
        cpuRates.push_back(bytes / 1e6 / cpu);
        platform::writeStream(platform::Stream::Out,
                              "run " + std::to_string(runNo + 1) + ": " + std::to_string(seconds) +
                                  " s, " + std::to_string(rate) + " MB/s (" +
                                  std::to_string(cpuRates.back()) + " MB/s of CPU time), " +
                                  std::to_string(events) + " events\n");
    }
    std::sort(rates.begin(), rates.end());
    std::sort(cpuRates.begin(), cpuRates.end());
    platform::writeStream(platform::Stream::Out, "median: " + std::to_string(rates[1]) + " MB/s (" +
                                                     std::to_string(cpuRates[1]) +
                                                     " MB/s of CPU time)\n");
    if (remove) {
        platform::removeTree(path);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const ledgerine::base::Error& e) {
        ledgerine::platform::writeStream(ledgerine::platform::Stream::Err,
                                         "ledgerine-bench-xml-reader: " + e.report() + "\n");
        return 1;
    }
}
