#include "output/HistoryLog.h"

#include <utility>

#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace obri {

HistoryLog::HistoryLog(std::string path) : path_(std::move(path)) {}

void HistoryLog::open() {
    lines_.clear();
    if (paths::fileExists(path_)) lines_ = textfile::loadLines(path_);
}

void HistoryLog::addHeader(std::string_view sentence, std::time_t when) {
    lines_.push_back(localDateText(when) + " " + localTimeText(when) + std::string(sentence));
}

void HistoryLog::addDetail(std::string_view text) { lines_.push_back("\t" + std::string(text)); }

void HistoryLog::save() const { textfile::saveLines(path_, lines_); }

std::string oneLineText(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '?';
    }
    return result;
}

}  // namespace obri
