#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace obri::test {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/obri-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only files or folders behind; make them removable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
    }
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::write(std::string_view name, std::string_view bytes) const {
    std::string full = file(name);
    writeFile(full, bytes);
    return full;
}

std::string TempFolder::read(std::string_view name) const { return readFile(file(name)); }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string sharedDir() {
    std::error_code ec;
    return std::filesystem::is_directory(OBRI_SHARED_DIR, ec) ? std::string(OBRI_SHARED_DIR) + "/" : std::string();
}

}  // namespace obri::test
