#include "selection/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

#include "platform/FileSearch.h"
#include "platform/Paths.h"

namespace obri {
namespace {

enum class EntryKind { File, Folder, Other };

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

EntryKind kindOf(DIR* dir, const dirent& entry) {
    switch (entry.d_type) {
        case DT_REG:
            return EntryKind::File;
        case DT_DIR:
            return EntryKind::Folder;
        case DT_LNK:
        case DT_UNKNOWN:
            break;  // follow the link, or ask when the file system does not say
        default:
            return EntryKind::Other;
    }
    struct stat info {};
    if (fstatat(dirfd(dir), entry.d_name, &info, 0) != 0) return EntryKind::Other;
    if (S_ISREG(info.st_mode)) return EntryKind::File;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    return EntryKind::Other;
}

// Visible names of one kind in folder, in the order the file system returns them.
std::vector<std::string> visibleEntries(const std::string& folder, EntryKind wanted) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".."
        if (kindOf(dir.get(), *entry) == wanted) names.emplace_back(entry->d_name);
    }
    return names;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> splitMasks(std::string_view patterns) {
    std::vector<std::string> masks;
    while (true) {
        const auto end = patterns.find(';');
        const std::string_view mask = trimmed(patterns.substr(0, end));
        if (!mask.empty()) masks.emplace_back(mask);
        if (end == std::string_view::npos) break;
        patterns.remove_prefix(end + 1);
    }
    return masks;
}

bool lessIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char x = lowerAscii(a[i]);
        const char y = lowerAscii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

void sortIgnoringCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoringCase(a, b); });
}

std::vector<std::string> listFiles(const std::string& folder, std::string_view patterns) {
    const std::vector<std::string> masks = splitMasks(patterns);
    std::vector<std::string> listed;
    if (masks.empty()) return listed;
    const std::vector<std::string> files = visibleEntries(folder, EntryKind::File);
    for (const std::string& mask : masks)
        for (const std::string& name : files)
            if (matchesMask(name, mask)) listed.push_back(name);
    sortIgnoringCase(listed);
    return listed;
}

std::string folderWithSeparator(std::string_view folder) { return paths::fullPath(folder, ""); }

std::string currentFolder() {
    std::string buffer(256, '\0');
    while (true) {
        if (getcwd(buffer.data(), buffer.size())) return buffer.c_str();
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
}

bool enterFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

}  // namespace obri

namespace obri {

std::vector<std::string> subFolders(const std::string& folder) {
    std::vector<std::string> names = visibleEntries(folder, EntryKind::Folder);
    sortIgnoringCase(names);
    return names;
}

std::vector<FolderItem> folderItems(const std::string& folder, const std::string& driveRoot) {
    std::vector<FolderItem> items;
    const bool underRoot = driveRoot == "/" || folder == driveRoot ||
                           (folder.starts_with(driveRoot) && folder.size() > driveRoot.size() &&
                            folder[driveRoot.size()] == '/');
    const std::string root =
        underRoot && !folder.empty() && folder.front() == '/' ? driveRoot : std::string(1, '/');
    items.push_back({root, root, 0, true});

    // Each further component of the folder below its root is one open ancestor.
    std::string_view rest = std::string_view(folder).substr(root.size());
    std::string path = root;
    int depth = 0;
    while (!rest.empty()) {
        while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
        const auto end = rest.find('/');
        const std::string_view name = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
        if (name.empty()) break;
        path = paths::fullPath(path, name);
        items.push_back({std::string(name), path, ++depth, true});
    }
    for (const std::string& name : subFolders(path))
        items.push_back({name, paths::fullPath(path, name), depth + 1, false});
    return items;
}

}  // namespace obri
