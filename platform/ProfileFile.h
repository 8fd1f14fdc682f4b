#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace obri {

// Profile-file rules on a list of lines, apart from any file (so they can be tested and fuzzed).
// Sections and keys match without regard to ASCII case, the first match wins, blanks around keys
// and values are ignored, a value in matching quotes is read without them, ';' starts a comment.
std::string profileRead(const std::vector<std::string>& lines, std::string_view section,
                        std::string_view key, std::string_view defaultValue);
// Replaces the value in place, or appends the key to its section, or the section to the end;
// every other line stays as it was. Writes key=value with no blanks; a value is cut at its first
// line end, which could otherwise plant lines of its own.
void profileWrite(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                  std::string_view value);

// A settings file such as QUAV.INI. Reads go to the file each time; a missing file or key reads
// as the default. Each write rewrites the file at once.
class ProfileFile {
public:
    explicit ProfileFile(std::string path);
    const std::string& path() const { return path_; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Raises "%s に書き込めません" (with the file's path) when the file cannot be written;
    // the file is then left as it was.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string path_;
};

}  // namespace obri
