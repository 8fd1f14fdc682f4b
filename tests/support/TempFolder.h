#pragma once
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace obri::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in '/'.
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + std::string(name); }
    // Writes bytes to name (relative to the folder) and returns the full path.
    std::string write(std::string_view name, std::string_view bytes) const;
    std::string read(std::string_view name) const;

private:
    std::string path_;
};

// Whole content of a file; "" when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// ../shared next to the repository, or "" (and the test should skip) when it is absent.
std::string sharedDir();

}  // namespace obri::test
