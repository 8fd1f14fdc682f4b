// Plug-ins loaded into this process with dlopen. Every call is guarded the same way: handles are
// cleared before the call, a C++ exception is caught, and after a failure whatever the plug-in
// left live is released, so callers only ever see blocks of a successful call.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/LocalMemory.h"
#include "platform/Module.h"
#include "susie/Plugin.h"

namespace obri {
namespace {

// Some plug-ins call the progress function without checking it for null.
int ignoreProgress(int, int, intptr_t) { return 0; }

// Plug-ins get a copy they may write to; some were seen modifying the name in place.
std::vector<char> writableCopy(const std::string& text) {
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return copy;
}

struct EntryPoints {
    GetPluginInfoFn getPluginInfo = nullptr;
    IsSupportedFn isSupported = nullptr;
    GetPictureFn getPicture = nullptr;
    GetArchiveInfoFn getArchiveInfo = nullptr;
    GetFileFn getFile = nullptr;
};

template <typename Fn>
Fn lookUp(const Module& module, const char* name) {
    return reinterpret_cast<Fn>(module.symbol(name));
}

// Frees what a failed call left behind; foreign handles are left alone by OwnedBlock.
void releaseLeftovers(HLOCAL& handle) {
    OwnedBlock leftover(handle);
    handle = nullptr;
}

class InProcessPlugin final : public Plugin {
  public:
    explicit InProcessPlugin(const std::string& path) : path_(path), module_(Module::open(path)) {
        if (!module_.loaded()) return;
        entries_.getPluginInfo = lookUp<GetPluginInfoFn>(module_, "GetPluginInfo");
        entries_.isSupported = lookUp<IsSupportedFn>(module_, "IsSupported");
        entries_.getPicture = lookUp<GetPictureFn>(module_, "GetPicture");
        entries_.getArchiveInfo = lookUp<GetArchiveInfoFn>(module_, "GetArchiveInfo");
        entries_.getFile = lookUp<GetFileFn>(module_, "GetFile");
    }

    ~InProcessPlugin() override {
        entries_ = {};
        module_.unload();
    }

    const std::string& path() const override { return path_; }
    bool loaded() const override { return module_.loaded(); }

    bool has(PluginFunction function) const override {
        switch (function) {
            case PluginFunction::GetPluginInfo:
                return entries_.getPluginInfo != nullptr;
            case PluginFunction::IsSupported:
                return entries_.isSupported != nullptr;
            case PluginFunction::GetPicture:
                return entries_.getPicture != nullptr;
            case PluginFunction::GetArchiveInfo:
                return entries_.getArchiveInfo != nullptr;
            case PluginFunction::GetFile:
                return entries_.getFile != nullptr;
        }
        return false;
    }

    std::optional<std::string> pluginInfo(int index, int bufferSize) override {
        if (!entries_.getPluginInfo || bufferSize <= 0) return std::nullopt;
        // Room to spare: some plug-ins write past the length they are given.
        constexpr std::size_t kSpare = 1024;
        const auto documented = static_cast<std::size_t>(bufferSize);
        std::vector<char> buffer(documented + kSpare, '\0');
        int answer = 0;
        try {
            answer = entries_.getPluginInfo(index, buffer.data(), bufferSize);
        } catch (...) {
            return std::nullopt;
        }
        // Some answer the buffer length instead of the text length: only 0 means "no entry".
        if (answer == 0) return std::nullopt;
        return std::string(buffer.data(), strnlen(buffer.data(), documented));
    }

    bool isSupportedFile(const std::string& name, int fd) override {
        if (!entries_.isSupported || fd < 0 || fd >= 0x10000) return false;
        // Plug-ins read a few bytes and leave the offset where it ended.
        if (::lseek(fd, 0, SEEK_SET) != 0) return false;
        auto copy = writableCopy(name);
        try {
            return entries_.isSupported(copy.data(), reinterpret_cast<void*>(static_cast<intptr_t>(fd))) != 0;
        } catch (...) {
            return false;
        }
    }

    bool isSupportedMemory(const std::string& name, const std::uint8_t* data, std::size_t size) override {
        if (!entries_.isSupported) return false;
        constexpr std::size_t kReadable = 2048;
        constexpr std::uintptr_t kLowestAddress = 0x10000;
        std::vector<std::uint8_t> padded;
        const std::uint8_t* source = data;
        // Plug-ins may read 2048 bytes whatever the size, and tell memory from a descriptor by address.
        if (size < kReadable || reinterpret_cast<std::uintptr_t>(data) < kLowestAddress) {
            padded.assign(std::max(size, kReadable), 0);
            if (size > 0) std::memcpy(padded.data(), data, size);
            source = padded.data();
        }
        auto copy = writableCopy(name);
        try {
            return entries_.isSupported(copy.data(), const_cast<std::uint8_t*>(source)) != 0;
        } catch (...) {
            return false;
        }
    }

    PluginResult getPictureFile(const std::string& path, std::intptr_t offset, OwnedBlock& info,
                                OwnedBlock& bits) override {
        auto copy = writableCopy(path);
        return getPicture(copy.data(), offset, SUSIE_INPUT_FILE, info, bits);
    }

    PluginResult getPictureMemory(const std::uint8_t* data, std::size_t size, OwnedBlock& info,
                                  OwnedBlock& bits) override {
        if (size > static_cast<std::size_t>(INTPTR_MAX)) return PluginResult::BrokenData;
        return getPicture(reinterpret_cast<const char*>(data), static_cast<std::intptr_t>(size),
                          SUSIE_INPUT_MEMORY, info, bits);
    }

    PluginResult getArchiveInfo(const std::string& path, OwnedBlock& list) override {
        list.reset();
        if (!entries_.getArchiveInfo) return PluginResult::NotImplemented;
        auto copy = writableCopy(path);
        HLOCAL handle = nullptr;
        PluginResult result = PluginResult::Threw;
        try {
            result = pluginResultFrom(entries_.getArchiveInfo(copy.data(), 0, SUSIE_INPUT_FILE, &handle));
        } catch (...) {
        }
        return takeOver(result, handle, list);
    }

    PluginResult getFile(const std::string& path, std::uint32_t position, OwnedBlock& member) override {
        member.reset();
        if (!entries_.getFile) return PluginResult::NotImplemented;
        auto copy = writableCopy(path);
        HLOCAL handle = nullptr;
        PluginResult result = PluginResult::Threw;
        try {
            // The position is the plug-in's own 32-bit key, zero-extended.
            result = pluginResultFrom(entries_.getFile(
                copy.data(), static_cast<std::intptr_t>(position), reinterpret_cast<char*>(&handle),
                SUSIE_INPUT_FILE | SUSIE_OUTPUT_MEMORY, ignoreProgress, 0));
        } catch (...) {
        }
        return takeOver(result, handle, member);
    }

  private:
    PluginResult getPicture(const char* source, std::intptr_t offsetOrLength, unsigned int flag,
                            OwnedBlock& info, OwnedBlock& bits) {
        info.reset();
        bits.reset();
        if (!entries_.getPicture) return PluginResult::NotImplemented;
        HLOCAL infoHandle = nullptr;
        HLOCAL bitsHandle = nullptr;
        PluginResult result = PluginResult::Threw;
        try {
            result = pluginResultFrom(entries_.getPicture(source, offsetOrLength, flag, &infoHandle,
                                                          &bitsHandle, ignoreProgress, 0));
        } catch (...) {
        }
        if (result != PluginResult::Success) {
            releaseLeftovers(infoHandle);
            releaseLeftovers(bitsHandle);
            return result;
        }
        info = OwnedBlock(infoHandle);
        // The same block handed out twice would be freed twice.
        bits = bitsHandle == infoHandle ? OwnedBlock() : OwnedBlock(bitsHandle);
        return result;
    }

    static PluginResult takeOver(PluginResult result, HLOCAL handle, OwnedBlock& block) {
        if (result != PluginResult::Success) {
            releaseLeftovers(handle);
            return result;
        }
        block = OwnedBlock(handle);
        return result;
    }

    std::string path_;
    Module module_;
    EntryPoints entries_;
};

class InProcessPluginLoader final : public PluginLoader {
  public:
    std::unique_ptr<Plugin> load(const std::string& path) override {
        return std::make_unique<InProcessPlugin>(path);
    }
};

}  // namespace

std::unique_ptr<PluginLoader> makeInProcessPluginLoader() {
    return std::make_unique<InProcessPluginLoader>();
}

}  // namespace obri
