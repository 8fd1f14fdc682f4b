// The shipped archive plug-in: lists and extracts members of what libarchive reads. A member's
// position is its index among all entries of the archive, which is stable from list to extraction.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "plugins/archive/ArchiveReader.h"
#include "plugins/common/PluginSupport.h"

namespace obri::plugin {
namespace {

constexpr int64_t kMaxMember = int64_t{1} << 30;
constexpr size_t kMaxRecords = size_t{1} << 20;

bool looksLikePicture(const unsigned char* head, size_t n) {
    static const unsigned char kPng[4] = {0x89, 'P', 'N', 'G'};
    if (n >= 4 && memcmp(head, kPng, 4) == 0) return true;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return true;
    return n >= 2 && head[0] == 'B' && head[1] == 'M';
}

// Compressed streams cannot be opened from the 2048 bytes of the memory form (the decompressor
// refuses a cut stream), so there the compression's signature has to do.
bool looksCompressed(const unsigned char* head, size_t n) {
    static const unsigned char kXz[6] = {0xFD, '7', 'z', 'X', 'Z', 0};
    static const unsigned char kZstd[4] = {0x28, 0xB5, 0x2F, 0xFD};
    if (n >= 3 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 8) return true;
    if (n >= 4 && head[0] == 'B' && head[1] == 'Z' && head[2] == 'h' && head[3] >= '1' && head[3] <= '9')
        return true;
    return (n >= 6 && memcmp(head, kXz, 6) == 0) || (n >= 4 && memcmp(head, kZstd, 4) == 0);
}

// Whether libarchive finds a member (or a well-formed empty archive) at the start of the data.
bool readerTakes(ArchiveReader& reader) {
    if (!reader.open()) return false;
    archive_entry* entry = nullptr;
    int r = reader.next(&entry);
    if (r == ARCHIVE_OK || r == ARCHIVE_WARN) return true;
    // Zero blocks read as an empty tar; a short member padded with zeros must not pass for one.
    return r == ARCHIVE_EOF &&
           (archive_format(reader.handle()) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_TAR &&
           archive_format(reader.handle()) != 0;
}

// Cut to at most limit bytes without splitting a UTF-8 sequence.
std::string cutUtf8(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

std::string entryPath(archive_entry* entry) {
    const char* path = archive_entry_pathname_utf8(entry);
    if (path == nullptr) path = archive_entry_pathname(entry);
    std::string text = path != nullptr ? path : "";
    for (;;) {
        if (!text.empty() && text[0] == '/')
            text.erase(0, 1);
        else if (text.compare(0, 2, "./") == 0)
            text.erase(0, 2);
        else
            break;
    }
    return text;
}

uint32_t clamp32(int64_t v) { return v < 0 ? 0 : (v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v)); }

// Counts a member's bytes when the archive does not say (streamed entries).
int64_t measureData(archive* a) {
    int64_t total = 0;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF) return total;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return -1;
        total = static_cast<int64_t>(offset) + static_cast<int64_t>(size);
    }
}

bool fillRecord(ArchiveReader& reader, archive_entry* entry, uint32_t index, SusieArchiveRecord& record) {
    std::string path = entryPath(entry);
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return false;
    if (folder.size() > 199) folder = cutUtf8(folder, 198) + "/";
    name = cutUtf8(name, 199);
    int64_t size =
        archive_entry_size_is_set(entry) ? archive_entry_size(entry) : measureData(reader.handle());
    memset(&record, 0, sizeof record);
    std::string method = reader.methodText();
    memcpy(record.method, method.data(), method.size());
    record.position = index;
    record.filesize = clamp32(size);
    record.compsize = record.filesize;
    record.timestamp = archive_entry_mtime_is_set(entry) ? clamp32(archive_entry_mtime(entry)) : 0;
    memcpy(record.path, folder.data(), folder.size());
    memcpy(record.filename, name.data(), name.size());
    return true;
}

int listMembers(ArchiveReader& reader, std::vector<SusieArchiveRecord>& records) {
    if (!reader.open()) return reader.readFailed() ? kReadError : kUnknownFormat;
    archive_entry* entry = nullptr;
    for (uint32_t index = 0;; ++index) {
        int r = reader.next(&entry);
        if (r == ARCHIVE_EOF) {
            // Zero blocks alone read as an empty tar; IsSupported does not take them either.
            int format = archive_format(reader.handle()) & ARCHIVE_FORMAT_BASE_MASK;
            return format != 0 && (index > 0 || format != ARCHIVE_FORMAT_TAR) ? kOk : kUnknownFormat;
        }
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            if (reader.readFailed()) return kReadError;
            return index == 0 && archive_format(reader.handle()) == 0 ? kUnknownFormat : kBroken;
        }
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        if (records.size() >= kMaxRecords) return kOutOfMemory;
        SusieArchiveRecord record;
        if (fillRecord(reader, entry, index, record)) records.push_back(record);
    }
}

// Collects a member's bytes: straight into the host's block when the size is known, else into a
// growing buffer first. Gaps of sparse members read as zeros.
class MemberSink {
  public:
    explicit MemberSink(int64_t expected) : expected_(expected) {}
    bool prepare() {
        if (expected_ < 0) return true;
        block_.reset(LocalAlloc(0x40u, static_cast<size_t>(expected_)));
        return block_.get() != nullptr;
    }
    int put(int64_t offset, const void* data, size_t size) {
        if (offset < 0 || offset + static_cast<int64_t>(size) > kMaxMember) return kOutOfMemory;
        size_t end = static_cast<size_t>(offset) + size;
        if (expected_ >= 0) {
            if (static_cast<int64_t>(end) > expected_) return kBroken;
            if (size > 0) memcpy(static_cast<unsigned char*>(block_.get()) + offset, data, size);
        } else {
            if (end > bytes_.size()) bytes_.resize(end);
            if (size > 0) memcpy(bytes_.data() + offset, data, size);
        }
        reached_ = std::max(reached_, end);
        return kOk;
    }
    size_t reached() const { return reached_; }
    HLOCAL finish() {
        if (expected_ >= 0) return block_.release();
        block_.reset(LocalAlloc(0, bytes_.size()));
        if (block_.get() != nullptr && !bytes_.empty()) memcpy(block_.get(), bytes_.data(), bytes_.size());
        return block_.release();
    }

  private:
    int64_t expected_;
    size_t reached_ = 0;
    OwnedLocal block_;
    std::vector<unsigned char> bytes_;
};

// Reads the current member into a block of exactly its size.
int extractCurrent(archive* a, archive_entry* entry, HLOCAL* out, SusieProgress progress, intptr_t data) {
    int64_t expected = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
    if (expected > kMaxMember) return kOutOfMemory;
    MemberSink sink(expected);
    if (!sink.prepare()) return kOutOfMemory;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return kBroken;
        int put = sink.put(offset, block, size);
        if (put != kOk) return put;
        uint64_t denom = expected > 0 ? static_cast<uint64_t>(expected) : sink.reached() + 1;
        if (callProgress(progress, static_cast<int>(sink.reached() * 1000 / denom), 1000, data) != 0)
            return kAborted;
    }
    HLOCAL result = sink.finish();
    if (result == nullptr) return kOutOfMemory;
    *out = result;
    return kOk;
}

int extractMember(ArchiveReader& reader, uint32_t position, HLOCAL* out, SusieProgress progress,
                  intptr_t data) {
    if (!reader.open()) return reader.readFailed() ? kReadError : kUnknownFormat;
    archive_entry* entry = nullptr;
    for (uint32_t index = 0;; ++index) {
        int r = reader.next(&entry);
        if (r == ARCHIVE_EOF) return kInternal;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return reader.readFailed() ? kReadError : kBroken;
        if (index < position) continue;
        if (archive_entry_filetype(entry) != AE_IFREG) return kInternal;
        if (archive_entry_is_encrypted(entry)) return kBroken;
        return extractCurrent(reader.handle(), entry, out, progress, data);
    }
}

int openArchiveFile(const char* path) { return path != nullptr ? ::open(path, O_RDONLY | O_CLOEXEC) : -1; }

}  // namespace
}  // namespace obri::plugin

using namespace obri::plugin;

OBRI_PLUGIN_EXPORT int GetPluginInfo(int index, char* buf, int buflen) {
    static const char* const kInfo[] = {
        "00AM",
        "OBRI archive plug-in 1.0 (c) OBRI developers",
        "*.zip",
        "ZIP archive",
        "*.tar;*.tgz;*.tar.gz;*.tbz2;*.tar.bz2;*.txz;*.tar.xz;*.tar.zst",
        "tar archive",
        "*.7z",
        "7z archive",
        "*.lzh;*.lha",
        "LHA archive",
        "*.rar",
        "RAR archive",
        "*.cpio",
        "cpio archive",
        "*.iso",
        "ISO 9660 image",
        "*.cab",
        "Cabinet archive",
    };
    if (index < 0 || index >= static_cast<int>(sizeof kInfo / sizeof kInfo[0])) return 0;
    return answerInfo(kInfo[index], buf, buflen);
}

OBRI_PLUGIN_EXPORT int IsSupported(const char* /*name*/, void* source) {
    if (source == nullptr) return 0;
    try {
        unsigned char head[8] = {};
        size_t n = probeHead(source, head, sizeof head);
        if (n == 0 || looksLikePicture(head, n)) return 0;
        if (isDescriptor(source)) {
            ArchiveReader reader(static_cast<int>(reinterpret_cast<intptr_t>(source)), false, 0, true);
            return readerTakes(reader) ? 1 : 0;
        }
        ArchiveReader reader(static_cast<const unsigned char*>(source), kMemoryProbeBytes);
        return readerTakes(reader) || looksCompressed(head, n) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

OBRI_PLUGIN_EXPORT int GetArchiveInfo(const char* source, intptr_t offsetOrLength, unsigned int flag,
                                      HLOCAL* list) {
    if (list == nullptr) return kInternal;
    *list = nullptr;
    try {
        std::vector<SusieArchiveRecord> records;
        int result;
        if (inputForm(flag) == SUSIE_INPUT_FILE) {
            int fd = openArchiveFile(source);
            if (fd < 0) return kReadError;
            if (offsetOrLength < 0) {
                close(fd);
                return kReadError;
            }
            ArchiveReader reader(fd, true, static_cast<off_t>(offsetOrLength), true);
            result = listMembers(reader, records);
        } else if (inputForm(flag) == SUSIE_INPUT_MEMORY) {
            if (source == nullptr || offsetOrLength <= 0) return kBroken;
            ArchiveReader reader(reinterpret_cast<const unsigned char*>(source),
                                 static_cast<size_t>(offsetOrLength));
            result = listMembers(reader, records);
        } else {
            return kNotImplemented;
        }
        if (result != kOk) return result;
        size_t bytes = (records.size() + 1) * sizeof(SusieArchiveRecord);
        HLOCAL block = LocalAlloc(0x40u, bytes);  // zero-filled: the end record comes free
        if (block == nullptr) return kOutOfMemory;
        if (!records.empty())
            memcpy(LocalLock(block), records.data(), records.size() * sizeof(SusieArchiveRecord));
        LocalUnlock(block);
        *list = block;
        return kOk;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kInternal;
    }
}

OBRI_PLUGIN_EXPORT int GetFile(const char* source, intptr_t offsetOrLength, char* dest, unsigned int flag,
                               SusieProgress progress, intptr_t data) {
    if (((flag >> 8) & 7u) != 1u || inputForm(flag) != SUSIE_INPUT_FILE) return kNotImplemented;
    if (dest == nullptr) return kInternal;
    auto* out = reinterpret_cast<HLOCAL*>(dest);
    *out = nullptr;
    if (offsetOrLength < 0 || static_cast<uint64_t>(offsetOrLength) > UINT32_MAX) return kInternal;
    try {
        int fd = openArchiveFile(source);
        if (fd < 0) return kReadError;
        ArchiveReader reader(fd, true, 0, true);
        return extractMember(reader, static_cast<uint32_t>(offsetOrLength), out, progress, data);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kInternal;
    }
}
