#pragma once
#include <cstddef>
#include <string>

namespace obri {

// The 16-bit-style file calls the plug-ins are handed: a read-only descriptor. Closes on destruction.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    explicit ReadOnlyFile(const std::string& path);  // !isOpen() when it fails
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int handle() const { return fd_; }
    // Reads up to n bytes; the count read, 0 at the end or on error.
    std::size_t read(void* buffer, std::size_t n);
    bool rewind();
    void close();

private:
    int fd_ = -1;
};

}  // namespace obri
