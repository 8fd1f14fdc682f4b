#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace obri::test {

// Records every message and answers the choosers from a script.
class FakeDesktop : public Desktop {
public:
    struct Message {
        std::string kind;  // "warning", "information" or "exception"
        std::string text;
    };
    std::vector<Message> messages;
    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<std::string> folderStarts;
    std::vector<std::string> saveInitials;
    int screenWidth = 1024;
    int screenHeight = 738;

    void warning(const std::string& text) override { messages.push_back({"warning", text}); }
    void information(const std::string& text) override { messages.push_back({"information", text}); }
    void exceptionBox(const std::string& text) override { messages.push_back({"exception", text}); }
    std::optional<std::string> chooseFolder(const std::string& start) override {
        folderStarts.push_back(start);
        return pop(folderAnswers);
    }
    std::optional<std::string> chooseSaveFile(const std::string& initial, const std::string&,
                                              const std::string&) override {
        saveInitials.push_back(initial);
        return pop(saveAnswers);
    }
    int fullScreenWidth() override { return screenWidth; }
    int fullScreenHeight() override { return screenHeight; }

private:
    static std::optional<std::string> pop(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace obri::test
