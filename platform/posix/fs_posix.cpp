#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/os_error.h"
#include "platform/stdio_file.h"
#include "platform/system.h"

namespace ledgerine::platform {
namespace {

bool isSep(char c) { return c == '/' || c == '\\'; }

// Paths may be written with "\" as on Windows; POSIX only knows "/".
std::string native(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::unique_ptr<File> openWith(const std::string& path, const char* mode) {
    return stdioFile(std::fopen(native(path).c_str(), mode));
}

} // namespace

std::unique_ptr<File> openRead(const std::string& path) {
    struct stat st;
    if (::stat(native(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return nullptr;
    return openWith(path, "rb");
}

std::unique_ptr<File> openWrite(const std::string& path) { return openWith(path, "wb"); }

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(native(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st;
    return ::stat(native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t fileSize(const std::string& path) {
    struct stat st;
    if (::stat(native(path).c_str(), &st) != 0) throw osError(errno, path);
    return static_cast<uint64_t>(st.st_size);
}

void createFolders(const std::string& path) {
    std::string p = native(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return;
    // Create each missing ancestor, shortest first.
    std::vector<std::string> chain;
    for (std::string cur = p;;) {
        struct stat st;
        if (::stat(cur.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) throw base::IOError("Failed to create '" + path + "'");
            break;
        }
        chain.push_back(cur);
        auto slash = cur.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        cur.resize(slash);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (::mkdir(it->c_str(), 0777) != 0 && errno != EEXIST) {
            int code = errno;
            if (code == ENOTDIR) throw base::IOError("Failed to create '" + path + "'");
            throw osError(code, *it);
        }
        struct stat st;
        if (::stat(it->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw base::IOError("Failed to create '" + path + "'");
    }
}

void removeTree(const std::string& path) {
    std::string root = native(path);
    struct stat st;
    if (::lstat(root.c_str(), &st) != 0) {
        if (errno == ENOENT) return;
        throw osError(errno, path);
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(root.c_str()) != 0 && errno != ENOENT) throw osError(errno, path);
        return;
    }
    // Depth-first with an explicit stack; links are removed, never followed.
    std::vector<std::pair<std::string, bool>> stack{{root, false}};
    while (!stack.empty()) {
        auto [dir, visited] = stack.back();
        if (visited) {
            stack.pop_back();
            if (::rmdir(dir.c_str()) != 0 && errno != ENOENT) throw osError(errno, dir);
            continue;
        }
        stack.back().second = true;
        DIR* d = ::opendir(dir.c_str());
        if (!d) {
            if (errno == ENOENT) continue;
            throw osError(errno, dir);
        }
        while (dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            std::string child = dir + "/" + e->d_name;
            struct stat cs;
            if (::lstat(child.c_str(), &cs) != 0) continue;
            if (S_ISDIR(cs.st_mode)) {
                stack.emplace_back(child, false);
            } else if (::unlink(child.c_str()) != 0 && errno != ENOENT) {
                int code = errno;
                ::closedir(d);
                throw osError(code, child);
            }
        }
        ::closedir(d);
    }
}

struct FolderListing::Impl {
    DIR* dir = nullptr;
    std::string folder;
};

FolderListing::FolderListing(const std::string& folder) : impl_(std::make_unique<Impl>()) {
    impl_->folder = native(folder);
    if (impl_->folder.empty()) impl_->folder = ".";
    impl_->dir = ::opendir(impl_->folder.c_str());
}

FolderListing::~FolderListing() {
    if (impl_->dir) ::closedir(impl_->dir);
}

bool FolderListing::started() const { return impl_->dir != nullptr; }

bool FolderListing::next(FolderEntry& entry) {
    if (!impl_->dir) return false;
    for (;;) {
        errno = 0;
        dirent* e = ::readdir(impl_->dir);
        if (!e) {
            if (errno != 0) throw osError(errno, "");
            return false;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        entry.name = e->d_name;
        std::string full = impl_->folder;
        if (!isSep(full.back())) full.push_back('/');
        full += entry.name;
        struct stat st;
        if (::lstat(full.c_str(), &st) != 0) {
            entry.isFolder = false;
            entry.isReparsePoint = false;
            return true;
        }
        entry.isReparsePoint = S_ISLNK(st.st_mode);
        entry.isFolder = S_ISDIR(st.st_mode);
        if (entry.isReparsePoint) {
            struct stat target;
            entry.isFolder = ::stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        return true;
    }
}

struct FileLock::Impl {
    int fd = -1;
};

FileLock::FileLock(const std::string& path) : impl_(std::make_unique<Impl>()) {
    impl_->fd = ::open(native(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (impl_->fd < 0) throw osError(errno, path);
    while (::flock(impl_->fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            int code = errno;
            ::close(impl_->fd);
            impl_->fd = -1;
            throw osError(code, path);
        }
    }
}

FileLock::~FileLock() {
    if (impl_->fd >= 0) {
        ::flock(impl_->fd, LOCK_UN);
        ::close(impl_->fd);
    }
}

} // namespace ledgerine::platform
