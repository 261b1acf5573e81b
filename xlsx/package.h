// Package extraction: a workbook is a ZIP archive of XML parts, unpacked whole into one fixed
// temporary directory so the part readers can read plain files. Entry names that would leave
// the destination (a ".." component, an absolute path, a drive prefix, nothing left after the
// join) are skipped: nothing is ever written outside it. A load holds an exclusive lock shared
// by all running instances from before unpacking until after the directory is removed.
//
// Raises: NotExistsXlsxFileError "No such xlsx file: " + path; InvalidXlsxFileError
// "[ZIP] Can't open xlsx file: " + path and "[ZIP] Can't read entry: " + entry name; IOError
// "Failed to create output file: " + path, "Failed to create '" + folder + "'", "cannot write
// to stream"; OSError for other folder failures and for a failed removal.
#pragma once

#include "platform/fs.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

struct zip;
struct zip_file;

namespace ledgerine::xlsx {

enum class ArchiveMode { Read };

struct ArchiveCloser {
    void operator()(struct zip* archive) const noexcept;
};
struct EntryCloser {
    void operator()(struct zip_file* entry) const noexcept;
};

// An open archive; the handle is closed (nothing written back) when the owner goes.
struct PackageArchive {
    ArchiveMode mode = ArchiveMode::Read;
    std::unique_ptr<struct zip, ArchiveCloser> handle;
};

// A read stream over one archive entry, closed when the owner goes.
struct EntryStream {
    std::unique_ptr<struct zip_file, EntryCloser> handle;
    bool atEnd = false;

    // Up to n bytes; the library's count unchanged (negative on failure); 0 sets atEnd.
    int64_t read(void* buffer, size_t n);
    void close();
};

// The temporary directory: the system temporary folder joined with "xlsx_ravel_tmp" (the bare
// name when there is none), fixed at the first call for the rest of the process.
const std::string& tempDirectory();

// The lock file beside the temporary directory: tempDirectory() + ".lock".
std::string tempLockPath();

// A part name such as "/xl/workbook.xml" beneath dir; both slashes separate, "." and ".."
// segments are resolved and never climb above dir.
std::string partPath(std::string_view dir, std::string_view partName);

// Opens an existing archive read-only; false when the library cannot open it. Raises nothing.
bool openArchive(PackageArchive& archive, const std::string& path, ArchiveMode mode);

// Unpacks every entry beneath destination (created with its parents when missing; not emptied).
void extractEntries(PackageArchive& archive, const std::string& destination);

// Writes the bytes of the entry with exactly that stored name to outputPath.
void extractFile(PackageArchive& archive, const std::string& entryName,
                 const std::string& outputPath);

void closeArchive(PackageArchive& archive);

// Checks the file, opens it, unpacks every entry into tempDirectory(), closes the archive.
void extractXml(const std::string& path);

// One load's hold on the temporary directory: takes the lock, clears what an earlier,
// interrupted load left behind, and unpacks the workbook. finish() removes the directory on
// the normal way out (OSError on failure); fail() removes it on the error path and throws the
// removal's own error in place of the pending one, or else the pending one. Without either,
// the destructor removes the directory and swallows a failure.
class LoadSession {
public:
    explicit LoadSession(const std::string& workbookPath);
    ~LoadSession();
    LoadSession(const LoadSession&) = delete;
    LoadSession& operator=(const LoadSession&) = delete;

    const std::string& directory() const { return directory_; }
    void finish();
    [[noreturn]] void fail(std::exception_ptr pending);

private:
    std::string directory_;
    platform::FileLock lock_;
    bool removed_ = false;
};

// Runs fn(temporary directory) on the unpacked workbook and removes the directory on every way
// out; a failed removal raises OSError, in place of fn's error when there was one.
template <class F> auto withExtractedPackage(const std::string& path, F&& fn) {
    LoadSession session(path);
    using Result = decltype(fn(session.directory()));
    if constexpr (std::is_void_v<Result>) {
        try {
            fn(session.directory());
        } catch (...) {
            session.fail(std::current_exception());
        }
        session.finish();
    } else {
        Result result = [&]() -> Result {
            try {
                return fn(session.directory());
            } catch (...) {
                session.fail(std::current_exception());
            }
        }();
        session.finish();
        return result;
    }
}

} // namespace ledgerine::xlsx
