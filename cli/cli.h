// The command line of ledgerine-cli and its one error boundary:
//
//   ledgerine-cli [--separator TEXT] [--quiet | --verbose] PATH...
//   ledgerine-cli --list-sheets WORKBOOK...
//   ledgerine-cli --help | --version
//
// "--" ends the options ("--separator=TEXT" is accepted too). Conversion goes to
// runConversion (cli/convert.h). --list-sheets prints each workbook's sheet names, one per
// line, in the listing order of readSheetNames; the first error ends the listing.
//
// Exit status: 0; 1 after an error, reported on standard error as "ledgerine-cli: " + message
// + " [" + name + "]" (a failed allocation as OutOfMemError "out of memory"); 2 for bad usage,
// reported as "ledgerine-cli: " + the problem and the usage lines. Raises nothing.
#pragma once

#include "cli/convert.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::cli {

extern const std::string_view usageText;   // the three usage lines, each ending in a line feed
extern const std::string_view versionText; // "ledgerine 20.08.12"

enum class Mode { Convert, ListSheets, Help, Version };

struct CliOptions {
    Mode mode = Mode::Convert;
    ConvertOptions convert; // the paths of every mode are in convert.paths
};

// The options, or the problem that makes the command line bad usage.
struct ParsedArguments {
    std::optional<CliOptions> options;
    std::string problem;
};

// args: the arguments after the program name.
ParsedArguments parseArguments(const std::vector<std::string>& args);

// Prints the sheet names of each workbook in turn. Raises the reader's errors.
void listSheets(const std::vector<std::string>& workbooks);

// Runs the whole command line and returns the exit status.
int runCli(const std::vector<std::string>& args);

} // namespace ledgerine::cli
