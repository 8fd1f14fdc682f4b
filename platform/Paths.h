#pragma once
#include <string>
#include <string_view>

// Paths as the program forms them: '/' separates, the root folder "/" plays the drive root,
// and folder texts built by the program end in '/'.
namespace obri::paths {

inline constexpr char kSeparator = '/';

bool isRoot(std::string_view folder);

// Full path of a listed file: folder, then '/' unless the folder is the root, then the name.
std::string fullPath(std::string_view folder, std::string_view name);

// The extension is the text from the last '.' that comes after the last '/', dot included;
// "" when there is none.
std::string extractFileExt(std::string_view name);
// Replaces the extension; a name without one gets ext appended.
std::string changeFileExt(std::string_view name, std::string_view ext);
// Folder part of a path without a trailing '/', except that the root keeps its own.
std::string extractFileDir(std::string_view path);
// Name part of a path (after the last '/').
std::string extractFileName(std::string_view path);

// Folder of the running executable (from /proc/self/exe) followed by '/'.
std::string executableDir();

// $TMPDIR (or /tmp) + "/Obri-<uid>/".
std::string workFolderPath();
// Single-level create with mode 0700; the result only says whether the folder is now usable.
bool createWorkFolder(const std::string& path);
// A work folder is used only when it is a real directory (not a link) owned by this user.
bool isUsableWorkFolder(const std::string& path);

// True for an existing entry that is not a folder.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Single-level folder creation; false when it fails or already exists.
bool createFolder(const std::string& path);

enum class MoveResult { Moved, TargetExists, SourceMissing, Failed };
// Moves a file without ever replacing an existing one; copies and deletes across file systems.
MoveResult moveFile(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);

}  // namespace obri::paths
