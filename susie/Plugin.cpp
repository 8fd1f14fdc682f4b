#include "susie/Plugin.h"

#include <utility>

#include "platform/LocalMemory.h"

namespace obri {

PluginResult pluginResultFrom(int code) {
    switch (code) {
        case 0:
            return PluginResult::Success;
        case -1:
            return PluginResult::NotImplemented;
        case 1:
            return PluginResult::Aborted;
        case 2:
            return PluginResult::UnknownFormat;
        case 3:
            return PluginResult::BrokenData;
        case 4:
            return PluginResult::OutOfMemory;
        case 5:
            return PluginResult::MemoryError;
        case 6:
            return PluginResult::ReadError;
        case 8:
            return PluginResult::InternalError;
        default:
            return PluginResult::OtherError;
    }
}

OwnedBlock::OwnedBlock(HLOCAL handle) : handle_(handle) {
    // A handle the host did not hand out is not ours to read or free.
    if (handle_ && LocalLock(handle_)) {
        data_ = static_cast<const std::uint8_t*>(handle_);
        size_ = LocalSize(handle_);
    } else {
        handle_ = nullptr;
    }
}

OwnedBlock::~OwnedBlock() { reset(); }

OwnedBlock::OwnedBlock(OwnedBlock&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

OwnedBlock& OwnedBlock::operator=(OwnedBlock&& other) noexcept {
    if (this != &other) {
        reset();
        handle_ = std::exchange(other.handle_, nullptr);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void OwnedBlock::reset() {
    if (handle_) {
        LocalUnlock(handle_);
        LocalFree(handle_);
    }
    handle_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

}  // namespace obri
