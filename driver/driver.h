// The conversion driver: turns a request (a chosen folder, one chosen file, or a list of
// dropped paths) into output folders beside the input and one CSV file per sheet, then reports
// completion through the status sink that the front end installs.
//
// Output locations (P the input, parent(P) the folder holding it):
//   folder P   -> parent(P) / "zz_" + last component of P, holding one folder per workbook
//                 stem found anywhere below P (the tree is flattened), each with sheet + ".csv";
//   workbook P -> parent(P) / "zz_" + workbookStem(P), holding sheet + ".csv".
// Only files ending exactly in ".xlsx" or ".XLSX" are converted; 0-byte files are skipped.
// The settings are read again before every conversion, after the output folder is computed.
//
// The driver catches nothing: the first error ends the request, files written before it stay
// and no completion is reported. Errors raised here besides the reader's and the writer's own:
//   OSError    the size lookup of a file fails; a folder listing fails after it started;
//   IOError    "Failed to create '" + folder + "'" when a file is in the way;
//              "unsafe sheet name: " + name for a sheet name holding "/" or "\", or ".", ".."
//              or empty (checked for every sheet before any file of the workbook is written);
//              "unsafe workbook name: " + path for a workbook below a folder whose stem is "."
//              or ".." (its output folder would not lie inside the request's);
//              "cannot convert a root folder: " + path for a folder request on "/", "D:\"...;
//   KeyError   "key not found: " + name when the loaded workbook lacks a listed sheet.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::driver {

// Receives each completion text (" Done! - <output folder> - HH:MM:SS"). No-op until set;
// an empty function restores the no-op.
using StatusSink = std::function<void(const std::string&)>;
void setStatusSink(StatusSink sink);

// What the driver is doing, for front ends that show progress. No-op until set.
struct ProgressEvent {
    enum class Kind {
        Workbook, // a workbook is about to be read (csvPath and sheet empty)
        Sheet,    // a sheet is about to be written to csvPath
        Written,  // csvPath has been written
    };
    Kind kind;
    std::string_view workbook; // the workbook's path
    std::string_view sheet;
    std::string_view csvPath;
};
using ProgressSink = std::function<void(const ProgressEvent&)>;
void setProgressSink(ProgressSink sink);

// Called once before every conversion to bring the output settings up to date; the default
// re-reads the settings file beside the executable (reloadSettings). Front ends and tests may
// install their own (another settings folder, an override); an empty function restores the
// default. writeCsv then uses currentOutputSettings().
using SettingsReloader = std::function<void()>;
void setSettingsReloader(SettingsReloader reloader);

// The three requests.
void runFolderRequest(const std::string& folder); // an empty path does nothing at all
void runFileRequest(const std::string& file);
// Each existing file as a file request, each existing folder as a folder request, in order;
// anything else is skipped (reported to onMissing when given).
void runDroppedPaths(const std::vector<std::string>& paths,
                     const std::function<void(const std::string&)>& onMissing = {});

// Converts every workbook below folder, walking with an explicit stack (the last folder found
// is walked first, a folder's files before its sub-folders, links never followed). The output
// folder is created even when no workbook is found; files directly in it are never input.
void convertFolder(const std::string& folder, const std::string& outputFolder);

// Converts one workbook into outputFolder; a 0-byte file or another extension is skipped
// without creating anything.
void convertWorkbook(const std::string& path, const std::string& outputFolder);

// The output folder name of a workbook file name: one leading "." removed, then the extension
// (from the last "." that is not the first character). "Q1.xlsx" -> "Q1", ".xlsx" -> "xlsx".
std::string workbookStem(std::string_view fileName);

// showStatus({"Done! - " + outputFolder}).
void reportDone(const std::string& outputFolder);
// " " + texts joined by single blanks + " - " + HH:MM:SS (local time), to the status sink.
void showStatus(const std::vector<std::string>& texts);

} // namespace ledgerine::driver
