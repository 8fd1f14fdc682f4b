#pragma once
// Plug-ins made of answers, for the table and filter logic of CSusie without any module.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "susie/Plugin.h"

namespace obri::test {

struct FakeAnswers {
    bool loaded = true;
    bool hasInfo = true;
    std::map<int, std::string> info;  // GetPluginInfo texts by index; other indexes answer 0
    bool answersEveryIndex = false;   // answers "*.x" for any index not in info
};

class FakePlugin final : public Plugin {
  public:
    FakePlugin(std::string path, FakeAnswers answers)
        : path_(std::move(path)), answers_(std::move(answers)) {}

    const std::string& path() const override { return path_; }
    bool loaded() const override { return answers_.loaded; }
    bool has(PluginFunction function) const override {
        return answers_.loaded && answers_.hasInfo && function == PluginFunction::GetPluginInfo;
    }
    std::optional<std::string> pluginInfo(int index, int bufferSize) override {
        ++infoCalls;
        if (!has(PluginFunction::GetPluginInfo) || bufferSize <= 0) return std::nullopt;
        auto it = answers_.info.find(index);
        std::string text;
        if (it != answers_.info.end()) {
            text = it->second;
        } else if (answers_.answersEveryIndex) {
            text = "*.x";
        } else {
            return std::nullopt;
        }
        // As the real host reads a buffer: up to the first zero, cut to the buffer.
        text = text.substr(0, text.find('\0'));
        if (text.size() > static_cast<std::size_t>(bufferSize - 1))
            text.resize(static_cast<std::size_t>(bufferSize - 1));
        return text;
    }
    bool isSupportedFile(const std::string&, int) override { return false; }
    bool isSupportedMemory(const std::string&, const std::uint8_t*, std::size_t) override { return false; }
    PluginResult getPictureFile(const std::string&, std::intptr_t, OwnedBlock&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getPictureMemory(const std::uint8_t*, std::size_t, OwnedBlock&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getArchiveInfo(const std::string&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getFile(const std::string&, std::uint32_t, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }

    int infoCalls = 0;

  private:
    std::string path_;
    FakeAnswers answers_;
};

// Hands out the i-th answers on the i-th load; loads beyond the list give plug-ins that did not load.
class FakeLoader final : public PluginLoader {
  public:
    explicit FakeLoader(std::vector<FakeAnswers> answers) : answers_(std::move(answers)) {}
    std::unique_ptr<Plugin> load(const std::string& path) override {
        const std::size_t i = asked.size();
        asked.push_back(path);
        FakeAnswers notLoaded;
        notLoaded.loaded = false;
        return std::make_unique<FakePlugin>(path, i < answers_.size() ? answers_[i] : notLoaded);
    }
    std::vector<std::string> asked;

  private:
    std::vector<FakeAnswers> answers_;
};

}  // namespace obri::test
