#pragma once
// Loads a shipped .spi from the build's bin folder the way a host does, with dlopen, and holds
// its entry points. The test executable links the host's local-memory library, so the module's
// LocalAlloc resolves at load time.
#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/LocalMemory.h"
#include "susie/SusieAbi.h"

namespace obri::test {

class SpiModule {
  public:
    explicit SpiModule(const std::string& fileName) {
        std::string path = std::string(OBRI_BIN_DIR) + "/" + fileName;
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            error_ = dlerror();
            return;
        }
        info = reinterpret_cast<GetPluginInfoFn>(dlsym(handle_, "GetPluginInfo"));
        isSupported = reinterpret_cast<IsSupportedFn>(dlsym(handle_, "IsSupported"));
        getPicture = reinterpret_cast<GetPictureFn>(dlsym(handle_, "GetPicture"));
        getArchiveInfo = reinterpret_cast<GetArchiveInfoFn>(dlsym(handle_, "GetArchiveInfo"));
        getFile = reinterpret_cast<GetFileFn>(dlsym(handle_, "GetFile"));
    }
    ~SpiModule() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    SpiModule(const SpiModule&) = delete;
    SpiModule& operator=(const SpiModule&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    GetPluginInfoFn info = nullptr;
    IsSupportedFn isSupported = nullptr;
    GetPictureFn getPicture = nullptr;
    GetArchiveInfoFn getArchiveInfo = nullptr;
    GetFileFn getFile = nullptr;

  private:
    void* handle_ = nullptr;
    std::string error_;
};

// The bytes of a block the plug-in handed over, read only as far as LocalSize allows.
inline std::vector<unsigned char> blockBytes(HLOCAL block) {
    std::vector<unsigned char> bytes(LocalSize(block));
    if (!bytes.empty()) std::memcpy(bytes.data(), LocalLock(block), bytes.size());
    LocalUnlock(block);
    return bytes;
}

}  // namespace obri::test
