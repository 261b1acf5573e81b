// File-system services, in UTF-8 paths. The only place besides platform/system.h where the
// operating system is called for files. Two implementations: platform/posix and platform/win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ledgerine::platform {

// An open file, read or written byte for byte (no newline translation). Closed by the
// destructor; close() reports whether buffered data reached the file.
class File {
public:
    virtual ~File() = default;
    // Up to n bytes; 0 at the end; -1 on a read error.
    virtual int64_t read(void* buffer, size_t n) = 0;
    // Returns the number of bytes written (fewer than n on failure).
    virtual size_t write(const void* data, size_t n) = 0;
    virtual bool flush() = 0;
    virtual bool close() = 0;
};

// nullptr when the file cannot be opened.
std::unique_ptr<File> openRead(const std::string& path);
// Creates or truncates. nullptr when the file cannot be opened.
std::unique_ptr<File> openWrite(const std::string& path);

bool fileExists(const std::string& path);   // exists and is not a folder
bool folderExists(const std::string& path); // exists and is a folder

// Size of the file by a lookup of that exact path. OSError (system text + "Additional info: "
// + quoted path) when the lookup fails.
uint64_t fileSize(const std::string& path);

// Creates the folder and every missing parent; nothing happens when it exists. IOError
// "Failed to create '" + folder + "'" when a file is in the way; OSError for other failures.
void createFolders(const std::string& path);

// Removes a folder with all its contents; a folder already gone is no error. OSError on failure.
void removeTree(const std::string& path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isReparsePoint = false; // symbolic links, junctions and other reparse points
};

// One open folder listing ("*" in the folder), closed on every way out by the destructor.
class FolderListing {
public:
    explicit FolderListing(const std::string& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // False when the listing could not be started (missing or unreadable folder).
    bool started() const;
    // The next entry other than "." and ".."; false at the end of the listing. OSError when
    // the system reports any failure other than the end.
    bool next(FolderEntry& entry);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// An exclusive lock on a file shared by all running instances; the constructor waits until
// the lock is free. Released by the destructor. OSError when the lock file cannot be made.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace ledgerine::platform
