#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace obri {

// The masks of a file type's pattern list ("*.png;*.jpg"), split at ';', blanks around each
// trimmed, empty pieces left out.
std::vector<std::string> splitMasks(std::string_view patterns);

// The file list of a folder for a file type: every file (not folder, not hidden) that matches a
// mask, once per mask it matches, sorted without regard to case. An unreadable or missing folder
// lists nothing.
std::vector<std::string> listFiles(const std::string& folder, std::string_view patterns);

// ASCII letters compared without regard to case; equal names are ordered by their bytes, so the
// order never depends on the order the file system returned them in.
bool lessIgnoringCase(std::string_view a, std::string_view b);
void sortIgnoringCase(std::vector<std::string>& names);

// The folder followed by '/', or "/" for the root: what a listed name is appended to.
std::string folderWithSeparator(std::string_view folder);

// The process's current folder ("/" when it cannot be read, e.g. it was removed).
std::string currentFolder();
// Makes folder the process's current folder; false when that fails.
bool enterFolder(const std::string& folder);

// Roots of the mounted file systems a user keeps files on, from the text of /proc/self/mounts:
// "/" first, then the others sorted, no duplicates, pseudo file systems left out.
std::vector<std::string> parseDriveRoots(std::string_view mounts);
// The same from the running system, keeping only roots that are folders.
std::vector<std::string> driveRoots();
// The root of roots that holds folder (the longest one that is a prefix at a '/' boundary).
std::string driveOf(std::string_view folder, const std::vector<std::string>& roots);

// One line of the folder list: the folder's ancestors from its drive root down to itself
// ("open"), then its sub-folders.
struct FolderItem {
    std::string label;  // the root's path, or the folder's own name
    std::string path;   // full path, no trailing '/' except for the root
    int depth = 0;      // 0 for the drive root
    bool open = false;  // the folder or one of its ancestors
    friend bool operator==(const FolderItem&, const FolderItem&) = default;
};
std::vector<FolderItem> folderItems(const std::string& folder, const std::string& driveRoot);

// Sub-folders of folder (links to folders too), hidden ones left out, sorted without regard to case.
std::vector<std::string> subFolders(const std::string& folder);

}  // namespace obri
