#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>

#include "platform/Error.h"
#include "platform/Paths.h"

namespace obri {

namespace {

// Writes the parts with as few calls as the system allows, resuming after short writes.
bool writeAll(int fd, std::vector<ByteRange> parts) {
    std::size_t first = 0;
    while (first < parts.size()) {
        if (parts[first].size == 0) {
            ++first;
            continue;
        }
        std::vector<iovec> batch;
        for (std::size_t i = first; i < parts.size() && batch.size() < IOV_MAX; ++i)
            batch.push_back(iovec{const_cast<std::uint8_t*>(parts[i].data), parts[i].size});
        const ssize_t written = ::writev(fd, batch.data(), static_cast<int>(batch.size()));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        auto left = static_cast<std::size_t>(written);
        while (left > 0 && first < parts.size()) {
            const std::size_t step = std::min(left, parts[first].size);
            parts[first].data += step;
            parts[first].size -= step;
            left -= step;
            if (parts[first].size == 0) ++first;
        }
    }
    return true;
}

// The mode a newly created file gets. The kernel tells the umask without changing it; setting it
// twice to read it is the fallback, racy only against other threads creating files.
mode_t newFileMode() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return 0666 & ~static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file a path finally names, following links (a dangling link's target is created); nullopt
// for a loop of links.
std::optional<std::string> resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::string folder = paths::extractFileDir(path);
            if (!folder.empty()) target = paths::fullPath(folder, target);
        }
        path = target;
    }
    return std::nullopt;
}

[[noreturn]] void throwWriteFailure(const std::string& path, ReplaceOptions options) {
    if (options.writeFailureIsCreateError) throwCannotCreate(path);
    throwCannotWrite(path);
}

void syncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void writeInPlace(const std::string& path, const std::string& target, const std::vector<ByteRange>& parts,
                  ReplaceOptions options) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throwCannotCreate(path);
    const bool ok = writeAll(fd, parts) && (!options.durable || ::fsync(fd) == 0);
    if (::close(fd) != 0 || !ok) throwWriteFailure(path, options);
}

}  // namespace

void replaceFile(const std::string& path, const std::vector<ByteRange>& parts, ReplaceOptions options) {
    const std::optional<std::string> resolved = path.empty() ? std::nullopt : resolveLinks(path);
    if (!resolved) throwCannotCreate(path);
    const std::string& target = *resolved;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    mode_t mode = newFileMode();
    if (exists) {
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
            throwCannotCreate(path);
        mode = st.st_mode & 07777;
        // A rename would take the file from its other names or from its owner.
        if (st.st_nlink > 1 || st.st_uid != ::geteuid()) return writeInPlace(path, target, parts, options);
    }
    std::string folder = paths::extractFileDir(target);
    if (folder.empty()) folder = ".";
    std::string temp = paths::fullPath(folder, "." + paths::extractFileName(target) + ".XXXXXX");
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        // A folder we may not add names to can still hold a file we may overwrite.
        if (exists && (errno == EACCES || errno == EPERM)) return writeInPlace(path, target, parts, options);
        throwCannotCreate(path);
    }
    const bool ok = writeAll(fd, parts) && ::fchmod(fd, mode) == 0 && (!options.durable || ::fsync(fd) == 0);
    if (::close(fd) != 0 || !ok) {
        ::unlink(temp.c_str());
        throwWriteFailure(path, options);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        throwCannotCreate(path);
    }
    if (options.durable) syncFolder(folder);
}

}  // namespace obri
