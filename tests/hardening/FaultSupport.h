#pragma once
// What the fault tests share: a record of every file a user had, and ways to take a folder's
// writability or room away for real.
#include <map>
#include <string>

#include "support/TempFolder.h"

namespace obri::test {

// Every regular file and link under a folder, by path relative to it: file bytes, or "-> target"
// for a link. Comparing two snapshots tells whether anything the user had was changed or lost.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot snapshot(const std::string& folder);

// Makes a folder read-only for everyone, the superuser too: a read-only bind mount, which needs
// root (ok() is false otherwise; permission bits alone would still let the program replace a
// writable file in place, as it should). Undone when the object goes.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool ok() const { return ok_; }

private:
    std::string folder_;
    bool mounted_ = false;
    bool ok_ = false;
};

// The shell command that does the same from a stand-in script ("" without root), and its undoing.
std::string readOnlyCommand(const std::string& folder);
void undoReadOnly(const std::string& folder);

// A tmpfs of `bytes` mounted on a fresh folder (needs root); empty path when it cannot be made.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder, long bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    const std::string& path() const { return path_; }  // ending in '/', or "" when not mounted
    // Fills what is left of the disk with a file of that name.
    void fill(const std::string& name) const;

private:
    std::string path_;
};

// An executable shell script in folder; returns its path.
std::string script(const TempFolder& folder, const std::string& name, const std::string& body);

// A 24-bit BMP of width x height pixels, byte for byte as the program's bitmap saves it.
std::string bmp24(int width, int height);

}  // namespace obri::test
