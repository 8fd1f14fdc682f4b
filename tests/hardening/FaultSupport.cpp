#include "hardening/FaultSupport.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace obri::test {

namespace fs = std::filesystem;

FolderSnapshot snapshot(const std::string& folder) {
    FolderSnapshot files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string relative = fs::relative(it->path(), folder).string();
        if (it->is_symlink()) {
            files[relative] = "-> " + fs::read_symlink(it->path()).string();
            it.disable_recursion_pending();
        } else if (it->is_regular_file()) {
            files[relative] = readFile(it->path().string());
        }
    }
    return files;
}

ReadOnlyFolder::ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
    if (::geteuid() != 0) return;
    mounted_ = ::mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) == 0;
    ok_ = mounted_ &&
          ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::string readOnlyCommand(const std::string& folder) {
    if (::geteuid() != 0) return {};
    const std::string quoted = "'" + folder + "'";
    return "mount --bind " + quoted + " " + quoted + " && mount -o remount,bind,ro " + quoted;
}

void undoReadOnly(const std::string& folder) {
    if (::geteuid() != 0) return;
    // As many times as it was mounted over; stops at the first refusal.
    while (::umount2(folder.c_str(), MNT_DETACH) == 0) {
    }
}

SmallDisk::SmallDisk(const std::string& folder, long bytes) {
    if (::geteuid() != 0 || ::mkdir(folder.c_str(), 0700) != 0) return;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) path_ = folder + "/";
}

SmallDisk::~SmallDisk() {
    if (!path_.empty()) ::umount2(path_.c_str(), MNT_DETACH);
}

void SmallDisk::fill(const std::string& name) const {
    std::FILE* file = std::fopen((path_ + name).c_str(), "wb");
    if (!file) return;
    const std::string block(1024, 'f');
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
    }
    std::fclose(file);
}

std::string script(const TempFolder& folder, const std::string& name, const std::string& body) {
    const std::string path = folder.write(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

std::string bmp24(int width, int height) {
    const std::size_t stride = ((static_cast<std::size_t>(width) * 3 + 3) / 4) * 4;
    const std::size_t size = 54 + stride * static_cast<std::size_t>(height);
    std::string out(size, '\0');
    auto put = [&out](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, static_cast<std::uint32_t>(size), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    // Image size and 72 dpi, as the program's own bitmap writes them, so a saved copy is identical.
    put(34, static_cast<std::uint32_t>(size - 54), 4);
    put(38, 2835, 4);
    put(42, 2835, 4);
    for (std::size_t i = 54; i < size; ++i) out[i] = static_cast<char>(i * 7);
    return out;
}

}  // namespace obri::test
