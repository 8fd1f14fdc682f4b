#pragma once
#include <string>

namespace obri {

// A loaded shared object (dlopen RTLD_NOW | RTLD_LOCAL). Move-only; unloads when destroyed.
class Module {
public:
    Module() = default;
    static Module open(const std::string& path);  // not loaded() when it fails
    ~Module();
    Module(Module&& other) noexcept;
    Module& operator=(Module&& other) noexcept;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;  // nullptr when missing or not loaded
    const std::string& error() const { return error_; }
    void unload();

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace obri
