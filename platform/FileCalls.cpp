#include "platform/FileCalls.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace obri {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
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
