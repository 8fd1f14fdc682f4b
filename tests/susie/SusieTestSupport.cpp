#include "SusieTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/Bitmap.h"
#include "platform/LocalMemory.h"

namespace obri::test {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void appendU16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value));
    out.push_back(static_cast<char>(value >> 8));
}

}  // namespace

std::string testPluginPath(std::string_view variant) {
    return std::string(OBRI_TEST_PLUGIN_DIR) + "/" + std::string(variant) + "/" + std::string(variant) +
           ".spi";
}

void installPlugins(const std::string& folder, const std::vector<std::string>& variants) {
    std::filesystem::create_directories(folder);
    for (const auto& variant : variants) {
        std::filesystem::copy_file(testPluginPath(variant), folder + "/" + variant + ".spi",
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

std::unique_ptr<Plugin> OrderedLoader::load(const std::string& path) {
    asked.push_back(path);
    const std::size_t i = asked.size() - 1;
    return inProcess_->load(i < modules_.size() ? modules_[i] : path);
}

std::unique_ptr<CSusie> susieWith(const TempFolder& temp, const std::vector<std::string>& variants) {
    const std::string folder = temp.file("ordered");
    std::filesystem::create_directories(folder);
    std::vector<std::string> modules;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        writeFile(folder + "/slot" + std::to_string(i) + ".spi", "");
        modules.push_back(testPluginPath(variants[i]));
    }
    auto susie = std::make_unique<CSusie>(std::make_unique<OrderedLoader>(modules));
    EXPECT_EQ(susie->LoadPlugins(folder), static_cast<int>(variants.size()));
    return susie;
}

std::string testArchive(const std::vector<TestMember>& members) {
    std::string out = "TARC";
    appendU32(out, static_cast<std::uint32_t>(members.size()));
    for (const auto& member : members) {
        appendU32(out, static_cast<std::uint32_t>(member.name.size()));
        out += member.name;
        appendU32(out, static_cast<std::uint32_t>(member.bytes.size()));
        out += member.bytes;
    }
    return out;
}

std::vector<std::int32_t> testArchivePositions(const std::vector<TestMember>& members) {
    std::vector<std::int32_t> positions;
    std::size_t at = 8;
    for (const auto& member : members) {
        at += 4 + member.name.size() + 4;
        positions.push_back(static_cast<std::int32_t>(at));
        at += member.bytes.size();
    }
    return positions;
}

std::string bmpFile(int width, int height, std::uint32_t rgb) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixels = stride * static_cast<std::uint32_t>(height);
    std::string out = "BM";
    appendU32(out, 54 + pixels);
    appendU32(out, 0);
    appendU32(out, 54);
    appendU32(out, 40);
    appendU32(out, static_cast<std::uint32_t>(width));
    appendU32(out, static_cast<std::uint32_t>(height));
    appendU16(out, 1);
    appendU16(out, 24);
    for (int i = 0; i < 6; ++i) appendU32(out, 0);
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row.push_back(static_cast<char>(rgb & 0xFF));
            row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
            row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
        }
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

PluginCallLog::PluginCallLog(const TempFolder& temp) : path_(temp.file("plugin-calls.log")) {
    ::setenv("OBRI_TEST_PLUGIN_LOG", path_.c_str(), 1);
}

PluginCallLog::~PluginCallLog() { ::unsetenv("OBRI_TEST_PLUGIN_LOG"); }

std::vector<std::string> PluginCallLog::lines() const {
    std::istringstream in(readFile(path_));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> PluginCallLog::linesWith(std::string_view text) const {
    std::vector<std::string> out;
    for (auto& line : lines()) {
        if (line.find(text) != std::string::npos) out.push_back(line);
    }
    return out;
}

int PluginCallLog::liveHandedBlocks() const {
    int live = 0;
    for (const auto& line : linesWith(" handed ")) {
        const auto address = std::stoull(line.substr(line.rfind(' ') + 1), nullptr, 16);
        HLOCAL block = reinterpret_cast<HLOCAL>(static_cast<std::uintptr_t>(address));
        if (block && LocalSize(block) != 0) ++live;
    }
    return live;
}

std::vector<std::vector<std::uint32_t>> pixelRows(const Bitmap& bitmap) {
    std::vector<std::vector<std::uint32_t>> rows;
    for (int y = 0; y < bitmap.height(); ++y) {
        auto& row = rows.emplace_back();
        for (int x = 0; x < bitmap.width(); ++x) row.push_back(bitmap.pixelRgb(x, y));
    }
    return rows;
}

}  // namespace obri::test
