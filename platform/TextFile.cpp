#include "platform/TextFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/Paths.h"

namespace obri::textfile {

namespace {

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file a path finally names, following symbolic links (also dangling ones, whose target is
// then created); nullopt for a loop of links.
std::optional<std::string> resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            std::string folder = paths::extractFileDir(path);
            target = folder.empty() ? target : paths::fullPath(folder, target);
        }
        path = target;
    }
    return std::nullopt;
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
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes over the file itself: only for files that a rename would take from their owner or
// their other names, or in folders where no new name can be made.
bool writeInPlace(const std::string& path, const std::string& data) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// Writes data beside target under a temporary name, synced, and renames it over target, so a
// failure at any point leaves the old content where it was.
enum class Replaced { Done, Failed, NoTempFile };
Replaced replaceWhole(const std::string& target, const std::string& data, mode_t mode) {
    std::string folder = paths::extractFileDir(target);
    if (folder.empty()) folder = ".";
    std::string temp = paths::fullPath(folder, "." + paths::extractFileName(target) + ".XXXXXX");
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Replaced::NoTempFile;
    bool ok = writeAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return Replaced::Done;
    }
    ::unlink(temp.c_str());
    return Replaced::Failed;
}

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> loadLines(const std::string& path) {
    // Without blocking on a pipe; only a regular file is a text file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throwCannotOpen(path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throwCannotOpen(path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            throwCannotOpen(path);
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return splitLines(text);
}

void saveLines(const std::string& path, const std::vector<std::string>& lines) {
    if (path.empty()) throwCannotCreate(path);
    std::optional<std::string> resolved = resolveLinks(path);
    if (!resolved) throwCannotCreate(path);
    const std::string& target = *resolved;
    std::string data = joinLines(lines);
    struct stat info {};
    bool exists = ::stat(target.c_str(), &info) == 0;
    mode_t mode = newFileMode();
    if (exists) {
        // As on the original platform: a read-only or special file cannot be created anew. A file
        // without any write permission counts as read-only even for the superuser.
        if (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0 || (info.st_mode & 0222) == 0)
            throwCannotCreate(path);
        mode = info.st_mode & 07777;
        if (info.st_nlink > 1 || info.st_uid != ::geteuid()) {
            if (!writeInPlace(target, data)) throwCannotCreate(path);
            return;
        }
    }
    Replaced replaced = replaceWhole(target, data, mode);
    if (replaced == Replaced::Done) return;
    if (replaced == Replaced::NoTempFile && exists && (errno == EACCES || errno == EPERM) &&
        writeInPlace(target, data))
        return;
    throwCannotCreate(path);
}

}  // namespace obri::textfile
