#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace obri::paths {

namespace {

std::string::size_type lastSeparator(std::string_view path) { return path.rfind(kSeparator); }

// Writes all of data, resuming after short writes and interruptions.
bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool copyContent(int in, int out) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!writeAll(out, buffer, static_cast<std::size_t>(n))) return false;
    }
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

enum class Place { Placed, TargetExists, Failed, NotSupported, OtherFileSystem };

Place placeByLink(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) return Place::Placed;
    if (errno == EEXIST) return Place::TargetExists;
    if (errno == EXDEV) return Place::OtherFileSystem;
    return Place::Failed;
}

// Puts from at to without ever replacing an entry that is already there.
Place placeNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Place::Placed;
    switch (errno) {
        case EEXIST:
            return Place::TargetExists;
        case EXDEV:
            return Place::OtherFileSystem;
        case EINVAL:
        case ENOSYS:
        case EOPNOTSUPP:
            return Place::NotSupported;
        default:
            return Place::Failed;
    }
}

// A file system without renameat2 support: a hard link cannot replace anything either.
Place placeByLinkAndUnlink(const std::string& from, const std::string& to) {
    Place placed = placeByLink(from, to);
    if (placed == Place::Placed) ::unlink(from.c_str());
    return placed;
}

MoveResult toResult(Place placed) {
    switch (placed) {
        case Place::Placed:
            return MoveResult::Moved;
        case Place::TargetExists:
            return MoveResult::TargetExists;
        default:
            return MoveResult::Failed;
    }
}

// Copies from into a temporary name beside to, synced, then links it into place. The source is
// removed only once the copy is complete and on disk.
MoveResult copyAcross(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe must not block
    if (in < 0) return errno == ENOENT ? MoveResult::SourceMissing : MoveResult::Failed;
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return MoveResult::Failed;
    }
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    if (::access(to.c_str(), F_OK) == 0) {
        ::close(in);
        return MoveResult::TargetExists;
    }
    std::string folder = extractFileDir(to);
    std::string temp = (folder.empty() ? std::string(".") : folder) + "/.obri-move-XXXXXX";
    int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        ::close(in);
        return MoveResult::Failed;
    }
    bool copied = copyContent(in, out) && ::fchmod(out, info.st_mode & 07777) == 0 && ::fsync(out) == 0;
    ::close(in);
    copied = (::close(out) == 0) && copied;
    Place placed = copied ? placeNoReplace(temp, to) : Place::Failed;
    if (placed == Place::NotSupported) placed = placeByLink(temp, to);
    ::unlink(temp.c_str());  // gone already after a rename; the spare name after a link or a failure
    if (placed != Place::Placed) return toResult(placed);
    syncFolder(folder.empty() ? std::string(".") : folder);
    // The content is safe at its new place; a source that cannot be removed stays as a second copy.
    ::unlink(from.c_str());
    return MoveResult::Moved;
}

}  // namespace

bool isRoot(std::string_view folder) { return folder == "/"; }

std::string fullPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!isRoot(folder)) path += kSeparator;
    path += name;
    return path;
}

std::string extractFileExt(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    auto slash = lastSeparator(name);
    if (slash != std::string_view::npos && slash > dot) return {};
    return std::string(name.substr(dot));
}

std::string changeFileExt(std::string_view name, std::string_view ext) {
    std::string ownExt = extractFileExt(name);
    std::string result(name.substr(0, name.size() - ownExt.size()));
    result += ext;
    return result;
}

std::string extractFileDir(std::string_view path) {
    auto slash = lastSeparator(path);
    if (slash == std::string_view::npos) return {};
    // The separator stays when it is the root's own or follows another one.
    if (slash > 0 && path[slash - 1] != kSeparator) return std::string(path.substr(0, slash));
    return std::string(path.substr(0, slash + 1));
}

std::string extractFileName(std::string_view path) {
    auto slash = lastSeparator(path);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string executableDir() {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return "./";
    buffer.resize(static_cast<std::size_t>(n));
    return extractFileDir(buffer) + kSeparator;
}

std::string workFolderPath() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == kSeparator) base.pop_back();
    if (isRoot(base)) base.clear();
    return base + "/Obri-" + std::to_string(::getuid()) + "/";
}

bool createWorkFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);  // an existing folder is judged below
    return isUsableWorkFolder(path);
}

bool isUsableWorkFolder(const std::string& path) {
    std::string folder = path;
    // lstat on "name/" would follow a link, so look at the name itself.
    while (folder.size() > 1 && folder.back() == kSeparator) folder.pop_back();
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createFolder(const std::string& path) { return !path.empty() && ::mkdir(path.c_str(), 0777) == 0; }

MoveResult moveFile(const std::string& from, const std::string& to) {
    struct stat info {};
    if (from.empty() || ::lstat(from.c_str(), &info) != 0) return MoveResult::SourceMissing;
    if (to.empty()) return MoveResult::Failed;
    Place placed = placeNoReplace(from, to);
    if (placed == Place::NotSupported) placed = placeByLinkAndUnlink(from, to);
    if (placed == Place::OtherFileSystem) return copyAcross(from, to);
    if (placed == Place::Failed && ::lstat(from.c_str(), &info) != 0) return MoveResult::SourceMissing;
    return toResult(placed);
}

bool deleteFile(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

}  // namespace obri::paths
