#include "driver/driver.h"

#include "base/errors.h"
#include "base/paths.h"
#include "driver/csv_writer.h"
#include "driver/settings.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "xlsx/loading.h"
#include "xlsx/manifest.h"

#include <cstdio>
#include <utility>

namespace ledgerine::driver {
namespace {

constexpr std::string_view outputPrefix = "zz_";
constexpr std::string_view csvSuffix = ".csv";

StatusSink& statusSink() {
    static StatusSink sink;
    return sink;
}

ProgressSink& progressSink() {
    static ProgressSink sink;
    return sink;
}

SettingsReloader& settingsReloader() {
    static SettingsReloader reloader;
    return reloader;
}

void reload() {
    if (settingsReloader())
        settingsReloader()();
    else
        reloadSettings();
}

void progress(ProgressEvent::Kind kind, std::string_view workbook, std::string_view sheet = {},
              std::string_view csvPath = {}) {
    if (progressSink()) progressSink()(ProgressEvent{kind, workbook, sheet, csvPath});
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool isWorkbookPath(std::string_view path) {
    return endsWith(path, ".xlsx") || endsWith(path, ".XLSX");
}

// A sheet name becomes a file name as it is; one that names another folder is refused.
bool isUnsafeFileName(std::string_view name) {
    return name.empty() || name == "." || name == ".." ||
           name.find_first_of("/\\") != std::string_view::npos;
}

std::string folderOutput(const std::string& folder) {
    return base::joinPath(base::parentPath(folder),
                          std::string(outputPrefix) + std::string(base::lastComponent(folder)));
}

std::string fileOutput(const std::string& file) {
    return base::joinPath(base::parentPath(file),
                          std::string(outputPrefix) + workbookStem(base::lastComponent(file)));
}

// A root has no parent and no last component, so no folder beside it can receive the output.
void refuseRoot(const std::string& folder) {
    if (base::isRootPath(folder)) throw base::IOError("cannot convert a root folder: " + folder);
}

void folderRequest(const std::string& folder) {
    refuseRoot(folder);
    std::string output = folderOutput(folder);
    reload();
    convertFolder(folder, output);
    reportDone(output);
}

void fileRequest(const std::string& file) {
    std::string output = fileOutput(file);
    reload();
    convertWorkbook(file, output);
    reportDone(output);
}

std::string twoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

} // namespace

void setStatusSink(StatusSink sink) {
    statusSink() = std::move(sink);
}
void setProgressSink(ProgressSink sink) {
    progressSink() = std::move(sink);
}
void setSettingsReloader(SettingsReloader reloader) {
    settingsReloader() = std::move(reloader);
}

void runFolderRequest(const std::string& folder) {
    if (folder.empty()) return;
    folderRequest(folder);
}

void runFileRequest(const std::string& file) {
    fileRequest(file);
}

void runDroppedPaths(const std::vector<std::string>& paths,
                     const std::function<void(const std::string&)>& onMissing) {
    for (const std::string& path : paths) {
        if (platform::fileExists(path)) {
            fileRequest(path);
        } else if (platform::folderExists(path)) {
            folderRequest(path);
        } else if (onMissing) {
            onMissing(path);
        }
    }
}

void convertFolder(const std::string& folder, const std::string& outputFolder) {
    const std::string absoluteOutput =
        base::isAbsolutePath(outputFolder)
            ? outputFolder
            : base::joinPath(platform::currentFolder(), outputFolder);
    platform::createFolders(outputFolder);

    // Relative paths below folder still to be listed; the last one found is listed first.
    std::vector<std::string> stack{std::string()};
    while (!stack.empty()) {
        const std::string relative = std::move(stack.back());
        stack.pop_back();
        const std::string dir = relative.empty() ? folder : base::joinPath(folder, relative);
        platform::FolderListing listing(dir);
        if (!listing.started()) continue;
        platform::FolderEntry entry;
        while (listing.next(entry)) {
            if (entry.isReparsePoint) continue;
            if (entry.isFolder) {
                stack.push_back(base::joinPath(relative, entry.name));
                continue;
            }
            const std::string path = base::joinPath(dir, entry.name);
            if (base::parentPath(path) == outputFolder) continue;
            const std::string stem = workbookStem(entry.name);
            if ((stem == "." || stem == "..") && isWorkbookPath(path))
                throw base::IOError("unsafe workbook name: " + path);
            convertWorkbook(path, base::joinPath(absoluteOutput, stem));
        }
    }
}

void convertWorkbook(const std::string& path, const std::string& outputFolder) {
    if (platform::fileSize(path) == 0) return;
    if (!isWorkbookPath(path)) return;
    platform::createFolders(outputFolder);
    progress(ProgressEvent::Kind::Workbook, path);
    // One unpacking serves the listing and every listed sheet.
    const xlsx::WorkbookLoad load =
        xlsx::loadWorkbook(path, [](const std::vector<std::string>& names) {
            for (const std::string& name : names)
                if (isUnsafeFileName(name)) throw base::IOError("unsafe sheet name: " + name);
        });
    const auto& table = load.sheets;
    for (const std::string& name : load.names) {
        const std::string csvPath = base::joinPath(outputFolder, name + std::string(csvSuffix));
        const xlsx::Sheet& sheet = table.at(name);
        progress(ProgressEvent::Kind::Sheet, path, name, csvPath);
        const OutputSettings settings = currentOutputSettings();
        writeCsv(sheet, csvPath, settings.separator, settings.quoting, settings.bom);
        progress(ProgressEvent::Kind::Written, path, name, csvPath);
    }
}

std::string workbookStem(std::string_view fileName) {
    std::string_view name = fileName;
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

void reportDone(const std::string& outputFolder) {
    showStatus({"Done! - " + outputFolder});
}

void showStatus(const std::vector<std::string>& texts) {
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) joined += ' ';
        joined += texts[i];
    }
    const platform::TimeOfDay now = platform::localTimeOfDay();
    const std::string text = " " + joined + " - " + twoDigits(now.hour) + ":" +
                             twoDigits(now.minute) + ":" + twoDigits(now.second);
    if (statusSink()) statusSink()(text);
}

} // namespace ledgerine::driver
