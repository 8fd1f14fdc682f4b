#pragma once
// Helpers shared by the shipped plug-ins: exported-function marker, the host's local memory, the
// two input forms, and the text answers of GetPluginInfo. Header only, so each .spi stays one module.
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "susie/SusieAbi.h"

#define OBRI_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

// Provided by the host at load time; the plug-in is deliberately not linked against them.
extern "C" {
HLOCAL LocalAlloc(unsigned int flags, size_t bytes);
void* LocalLock(HLOCAL block);
int LocalUnlock(HLOCAL block);
HLOCAL LocalFree(HLOCAL block);
}

namespace obri::plugin {

enum Result : int {
    kOk = 0,
    kNotImplemented = -1,
    kAborted = 1,
    kUnknownFormat = 2,
    kBroken = 3,
    kOutOfMemory = 4,
    kMemoryError = 5,
    kReadError = 6,
    kInternal = 8,
};

// The host guarantees at least this many readable bytes when IsSupported gets an address.
constexpr size_t kMemoryProbeBytes = 2048;

inline bool isDescriptor(const void* source) {
    return (reinterpret_cast<uintptr_t>(source) & ~static_cast<uintptr_t>(0xFFFF)) == 0;
}

inline unsigned int inputForm(unsigned int flag) { return flag & 7u; }

// GetPluginInfo: cut to buflen - 1, always terminated, the length written; 0 without an entry.
inline int answerInfo(std::string_view text, char* buf, int buflen) {
    if (buf == nullptr || buflen <= 0 || text.empty()) return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(buflen) - 1);
    memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

// Reads up to size bytes at offset without moving the descriptor's own offset. Falls back to
// read + seek back for descriptors that do not take pread. Returns the count read, -1 on error.
inline ssize_t readAt(int fd, void* out, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, static_cast<char*>(out) + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == ESPIPE || errno == EINVAL) && done == 0) {
            off_t was = lseek(fd, 0, SEEK_CUR);
            if (was < 0 || lseek(fd, offset, SEEK_SET) < 0) return -1;
            ssize_t r = read(fd, out, size);
            lseek(fd, was, SEEK_SET);
            return r;
        }
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// The first bytes of the data IsSupported is asked about, from either form; the count available.
inline size_t probeHead(void* source, unsigned char* out, size_t size) {
    if (source == nullptr) return 0;
    if (isDescriptor(source)) {
        ssize_t n = readAt(static_cast<int>(reinterpret_cast<intptr_t>(source)), out, size, 0);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    size_t n = std::min(size, kMemoryProbeBytes);
    memcpy(out, source, n);
    return n;
}

inline int callProgress(SusieProgress progress, int num, int denom, intptr_t data) {
    return progress != nullptr ? progress(num, denom, data) : 0;
}

// A LocalAlloc block that is released unless handed over.
class OwnedLocal {
  public:
    OwnedLocal() = default;
    explicit OwnedLocal(HLOCAL h) : handle_(h) {}
    ~OwnedLocal() { reset(); }
    OwnedLocal(const OwnedLocal&) = delete;
    OwnedLocal& operator=(const OwnedLocal&) = delete;
    void reset(HLOCAL h = nullptr) {
        if (handle_ != nullptr) LocalFree(handle_);
        handle_ = h;
    }
    HLOCAL get() const { return handle_; }
    HLOCAL release() {
        HLOCAL h = handle_;
        handle_ = nullptr;
        return h;
    }

  private:
    HLOCAL handle_ = nullptr;
};

}  // namespace obri::plugin
