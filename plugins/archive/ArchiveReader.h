#pragma once
// A libarchive reader over an open file (read with pread, so a host's descriptor keeps its offset)
// or a block in memory, with exactly the formats and filters this plug-in vouches for.
#include <archive.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace obri::plugin {

class ArchiveReader {
  public:
    // Reads the file descriptor from base on; the descriptor is not closed unless owned.
    ArchiveReader(int fd, bool ownsFd, off_t base, bool seekable);
    ArchiveReader(const unsigned char* data, size_t size);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // False when the source cannot be read or libarchive cannot start.
    bool open();
    // ARCHIVE_OK, ARCHIVE_WARN, ARCHIVE_EOF or a failure code of libarchive.
    int next(archive_entry** entry);
    archive* handle() const { return archive_; }
    bool readFailed() const { return readFailed_; }
    // "zip", "tar.gz", ... for the list records; at most 8 bytes.
    std::string methodText() const;

  private:
    static la_ssize_t readCallback(archive*, void* self, const void** buffer);
    static la_int64_t skipCallback(archive*, void* self, la_int64_t request);
    static la_int64_t seekCallback(archive*, void* self, la_int64_t offset, int whence);
    int64_t sourceSize();

    archive* archive_ = nullptr;
    int fd_ = -1;
    bool ownsFd_ = false;
    bool seekable_ = true;
    off_t base_ = 0;
    int64_t pos_ = 0;
    int64_t size_ = -1;
    const unsigned char* data_ = nullptr;
    size_t dataSize_ = 0;
    bool readFailed_ = false;
    std::vector<unsigned char> buffer_;
};

}  // namespace obri::plugin
