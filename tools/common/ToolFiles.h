#pragma once
// File helpers shared by the stand-in tools: whole-file reading and writing through a temporary
// file in the target's folder, renamed over the target only once every byte is on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace obri::tools {

inline std::optional<std::string> readWholeFile(const std::string& path, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened";
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = path + ": read error";
        return std::nullopt;
    }
    return bytes;
}

// Writes all of bytes to path, or leaves path as it was and says why.
inline bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = path + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == bytes.size() && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    error = path + ": cannot be written (" + std::strerror(errno) + ")";
    unlink(temp.c_str());
    return false;
}

}  // namespace obri::tools
