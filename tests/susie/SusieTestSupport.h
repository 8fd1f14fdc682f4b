#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/TempFolder.h"
#include "susie/CSusie.h"

namespace obri::test {

// The module file of a test plug-in variant (see plugins/TestPlugin.c).
std::string testPluginPath(std::string_view variant);

// Copies test plug-ins into folder as <variant>.spi.
void installPlugins(const std::string& folder, const std::vector<std::string>& variants);

// The folder listing leaves the table order to chance. This loader hands out the i-th module of its
// list on the i-th load, whatever file it is asked for, so a test fixes the order of the table.
class OrderedLoader : public PluginLoader {
  public:
    explicit OrderedLoader(std::vector<std::string> modules) : modules_(std::move(modules)) {}
    std::unique_ptr<Plugin> load(const std::string& path) override;
    std::vector<std::string> asked;  // the paths LoadPlugins asked for, in order

  private:
    std::vector<std::string> modules_;
    std::unique_ptr<PluginLoader> inProcess_ = makeInProcessPluginLoader();
};

// A CSusie whose table holds these test plug-ins in this order (placeholder files in a sub-folder).
std::unique_ptr<CSusie> susieWith(const TempFolder& temp, const std::vector<std::string>& variants);

// Test archive format of the archive test plug-ins.
struct TestMember {
    std::string name;
    std::string bytes;
};
std::string testArchive(const std::vector<TestMember>& members);
// Position values the archive plug-in lists for the members of testArchive(members).
std::vector<std::int32_t> testArchivePositions(const std::vector<TestMember>& members);

// A 24-bit BMP file of width x height pixels of one colour (0xRRGGBB).
std::string bmpFile(int width, int height, std::uint32_t rgb);
// Bytes the magic-taking image test plug-ins take.
inline std::string testPictureBytes() { return std::string("TPIC") + std::string(60, 'x'); }

// Points the test plug-ins' call log at a fresh file for the life of the object.
class PluginCallLog {
  public:
    explicit PluginCallLog(const TempFolder& temp);
    ~PluginCallLog();
    PluginCallLog(const PluginCallLog&) = delete;
    PluginCallLog& operator=(const PluginCallLog&) = delete;
    std::vector<std::string> lines() const;
    // Lines that contain text.
    std::vector<std::string> linesWith(std::string_view text) const;
    // Blocks the plug-ins handed out that are still live (LocalSize not 0): each one a leak.
    int liveHandedBlocks() const;

  private:
    std::string path_;
};

// The bitmap's pixels as rows of 0xRRGGBB, top row first.
std::vector<std::vector<std::uint32_t>> pixelRows(const Bitmap& bitmap);

}  // namespace obri::test
