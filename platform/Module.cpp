#include "platform/Module.h"

#include <utility>

#include <dlfcn.h>

namespace obri {

Module Module::open(const std::string& path) {
    Module module;
    ::dlerror();
    module.handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module.handle_) {
        const char* why = ::dlerror();
        module.error_ = why ? why : "cannot load " + path;
    }
    return module;
}

Module::~Module() { unload(); }

Module::Module(Module&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Module& Module::operator=(Module&& other) noexcept {
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

void* Module::symbol(const char* name) const {
    if (!handle_ || !name) return nullptr;
    return ::dlsym(handle_, name);
}

void Module::unload() {
    if (handle_) ::dlclose(std::exchange(handle_, nullptr));
}

}  // namespace obri
