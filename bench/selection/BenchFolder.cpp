#include "BenchFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace obri::bench {
namespace {

struct Folders {
    std::map<int, std::string> made;
    ~Folders() {
        std::error_code ignored;
        for (const auto& [count, path] : made) std::filesystem::remove_all(path, ignored);
    }
};

Folders& folders() {
    static Folders all;
    return all;
}

}  // namespace

const std::string& pictureFolder(int count) {
    auto& made = folders().made;
    if (auto found = made.find(count); found != made.end()) return found->second;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/obri-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    static constexpr std::array<const char*, 8> kSuffixes = {".png", ".JPG", ".bmp", ".jpeg",
                                                             ".Png", ".txt", ".png", ".dat"};
    for (int i = 0; i < count; ++i) {
        char name[64];
        const char* prefix = (i % 3 == 0) ? "Picture_" : (i % 3 == 1) ? "bg" : "cg_";
        std::snprintf(name, sizeof name, "%s%s%05d%s", i % 97 == 0 ? "." : "", prefix, (i * 7919) % 100000,
                      kSuffixes[static_cast<std::size_t>(i) % kSuffixes.size()]);
        const int fd = open((pattern + '/' + name).c_str(), O_CREAT | O_WRONLY, 0600);
        if (fd >= 0) close(fd);
    }
    return made.emplace(count, pattern).first->second;
}

std::vector<std::string> readAndSortNames(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace obri::bench
