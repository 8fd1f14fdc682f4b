#include "platform/LocalMemory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

// Blocks are tracked by address, so a handle the program did not hand out is recognised without
// reading any byte around it.
namespace {

struct BlockInfo {
    size_t size;
    int locks;
};

std::mutex& tableMutex() {
    static std::mutex m;
    return m;
}

std::unordered_map<void*, BlockInfo>& table() {
    static auto* blocks =
        new std::unordered_map<void*, BlockInfo>();  // never destroyed: plug-ins may free late
    return *blocks;
}

}  // namespace

extern "C" {

HLOCAL LocalAlloc(unsigned int flags, size_t bytes) {
    constexpr size_t kAlign = 16;
    if (bytes > SIZE_MAX - kAlign) return nullptr;
    size_t rounded = (bytes + kAlign - 1) / kAlign * kAlign;
    if (rounded == 0) rounded = kAlign;  // a block of size 0 still has an address of its own
    void* p = std::aligned_alloc(kAlign, rounded);
    if (!p) return nullptr;
    if (flags & OBRI_LMEM_ZEROINIT) std::memset(p, 0, rounded);
    try {
        std::lock_guard lock(tableMutex());
        table()[p] = BlockInfo{bytes, 0};
    } catch (const std::bad_alloc&) {
        std::free(p);
        return nullptr;
    }
    return p;
}

void* LocalLock(HLOCAL block) {
    if (!block) return nullptr;
    std::lock_guard lock(tableMutex());
    auto it = table().find(block);
    if (it == table().end()) return nullptr;
    ++it->second.locks;
    return block;
}

int LocalUnlock(HLOCAL block) {
    std::lock_guard lock(tableMutex());
    auto it = table().find(block);
    if (it == table().end() || it->second.locks == 0) return 0;
    return --it->second.locks;
}

HLOCAL LocalFree(HLOCAL block) {
    if (!block) return nullptr;
    {
        std::lock_guard lock(tableMutex());
        auto it = table().find(block);
        if (it == table().end()) return block;
        table().erase(it);
    }
    std::free(block);
    return nullptr;
}

size_t LocalSize(HLOCAL block) {
    std::lock_guard lock(tableMutex());
    auto it = table().find(block);
    return it == table().end() ? 0 : it->second.size;
}

}  // extern "C"
