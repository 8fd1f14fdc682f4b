#include "platform/FileCalls.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace obri {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
    // Opened without blocking, so that a pipe in a browsed folder cannot hang the program; only
    // regular files are kept.
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    struct stat info {};
    if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) close();
    if (fd_ >= 0) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

ReadOnlyFile::~ReadOnlyFile() { close(); }

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

std::size_t ReadOnlyFile::read(void* buffer, std::size_t n) {
    if (fd_ < 0 || !buffer) return 0;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(fd_, out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool ReadOnlyFile::rewind() { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }

void ReadOnlyFile::close() {
    // close() is not retried on EINTR on Linux: the descriptor is released either way.
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace obri
