#include "cli/convert.h"

#include "base/errors.h"
#include "base/paths.h"
#include "cli/cli.h"
#include "driver/driver.h"
#include "driver/settings.h"
#include "platform/system.h"

namespace ledgerine::cli {
namespace {

constexpr std::string_view programName = "ledgerine-cli: ";

// The self-updating line on a terminal's standard error: rewritten in place, cleared before
// anything else is printed.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    ~ProgressLine() { clear(); }
    void show(const std::string& text) {
        if (!enabled_) return;
        platform::writeStream(platform::Stream::Err, "\r" + text + "\x1b[K");
        shown_ = true;
    }
    void clear() {
        if (!shown_) return;
        platform::writeStream(platform::Stream::Err, "\r\x1b[K");
        shown_ = false;
    }

private:
    bool enabled_;
    bool shown_ = false;
};

// "." and ".." have no name of their own to give the output folder; the folder they stand for
// has. Other paths are kept exactly as given.
std::string requestPath(const std::string& path) {
    std::string_view last = base::lastComponent(path);
    if (last != "." && last != "..") return path;
    std::string absolute =
        base::isAbsolutePath(path) ? path : base::joinPath(platform::currentFolder(), path);
    // Resolve the trailing "." and ".." components lexically.
    std::string result(base::stripTrailingSeparators(absolute));
    int up = 0;
    for (;;) {
        std::string_view name = base::lastComponent(result);
        if (name == ".") {
        } else if (name == "..") {
            ++up;
        } else if (up > 0 && !name.empty()) {
            --up;
        } else {
            break;
        }
        if (base::isRootPath(result)) break;
        result = base::parentPath(result);
    }
    return result;
}

// Restores the driver's default sinks however the run ends.
struct SinkGuard {
    ~SinkGuard() {
        driver::setStatusSink({});
        driver::setProgressSink({});
        driver::setSettingsReloader({});
    }
};

} // namespace

int runConversion(const ConvertOptions& options) {
    // No cell boundary would be left in the output; the settings file never holds one either.
    if (options.separator && options.separator->empty()) {
        platform::writeStream(platform::Stream::Err, std::string(programName) +
                                                         "--separator needs a non-empty text\n" +
                                                         std::string(usageText));
        return 2;
    }
    const bool quiet = options.verbosity == Verbosity::Quiet;
    const bool verbose = options.verbosity == Verbosity::Verbose;
    ProgressLine line(!quiet && !verbose && platform::isTerminal(platform::Stream::Err));
    SinkGuard guard;
    int status = 0;

    driver::setSettingsReloader([&options] {
        driver::reloadSettings();
        if (options.separator) driver::currentSeparator = *options.separator;
    });
    driver::setStatusSink([&](const std::string& text) {
        line.clear();
        if (quiet) return;
        // The completion text without its leading blank.
        std::string_view shown = text;
        if (!shown.empty() && shown.front() == ' ') shown.remove_prefix(1);
        platform::writeStream(platform::Stream::Out, std::string(shown) + "\n");
    });
    driver::setProgressSink([&](const driver::ProgressEvent& e) {
        using Kind = driver::ProgressEvent::Kind;
        if (verbose && e.kind == Kind::Written) {
            platform::writeStream(platform::Stream::Out, "Wrote " + std::string(e.csvPath) + "\n");
        } else if (e.kind == Kind::Workbook) {
            line.show("Loading " + std::string(e.workbook));
        } else if (e.kind == Kind::Sheet) {
            line.show("Writing " + std::string(e.workbook) + " [" + std::string(e.sheet) + "]");
        }
    });

    try {
        driver::ensureSettingsFile(std::string(driver::defaultSettingsContent),
                                   std::string(driver::settingsFileName));
        for (const std::string& path : options.paths) {
            driver::runDroppedPaths({requestPath(path)}, [&](const std::string&) {
                line.clear();
                platform::writeStream(platform::Stream::Err, std::string(programName) +
                                                                 "no such file or folder: " + path +
                                                                 "\n");
                status = 1;
            });
        }
    } catch (const base::Error& e) {
        line.clear();
        platform::writeStream(platform::Stream::Err, std::string(programName) + e.report() + "\n");
        return 1;
    }
    return status;
}

} // namespace ledgerine::cli
