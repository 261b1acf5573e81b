// The conversion mode of ledgerine-cli: converts each path as if it had been dropped on the
// window (a file as a file request, a folder as a folder request, in the order given), with
// the settings file beside the executable (made at start-up when missing, read before every
// conversion) and --separator overriding its separator for the run.
//
// Standard output: "Done! - <output folder> - HH:MM:SS" per handled path (nothing with Quiet);
// with Verbose also "Wrote " + path for every CSV file written. On a terminal, standard error
// shows one self-updating line naming the workbook and sheet at work (not with Quiet or
// Verbose). A path that is neither file nor folder: "ledgerine-cli: no such file or folder: "
// + path on standard error, the other paths still converted. An error ends the run with
// "ledgerine-cli: " + message + " [" + name + "]" on standard error; files written before stay.
//
// Returns the exit status: 0, or 1 after an error or a missing path, or 2 (with the usage
// lines) for an empty separator. Raises nothing of its own
// kind (errors of the program's hierarchy become the error line); other exceptions go on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ledgerine::cli {

enum class Verbosity { Normal, Quiet, Verbose };

struct ConvertOptions {
    std::optional<std::string> separator;
    Verbosity verbosity = Verbosity::Normal;
    std::vector<std::string> paths;
};

int runConversion(const ConvertOptions& options);

} // namespace ledgerine::cli
