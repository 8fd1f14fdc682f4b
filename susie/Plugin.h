#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "susie/SusieAbi.h"

namespace obri {

// Result codes of the plug-in calls, in the program's own words.
enum class PluginResult {
    Success,         // 0
    NotImplemented,  // -1, or the plug-in lacks the function
    Aborted,         // 1
    UnknownFormat,   // 2
    BrokenData,      // 3
    OutOfMemory,     // 4
    MemoryError,     // 5
    ReadError,       // 6
    InternalError,   // 8
    OtherError,      // any other value
    Threw,           // a C++ exception escaped the call
};
PluginResult pluginResultFrom(int code);

// A block a plug-in allocated with LocalAlloc, now owned by the host. Freed on destruction.
// size() is LocalSize, never what the plug-in claims.
class OwnedBlock {
public:
    OwnedBlock() = default;
    explicit OwnedBlock(HLOCAL handle);
    ~OwnedBlock();
    OwnedBlock(OwnedBlock&& other) noexcept;
    OwnedBlock& operator=(OwnedBlock&& other) noexcept;
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;

    bool valid() const { return data_ != nullptr; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    void reset();

private:
    HLOCAL handle_ = nullptr;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

enum class PluginFunction { GetPluginInfo, IsSupported, GetPicture, GetArchiveInfo, GetFile };

// One loaded plug-in, as CSusie sees it. Every call into a plug-in goes through this interface, so
// that plug-ins can later run in a helper process without CSusie changing.
class Plugin {
public:
    virtual ~Plugin() = default;
    virtual const std::string& path() const = 0;
    // False for a slot whose module did not load.
    virtual bool loaded() const = 0;
    virtual bool has(PluginFunction function) const = 0;

    // The text up to the first zero inside a buffer of bufferSize bytes; nullopt when the plug-in
    // answers 0 or lacks the function.
    virtual std::optional<std::string> pluginInfo(int index, int bufferSize) = 0;
    // File form: fd is open for reading and is rewound before the call.
    virtual bool isSupportedFile(const std::string& name, int fd) = 0;
    // Memory form: the plug-in sees at least 2048 readable bytes (zero-padded).
    virtual bool isSupportedMemory(const std::string& name, const std::uint8_t* data, std::size_t size) = 0;
    // On any result other than Success, info and bits are left empty.
    virtual PluginResult getPictureFile(const std::string& path, std::intptr_t offset, OwnedBlock& info,
                                        OwnedBlock& bits) = 0;
    virtual PluginResult getPictureMemory(const std::uint8_t* data, std::size_t size, OwnedBlock& info,
                                          OwnedBlock& bits) = 0;
    virtual PluginResult getArchiveInfo(const std::string& path, OwnedBlock& list) = 0;
    virtual PluginResult getFile(const std::string& path, std::uint32_t position, OwnedBlock& member) = 0;
};

class PluginLoader {
public:
    virtual ~PluginLoader() = default;
    // Never null: a module that fails to load gives a Plugin that is not loaded().
    virtual std::unique_ptr<Plugin> load(const std::string& path) = 0;
};

// Loads plug-ins into this process with dlopen.
std::unique_ptr<PluginLoader> makeInProcessPluginLoader();

}  // namespace obri
