// ledgerine-xml-events [--keep-whitespace] FILE: prints the XML reader's events of a file, one
// per line, in the form of xlsx/xml_events_text.h. A developer's tool for looking at parts.
#include "base/errors.h"
#include "platform/system.h"
#include "xlsx/xml_events_text.h"
#include "xlsx/xml_reader.h"

#include <string>
#include <string_view>

namespace {

using ledgerine::platform::Stream;
using ledgerine::platform::writeStream;

constexpr std::string_view usage = "usage: ledgerine-xml-events [--keep-whitespace] FILE\n";

int run(int argc, char** argv) {
    ledgerine::xlsx::XmlOptions options;
    std::string path;
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--keep-whitespace") {
            options.keepWhitespace = true;
        } else if (arg == "--help") {
            writeStream(Stream::Out, usage);
            return 0;
        } else if (!havePath && (arg.empty() || arg[0] != '-')) {
            path = arg;
            havePath = true;
        } else {
            writeStream(Stream::Err, usage);
            return 2;
        }
    }
    if (!havePath) {
        writeStream(Stream::Err, usage);
        return 2;
    }

    std::unique_ptr<ledgerine::xlsx::XmlReader> reader;
    try {
        reader = ledgerine::xlsx::XmlReader::openFile(path, options);
    } catch (const ledgerine::base::Error& e) {
        writeStream(Stream::Err, "ledgerine-xml-events: " + e.message() + "\n");
        return 1;
    }
    std::string out;
    try {
        do {
            reader->nextEvent();
            out += ledgerine::xlsx::renderEvent(*reader);
            out.push_back('\n');
            if (out.size() >= 1 << 16) {
                writeStream(Stream::Out, out);
                out.clear();
            }
        } while (reader->kind() != ledgerine::xlsx::XmlEventKind::EndOfInput);
    } catch (const ledgerine::base::Error& e) {
        writeStream(Stream::Out, out);
        writeStream(Stream::Err, "ledgerine-xml-events: " + e.report() + "\n");
        return 1;
    }
    writeStream(Stream::Out, out);
    reader->close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return run(argc, argv);
}
