// The plug-in table and the file-type filter. The decoding operations are in CSusieDecoding.cpp.
#include "susie/CSusie.h"

#include <string_view>
#include <utility>
#include <vector>

#include "platform/Diagnostics.h"
#include "platform/Error.h"
#include "platform/FileSearch.h"
#include "platform/Paths.h"
#include "platform/Texts.h"

namespace obri {
namespace {

constexpr int kInfoBufferSize = 256;
// A plug-in that answers every index would otherwise keep BuildFilter busy for ever.
constexpr int kMaxPatternLists = 256;

// Pieces that end at ';' (empty ones included), then a last piece only when it is not empty.
std::vector<std::string_view> splitPatterns(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    for (std::size_t semicolon; (semicolon = text.find(';', start)) != std::string_view::npos;
         start = semicolon + 1) {
        tokens.push_back(text.substr(start, semicolon - start));
    }
    if (start < text.size()) tokens.push_back(text.substr(start));
    return tokens;
}

std::string_view trimLeadingControls(std::string_view token) {
    std::size_t i = 0;
    while (i < token.size() && static_cast<unsigned char>(token[i]) >= 1 &&
           static_cast<unsigned char>(token[i]) <= 32) {
        ++i;
    }
    return token.substr(i);
}

void collectPatterns(std::string_view patterns, std::string& collected) {
    for (std::string_view token : splitPatterns(patterns)) {
        token = trimLeadingControls(token);
        const bool found = !token.empty() && collected.find(token) != std::string::npos;
        if (found || token == "*") continue;
        collected.append(token);
        collected.push_back(';');
    }
}

bool answersInfo(Plugin& plugin) { return plugin.loaded() && plugin.has(PluginFunction::GetPluginInfo); }

}  // namespace

CSusie::CSusie(std::unique_ptr<PluginLoader> loader) : Arc(kMaxArc), loader_(std::move(loader)) {}

// Unlike the original host, the modules are unloaded here too: the table owns them.
CSusie::~CSusie() { FreePlugins(); }

int CSusie::LoadPlugins(const std::string& folder) {
    if (PluginCount != 0) return PluginCount;
    std::string dir = folder;
    if (!paths::isRoot(dir) && (dir.empty() || dir.back() != paths::kSeparator))
        dir.push_back(paths::kSeparator);
    for (const std::string& name : findEntries(dir, "*.spi")) {
        const std::string path = dir + name;
        if (plugins_.size() >= static_cast<std::size_t>(kMaxPlugins)) {
            debugOutput(formatText(texts::kPluginTableFull, path));
            continue;
        }
        debugOutput(path);
        plugins_.push_back(loader_->load(path));
        PluginCount = static_cast<int>(plugins_.size());
    }
    return PluginCount;
}

int CSusie::FreePlugins() {
    for (auto& plugin : plugins_) plugin.reset();
    plugins_.clear();
    PluginCount = 0;
    return 0;
}

std::string CSusie::BuildFilter() {
    if (PluginCount == 0) return texts::kFilterBitmapOnly;
    std::string result = texts::kFilterAllImages;
    std::string collected;
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!answersInfo(p)) continue;
        for (int n = 0; n < kMaxPatternLists; ++n) {
            auto patterns = p.pluginInfo(2 * n + 2, kInfoBufferSize);
            if (!patterns) break;
            collectPatterns(*patterns, collected);
        }
    }
    if (!collected.empty()) collected.pop_back();
    result += collected;
    result += texts::kFilterAllFiles;
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!answersInfo(p)) continue;
        for (int n = 0; n < kMaxPatternLists; ++n) {
            auto description = p.pluginInfo(2 * n + 3, kInfoBufferSize);
            if (!description) break;
            // A description without its pattern list gets an empty one.
            auto patterns = p.pluginInfo(2 * n + 2, kInfoBufferSize);
            result += *description;
            result += '|';
            result += patterns.value_or(std::string());
            result += '|';
        }
    }
    return result;
}

}  // namespace obri
