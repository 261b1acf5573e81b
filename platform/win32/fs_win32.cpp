#define WIN32_LEAN_AND_MEAN
#include "base/errors.h"
#include "platform/fs.h"
#include "platform/os_error.h"
#include "platform/stdio_file.h"
#include "platform/system.h"
#include "platform/win32/wide_text.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace ledgerine::platform {
namespace {

bool isSep(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool isDots(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Length of the part of a native path that names a root and can never be created: "\",
// "C:", "C:\", "\\server\share\", "\\?\C:\". Zero for a relative path.
size_t rootLength(const std::wstring& p) {
    size_t i = 0;
    if (p.starts_with(L"\\\\?\\UNC\\")) {
        i = 8;
    } else if (p.starts_with(L"\\\\?\\")) {
        i = 4;
    } else if (p.starts_with(L"\\\\")) {
        i = 2;
    } else {
        if (p.size() >= 2 && p[1] == L':') return p.size() >= 3 && isSep(p[2]) ? 3 : 2;
        return !p.empty() && isSep(p[0]) ? 1 : 0;
    }
    if (i == 4 && p.size() >= 6 && p[5] == L':') return p.size() >= 7 ? 7 : 6;
    // Server and share name.
    for (int part = 0; part < 2 && i < p.size(); ++part) {
        while (i < p.size() && !isSep(p[i]))
            ++i;
        if (i < p.size()) ++i;
    }
    return i;
}

DWORD attributesOf(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

bool isGone(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::unique_ptr<File> openWith(const std::string& path, const wchar_t* mode) {
    return stdioFile(::_wfopen(widePath(path).c_str(), mode));
}

// Deletes one file; a read-only attribute does not keep it.
bool deleteFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return true;
    if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
    DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return ::DeleteFileW(path.c_str()) != 0;
}

// Removes a linked folder (symbolic link or junction) itself, never what it points to.
bool removeLink(const std::wstring& path) {
    return ::RemoveDirectoryW(path.c_str()) != 0;
}

std::wstring listingPattern(const std::wstring& folder) {
    if (folder.empty()) return L"*";
    if (isSep(folder.back()) || (folder.size() == 2 && folder[1] == L':')) return folder + L"*";
    return folder + L"\\*";
}

} // namespace

std::unique_ptr<File> openRead(const std::string& path) {
    DWORD attributes = attributesOf(widePath(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    return openWith(path, L"rb");
}

std::unique_ptr<File> openWrite(const std::string& path) {
    return openWith(path, L"wb");
}

bool fileExists(const std::string& path) {
    DWORD attributes = attributesOf(widePath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
    DWORD attributes = attributesOf(widePath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data))
        throw osError(::GetLastError(), path);
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void createFolders(const std::string& path) {
    std::wstring p = widePath(path);
    size_t root = rootLength(p);
    while (p.size() > root && isSep(p.back()))
        p.pop_back();
    if (p.size() <= root) return;
    // Every missing ancestor, the deepest first; the walk stops at the first that exists.
    std::vector<std::wstring> chain;
    for (std::wstring cur = p;;) {
        DWORD attributes = attributesOf(cur);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                throw base::IOError("Failed to create '" + path + "'");
            break;
        }
        chain.push_back(cur);
        size_t sep = cur.find_last_of(L"\\/");
        if (sep == std::wstring::npos || sep < root) break;
        while (sep > root && isSep(cur[sep - 1]))
            --sep;
        if (sep <= root) break;
        cur.resize(sep);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (::CreateDirectoryW(it->c_str(), nullptr)) continue;
        DWORD code = ::GetLastError();
        DWORD attributes = attributesOf(*it);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue; // made meanwhile
            throw base::IOError("Failed to create '" + path + "'");
        }
        throw osError(code, utf8Text(*it));
    }
}

void removeTree(const std::string& path) {
    std::wstring root = widePath(path);
    while (root.size() > rootLength(root) && isSep(root.back()))
        root.pop_back();
    DWORD attributes = attributesOf(root);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD code = ::GetLastError();
        if (isGone(code)) return;
        throw osError(code, path);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!deleteFile(root) && !isGone(::GetLastError())) throw osError(::GetLastError(), path);
        return;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A linked folder: remove the link, never what it points to.
        if (!removeLink(root) && !isGone(::GetLastError())) throw osError(::GetLastError(), path);
        return;
    }
    // Depth first with an explicit stack; each folder is removed once its contents are gone.
    std::vector<std::pair<std::wstring, bool>> stack{{root, false}};
    while (!stack.empty()) {
        auto [dir, visited] = stack.back();
        if (visited) {
            stack.pop_back();
            if (!::RemoveDirectoryW(dir.c_str()) && !isGone(::GetLastError()))
                throw osError(::GetLastError(), utf8Text(dir));
            continue;
        }
        stack.back().second = true;
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW(listingPattern(dir).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            DWORD code = ::GetLastError();
            if (isGone(code)) continue;
            throw osError(code, utf8Text(dir));
        }
        DWORD failure = 0;
        std::wstring failed;
        do {
            if (isDots(data.cFileName)) continue;
            std::wstring child = dir + L"\\" + data.cFileName;
            bool isDir = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            bool isLink = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            if (isDir && !isLink) {
                stack.emplace_back(child, false);
                continue;
            }
            bool ok = isDir ? removeLink(child) : deleteFile(child);
            if (!ok && !isGone(::GetLastError())) {
                failure = ::GetLastError();
                failed = child;
                break;
            }
        } while (::FindNextFileW(find, &data));
        if (failure == 0 && ::GetLastError() != ERROR_NO_MORE_FILES) {
            failure = ::GetLastError();
            failed = dir;
        }
        ::FindClose(find);
        if (failure != 0) throw osError(failure, utf8Text(failed));
    }
}

struct FolderListing::Impl {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false; // data holds the first entry, not yet handed out
    bool done = false;
};

FolderListing::FolderListing(const std::string& folder) : impl_(std::make_unique<Impl>()) {
    impl_->find = ::FindFirstFileW(listingPattern(widePath(folder)).c_str(), &impl_->data);
    impl_->pending = impl_->find != INVALID_HANDLE_VALUE;
}

FolderListing::~FolderListing() {
    if (impl_->find != INVALID_HANDLE_VALUE) ::FindClose(impl_->find);
}

bool FolderListing::started() const {
    return impl_->find != INVALID_HANDLE_VALUE;
}

bool FolderListing::next(FolderEntry& entry) {
    if (impl_->find == INVALID_HANDLE_VALUE || impl_->done) return false;
    for (;;) {
        if (impl_->pending) {
            impl_->pending = false;
        } else if (!::FindNextFileW(impl_->find, &impl_->data)) {
            DWORD code = ::GetLastError();
            impl_->done = true;
            if (code == ERROR_NO_MORE_FILES) return false;
            throw osError(code, "");
        }
        if (isDots(impl_->data.cFileName)) continue;
        entry.name = utf8Text(impl_->data.cFileName);
        entry.isFolder = impl_->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        entry.isReparsePoint = impl_->data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        return true;
    }
}

struct FileLock::Impl {
    HANDLE file = INVALID_HANDLE_VALUE;
};

FileLock::FileLock(const std::string& path) : impl_(std::make_unique<Impl>()) {
    impl_->file = ::CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (impl_->file == INVALID_HANDLE_VALUE) throw osError(::GetLastError(), path);
    OVERLAPPED at{};
    // Without LOCKFILE_FAIL_IMMEDIATELY the call waits until the other holder lets go.
    if (!::LockFileEx(impl_->file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at)) {
        DWORD code = ::GetLastError();
        ::CloseHandle(impl_->file);
        impl_->file = INVALID_HANDLE_VALUE;
        throw osError(code, path);
    }
}

FileLock::~FileLock() {
    if (impl_->file == INVALID_HANDLE_VALUE) return;
    OVERLAPPED at{};
    ::UnlockFileEx(impl_->file, 0, MAXDWORD, MAXDWORD, &at);
    ::CloseHandle(impl_->file);
}

} // namespace ledgerine::platform
