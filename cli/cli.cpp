#include "cli/cli.h"

#include "base/errors.h"
#include "platform/system.h"
#include "xlsx/manifest.h"

#include <new>

namespace ledgerine::cli {

const std::string_view usageText =
    "usage: ledgerine-cli [--separator TEXT] [--quiet | --verbose] PATH...\n"
    "       ledgerine-cli --list-sheets WORKBOOK...\n"
    "       ledgerine-cli --help | --version\n";
const std::string_view versionText = "ledgerine 20.08.12";

namespace {

constexpr std::string_view programName = "ledgerine-cli: ";

constexpr std::string_view helpText =
    "\n"
    "Converts every worksheet of each .xlsx workbook into a CSV file, in a folder named\n"
    "\"zz_\" + the workbook's name beside it; a folder converts every workbook below it.\n"
    "\n"
    "  --separator TEXT  the text between two cells for this run (instead of the settings\n"
    "                    file beside the executable)\n"
    "  --quiet           print nothing on standard output\n"
    "  --verbose         print one line per CSV file written\n"
    "  --list-sheets     print the sheet names of each workbook, one per line\n"
    "  --help            print this help\n"
    "  --version         print the version\n";

ParsedArguments bad(std::string problem) {
    return {std::nullopt, std::move(problem)};
}

void writeError(const std::string& report) {
    platform::writeStream(platform::Stream::Err, std::string(programName) + report + "\n");
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string>& args) {
    CliOptions options;
    bool list = false, help = false, version = false, quiet = false, verbose = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            options.convert.paths.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--separator") {
            if (i + 1 == args.size()) return bad("--separator needs a value");
            options.convert.separator = args[++i];
        } else if (a.rfind("--separator=", 0) == 0) {
            options.convert.separator = a.substr(12);
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (a == "--list-sheets") {
            list = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--version") {
            version = true;
        } else {
            return bad("unknown option: " + a);
        }
    }
    if (help || version) {
        if (args.size() != 1)
            return bad(std::string(help ? "--help" : "--version") + " stands alone");
        options.mode = help ? Mode::Help : Mode::Version;
        return {options, {}};
    }
    if (quiet && verbose) return bad("--quiet and --verbose exclude each other");
    // No cell boundary would be left in the output.
    if (options.convert.separator && options.convert.separator->empty())
        return bad("--separator needs a non-empty text");
    if (list) {
        if (quiet || verbose || options.convert.separator)
            return bad("--list-sheets takes no other options");
        if (options.convert.paths.empty()) return bad("no workbook given");
        options.mode = Mode::ListSheets;
        return {options, {}};
    }
    if (options.convert.paths.empty()) return bad("no path given");
    options.convert.verbosity =
        quiet ? Verbosity::Quiet : (verbose ? Verbosity::Verbose : Verbosity::Normal);
    return {options, {}};
}

void listSheets(const std::vector<std::string>& workbooks) {
    for (const std::string& workbook : workbooks) {
        std::string out;
        for (const std::string& name : xlsx::readSheetNames(workbook))
            out += name + "\n";
        platform::writeStream(platform::Stream::Out, out);
    }
}

int runCli(const std::vector<std::string>& args) {
    try {
        ParsedArguments parsed = parseArguments(args);
        if (!parsed.options) {
            platform::writeStream(platform::Stream::Err, std::string(programName) + parsed.problem +
                                                             "\n" + std::string(usageText));
            return 2;
        }
        const CliOptions& options = *parsed.options;
        switch (options.mode) {
        case Mode::Help:
            platform::writeStream(platform::Stream::Out,
                                  std::string(usageText) + std::string(helpText));
            return 0;
        case Mode::Version:
            platform::writeStream(platform::Stream::Out, std::string(versionText) + "\n");
            return 0;
        case Mode::ListSheets:
            listSheets(options.convert.paths);
            return 0;
        case Mode::Convert:
            return runConversion(options.convert);
        }
        return 0;
    } catch (const base::Error& e) {
        writeError(e.report());
    } catch (const std::bad_alloc&) {
        writeError(base::OutOfMemError("out of memory").report());
    }
    return 1;
}

} // namespace ledgerine::cli
