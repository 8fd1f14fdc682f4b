#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include "selection/FolderListing.h"

namespace obri {
namespace {

// File systems that hold no user files.
constexpr std::array<std::string_view, 22> kPseudoTypes = {
    "proc",        "sysfs",      "cgroup", "cgroup2",  "devpts",    "devtmpfs",       "mqueue",    "debugfs",
    "tracefs",     "securityfs", "pstore", "bpf",      "configfs",  "fusectl",        "hugetlbfs", "autofs",
    "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs", "selinuxfs", "fuse.gvfsd-fuse"};

// Kernel and run-time areas: nothing mounted there is a user's drive.
constexpr std::array<std::string_view, 4> kSystemAreas = {"/proc", "/sys", "/dev", "/run/user"};

bool isUnder(std::string_view path, std::string_view area) {
    return path == area || (path.starts_with(area) && path.size() > area.size() && path[area.size()] == '/');
}

// Mount points write blanks, tabs, newlines and backslashes as \ooo.
std::string unescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) |
                                         (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool isUserMount(std::string_view point, std::string_view type) {
    if (point.empty() || point.front() != '/') return false;
    if (std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end()) return false;
    if (point == "/") return true;
    return std::none_of(kSystemAreas.begin(), kSystemAreas.end(),
                        [&](std::string_view area) { return isUnder(point, area); });
}

}  // namespace

std::vector<std::string> parseDriveRoots(std::string_view mounts) {
    std::vector<std::string> roots{"/"};
    std::istringstream lines{std::string(mounts)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        point = unescapeMountField(point);
        if (isUserMount(point, type)) roots.push_back(point);
    }
    std::sort(roots.begin() + 1, roots.end());
    roots.erase(std::unique(roots.begin() + 1, roots.end()), roots.end());
    roots.erase(std::remove(roots.begin() + 1, roots.end(), "/"), roots.end());
    return roots;
}

std::vector<std::string> driveRoots() {
    std::ifstream file("/proc/self/mounts");
    std::ostringstream text;
    text << file.rdbuf();
    std::vector<std::string> roots = parseDriveRoots(text.str());
    // Single files bind-mounted into place (containers do this) are no drives.
    std::erase_if(roots, [](const std::string& root) {
        struct stat info {};
        return stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode);
    });
    if (roots.empty() || roots.front() != "/") roots.insert(roots.begin(), "/");
    return roots;
}

std::string driveOf(std::string_view folder, const std::vector<std::string>& roots) {
    std::string best = "/";
    for (const std::string& root : roots)
        if (root != "/" && isUnder(folder, root) && root.size() > best.size()) best = root;
    return best;
}

}  // namespace obri
