// BuildFilter over plug-ins whose GetPluginInfo answers come from the input: lines are the answers
// to indexes 2, 3, 4 ... of one plug-in, and a line "--" starts the next plug-in.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FakePlugin.h"
#include "platform/Texts.h"
#include "susie/CSusie.h"

namespace {

constexpr int kSlots = 6;

// The answers of this run; slots beyond them did not load.
std::vector<obri::test::FakePlugin> current;

// One table is loaded once; its slots forward to the answers of the current run.
class SlotPlugin final : public obri::Plugin {
  public:
    explicit SlotPlugin(std::size_t slot) : slot_(slot) {}
    const std::string& path() const override { return path_; }
    bool loaded() const override { return slot_ >= current.size() || current[slot_].loaded(); }
    bool has(obri::PluginFunction function) const override {
        return slot_ < current.size() && current[slot_].has(function);
    }
    std::optional<std::string> pluginInfo(int index, int bufferSize) override {
        if (slot_ >= current.size()) return std::nullopt;
        return current[slot_].pluginInfo(index, bufferSize);
    }
    bool isSupportedFile(const std::string&, int) override { return false; }
    bool isSupportedMemory(const std::string&, const std::uint8_t*, std::size_t) override { return false; }
    obri::PluginResult getPictureFile(const std::string&, std::intptr_t, obri::OwnedBlock&,
                                      obri::OwnedBlock&) override {
        return obri::PluginResult::NotImplemented;
    }
    obri::PluginResult getPictureMemory(const std::uint8_t*, std::size_t, obri::OwnedBlock&,
                                        obri::OwnedBlock&) override {
        return obri::PluginResult::NotImplemented;
    }
    obri::PluginResult getArchiveInfo(const std::string&, obri::OwnedBlock&) override {
        return obri::PluginResult::NotImplemented;
    }
    obri::PluginResult getFile(const std::string&, std::uint32_t, obri::OwnedBlock&) override {
        return obri::PluginResult::NotImplemented;
    }

  private:
    std::size_t slot_;
    std::string path_ = "slot";
};

class SlotLoader final : public obri::PluginLoader {
  public:
    std::unique_ptr<obri::Plugin> load(const std::string&) override {
        return std::make_unique<SlotPlugin>(loads_++);
    }

  private:
    std::size_t loads_ = 0;
};

obri::CSusie& loadedSusie() {
    static obri::CSusie* susie = [] {
        char pattern[] = "/tmp/obri-filter-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        const std::string folder = pattern;
        for (int i = 0; i < kSlots; ++i) {
            if (FILE* f = std::fopen((folder + "/p" + std::to_string(i) + ".spi").c_str(), "w"))
                std::fclose(f);
        }
        auto* made = new obri::CSusie(std::make_unique<SlotLoader>());
        if (made->LoadPlugins(folder) != kSlots) std::abort();
        std::filesystem::remove_all(folder);
        return made;
    }();
    return *susie;
}

void answersFrom(std::string_view input) {
    std::vector<obri::test::FakeAnswers> plugins(1);
    int index = 2;
    for (std::size_t start = 0; start <= input.size() && plugins.size() <= kSlots;) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view line = input.substr(start, end - start);
        if (line == "--") {
            plugins.emplace_back();
            index = 2;
        } else {
            plugins.back().info[index++] = std::string(line);
        }
        start = end + 1;
    }
    if (plugins.size() > kSlots) plugins.resize(kSlots);
    current.clear();
    for (auto& answers : plugins) current.emplace_back("fake", std::move(answers));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    obri::CSusie& susie = loadedSusie();
    answersFrom(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string filter = susie.BuildFilter();
    const std::string_view start = obri::texts::kFilterAllImages;
    if (filter.compare(0, start.size(), start) != 0 || filter.back() != '|') std::abort();
    if (filter.find(obri::texts::kFilterAllFiles) == std::string::npos) std::abort();
    return 0;
}
