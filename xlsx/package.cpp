#include "xlsx/package.h"

#include "base/errors.h"
#include "base/paths.h"
#include "platform/system.h"
#include "platform/zip.h"

#include <array>
#include <optional>
#include <vector>
#include <zip.h>

namespace ledgerine::xlsx {
namespace {

constexpr size_t copyBufferSize = 8192;

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A component made of dots and spaces only (other than "."): Windows trims trailing dots and
// spaces, so ".. " or "..." could name the parent there.
bool isDotsAndSpaces(std::string_view component) {
    for (char c : component)
        if (c != '.' && c != ' ') return false;
    return true;
}

std::vector<std::string_view> splitComponents(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || base::isSeparator(name[i])) {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The components of an entry name that stays inside the destination, "." and empty ones
// dropped; nothing when the name would leave it.
std::optional<std::vector<std::string_view>> safeComponents(std::string_view name) {
    if (name.empty() || base::isSeparator(name[0])) return std::nullopt;
    if (name.size() >= 2 && name[1] == ':' && isDriveLetter(name[0])) return std::nullopt;
    std::vector<std::string_view> kept;
    for (std::string_view c : splitComponents(name)) {
        if (c.empty() || c == ".") continue;
        if (isDotsAndSpaces(c)) return std::nullopt;
        kept.push_back(c);
    }
    return kept;
}

std::string joinComponents(std::string dir, const std::vector<std::string_view>& parts,
                           size_t count) {
    for (size_t i = 0; i < count; ++i)
        dir = base::joinPath(dir, parts[i]);
    return dir;
}

// A file of length zero is an archive with no entries, whatever the library makes of it.
bool isEmptyFile(const std::string& path) {
    try {
        return platform::fileSize(path) == 0;
    } catch (const base::OSError&) {
        return false;
    }
}

std::string computeTempDirectory() {
    std::string root = platform::systemTempFolder();
    if (root.empty()) return "xlsx_ravel_tmp";
    std::string_view stripped = base::stripTrailingSeparators(root);
    // "/" alone keeps its one separator.
    std::string folder = stripped.empty() ? root.substr(0, 1) : std::string(stripped);
    return base::joinPath(folder, "xlsx_ravel_tmp");
}

// Checked before the lock is taken, so a missing workbook creates nothing; the folder that
// holds the lock file is made when missing, as unpacking would make it.
std::string prepareLock(const std::string& workbookPath) {
    if (!platform::fileExists(workbookPath))
        throw base::NotExistsXlsxFileError("No such xlsx file: " + workbookPath);
    std::string parent = base::parentPath(tempDirectory());
    if (!parent.empty() && !platform::folderExists(parent)) platform::createFolders(parent);
    return tempLockPath();
}

} // namespace

void ArchiveCloser::operator()(struct zip* archive) const noexcept {
    // Nothing was changed, so nothing is written back.
    if (archive) zip_discard(archive);
}

void EntryCloser::operator()(struct zip_file* entry) const noexcept {
    if (entry) zip_fclose(entry);
}

int64_t EntryStream::read(void* buffer, size_t n) {
    zip_int64_t count = zip_fread(handle.get(), buffer, n);
    if (count == 0) atEnd = true;
    return count;
}

void EntryStream::close() {
    handle.reset();
}

const std::string& tempDirectory() {
    static const std::string dir = computeTempDirectory();
    return dir;
}

std::string tempLockPath() {
    return tempDirectory() + ".lock";
}

std::string partPath(std::string_view dir, std::string_view partName) {
    std::vector<std::string_view> kept;
    for (std::string_view c : splitComponents(partName)) {
        if (c.empty() || c == ".") continue;
        if (c == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(c);
    }
    return joinComponents(std::string(dir), kept, kept.size());
}

bool openArchive(PackageArchive& archive, const std::string& path, ArchiveMode mode) {
    archive.mode = mode;
    archive.handle.reset(platform::openZipArchive(path));
    if (!archive.handle && isEmptyFile(path)) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (source) {
            archive.handle.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!archive.handle) zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    return archive.handle != nullptr;
}

void extractEntries(PackageArchive& archive, const std::string& destination) {
    platform::createFolders(destination);
    zip_int64_t count = zip_get_num_entries(archive.handle.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* stored = zip_get_name(archive.handle.get(), static_cast<zip_uint64_t>(i), 0);
        if (!stored) continue;
        std::string name = stored;
        auto parts = safeComponents(name);
        if (!parts || parts->empty()) continue;
        bool isFolder = base::isSeparator(name.back());
        size_t folderDepth = isFolder ? parts->size() : parts->size() - 1;
        if (folderDepth > 0)
            platform::createFolders(joinComponents(destination, *parts, folderDepth));
        if (!isFolder)
            extractFile(archive, name, joinComponents(destination, *parts, parts->size()));
    }
}

void extractFile(PackageArchive& archive, const std::string& entryName,
                 const std::string& outputPath) {
    // The entry is opened first so that an unreadable one leaves no empty file behind.
    EntryStream stream;
    stream.handle.reset(zip_fopen(archive.handle.get(), entryName.c_str(), 0));
    if (!stream.handle) throw base::InvalidXlsxFileError("[ZIP] Can't read entry: " + entryName);
    std::unique_ptr<platform::File> out = platform::openWrite(outputPath);
    if (!out) throw base::IOError("Failed to create output file: " + outputPath);
    std::array<char, copyBufferSize> buffer{};
    for (;;) {
        // A negative count (a corrupt stream, a checksum mismatch) ends this entry quietly.
        int64_t n = stream.read(buffer.data(), buffer.size());
        if (n <= 0) break;
        if (out->write(buffer.data(), static_cast<size_t>(n)) != static_cast<size_t>(n))
            throw base::IOError("cannot write to stream");
    }
    bool flushed = out->flush();
    stream.close();
    if (!out->close() || !flushed) throw base::IOError("cannot write to stream");
}

void closeArchive(PackageArchive& archive) {
    archive.handle.reset();
}

void extractXml(const std::string& path) {
    if (!platform::fileExists(path))
        throw base::NotExistsXlsxFileError("No such xlsx file: " + path);
    PackageArchive archive;
    if (!openArchive(archive, path, ArchiveMode::Read))
        throw base::InvalidXlsxFileError("[ZIP] Can't open xlsx file: " + path);
    extractEntries(archive, tempDirectory());
    closeArchive(archive);
}

LoadSession::LoadSession(const std::string& workbookPath)
    : directory_(tempDirectory()), lock_(prepareLock(workbookPath)) {
    // Parts left by a load that never got to remove them must not be read as this workbook's.
    platform::removeTree(directory_);
    try {
        extractXml(workbookPath);
    } catch (...) {
        fail(std::current_exception());
    }
}

LoadSession::~LoadSession() {
    if (removed_) return;
    try {
        platform::removeTree(directory_);
    } catch (...) {
        // A destructor must not throw; finish() and fail() report removal failures.
    }
}

void LoadSession::finish() {
    removed_ = true;
    platform::removeTree(directory_);
}

void LoadSession::fail(std::exception_ptr pending) {
    removed_ = true;
    platform::removeTree(directory_);
    std::rethrow_exception(pending);
}

} // namespace ledgerine::xlsx
