#pragma once
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace obri {

// The running record History.txt: blocks of a header line and TAB-indented detail lines, CR LF.
// A make operation opens it, adds one block and saves it whole; nothing is kept between operations.
class HistoryLog {
  public:
    explicit HistoryLog(std::string path);

    const std::string& path() const { return path_; }
    const std::vector<std::string>& lines() const { return lines_; }

    // Reads the existing file whole (raises "ﾌｧｲﾙ %s は開けません" when it exists but cannot be read);
    // a missing file starts an empty list.
    void open();
    // Local date, one blank, local time, then the sentence (which brings its own leading blank).
    void addHeader(std::string_view sentence, std::time_t when);
    void addDetail(std::string_view text);
    // Replaces the file with the whole list; raises "ﾌｧｲﾙ %s を作成できません" when it cannot.
    void save() const;

  private:
    std::string path_;
    std::vector<std::string> lines_;
};

// Text safe to put on one history or list line: every control character becomes '?'.
std::string oneLineText(std::string_view text);

}  // namespace obri
