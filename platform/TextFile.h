#pragma once
#include <string>
#include <string_view>
#include <vector>

// Text files as lists of lines, in the system code page, written with CR LF.
namespace obri::textfile {

// CR LF, lone CR and lone LF each end a line; a final line end adds no empty line; a last line
// without an end is kept.
std::vector<std::string> splitLines(std::string_view text);
std::string joinLines(const std::vector<std::string>& lines);  // every line ends with CR LF

// Raises "ﾌｧｲﾙ %s は開けません" when the file cannot be read.
std::vector<std::string> loadLines(const std::string& path);
// Replaces the file whole; raises "ﾌｧｲﾙ %s を作成できません" when it cannot be written.
// The old content survives any failure.
void saveLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace obri::textfile
