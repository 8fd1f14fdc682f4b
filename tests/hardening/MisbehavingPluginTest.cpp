// Plug-ins that misbehave outside the picture data: they write past the buffer they are given,
// hand out blocks the host did not make, or take their time over every question.
#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/FaultSupport.h"
#include "output/PmsBatch.h"
#include "platform/Bitmap.h"
#include "platform/Texts.h"
#include "selection/CheckedRow.h"
#include "support/TempFolder.h"
#include "susie/CSusie.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

std::string variantPath(const std::string& variant) {
    return std::string(OBRI_HOSTILE_PLUGIN_DIR) + "/" + variant + "/" + variant + ".spi";
}

// A host whose only plug-in is this variant.
std::unique_ptr<CSusie> hostWith(const test::TempFolder& temp, const std::string& variant) {
    fs::create_directories(temp.file("plugins"));
    fs::copy_file(variantPath(variant), temp.file("plugins/" + variant + ".spi"));
    auto susie = std::make_unique<CSusie>();
    susie->LoadPlugins(temp.file("plugins"));
    return susie;
}

// The module the host loaded, for a look at what the plug-in saw.
template <typename Fn>
Fn pluginFunction(const test::TempFolder& temp, const std::string& variant, const char* name) {
    void* module = ::dlopen(temp.file("plugins/" + variant + ".spi").c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module) return nullptr;
    auto function = reinterpret_cast<Fn>(::dlsym(module, name));
    ::dlclose(module);  // drops only the reference taken here
    return function;
}

const std::string kHpic = "HPIC" + std::string(60, '.');
const std::vector<std::uint32_t> kTopRow = {0x0000FF, 0x00FF00};
const std::vector<std::uint32_t> kBottomRow = {0xFF0000, 0xFFFFFF};

std::vector<std::vector<std::uint32_t>> pixelRows(const Bitmap& bitmap) {
    std::vector<std::vector<std::uint32_t>> rows;
    for (int y = 0; y < bitmap.height(); ++y) {
        auto& row = rows.emplace_back();
        for (int x = 0; x < bitmap.width(); ++x) row.push_back(bitmap.pixelRgb(x, y));
    }
    return rows;
}

// --- GetPluginInfo writing past buflen ---

struct ScribbleCase {
    const char* variant;
    int bytes;  // written past buflen
};

class ScribblingPlugin : public ::testing::TestWithParam<ScribbleCase> {};

TEST_P(ScribblingPlugin, GuardAreaSeesTheScribbleAndTheHostsBuffersTakeIt) {
    const ScribbleCase scribble = GetParam();
    // The plug-in really writes where it should not, and exactly that far: seen in a guard area.
    void* module = ::dlopen(variantPath(scribble.variant).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto info = reinterpret_cast<GetPluginInfoFn>(::dlsym(module, "GetPluginInfo"));
    ASSERT_NE(info, nullptr);
    constexpr std::size_t kGuard = 64;
    for (const int buflen : {20, 256}) {
        std::vector<unsigned char> buffer(static_cast<std::size_t>(buflen + scribble.bytes) + kGuard, 0x5A);
        ASSERT_GT(info(1, reinterpret_cast<char*>(buffer.data()), buflen), 0);
        for (std::size_t i = static_cast<std::size_t>(buflen); i < buffer.size(); ++i) {
            const bool scribbled = i < static_cast<std::size_t>(buflen + scribble.bytes);
            ASSERT_EQ(buffer[i], scribbled ? 0xA5 : 0x5A) << "byte " << i << " of buflen " << buflen;
        }
    }
    ::dlclose(module);

    // The host's buffers have that much room to spare (a sanitizer build sees any write beyond).
    test::TempFolder temp;
    auto susie = hostWith(temp, scribble.variant);
    ASSERT_EQ(susie->PluginCount, 1);
    EXPECT_EQ(susie->plugin(0).pluginInfo(1, 20), std::string("Hostile test plug-in").substr(0, 19));
    EXPECT_EQ(susie->BuildFilter(),
              "すべての画像File|*.bmp;*.hpic|すべてのFile(*.*)|*.*|Hostile picture|*.hpic|");
    // And it still decodes.
    Bitmap bitmap;
    EXPECT_EQ(susie->LoadPicture(temp.write("x.hpic", kHpic), bitmap), kPictureLoaded);
    EXPECT_EQ(pixelRows(bitmap), (std::vector<std::vector<std::uint32_t>>{kTopRow, kBottomRow}));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ScribblingPlugin,
                         ::testing::Values(ScribbleCase{"hostile_scribble_1", 1},
                                           ScribbleCase{"hostile_scribble_64", 64},
                                           ScribbleCase{"hostile_scribble_1024", 1024}),
                         [](const auto& tested) { return std::to_string(tested.param.bytes) + "Bytes"; });

// --- blocks not made by LocalAlloc ---

class ForeignBlocks : public ::testing::TestWithParam<const char*> {};

TEST_P(ForeignBlocks, AreIgnoredNeverFreedAndNothingIsDrawn) {
    test::TempFolder temp;
    auto susie = hostWith(temp, GetParam());
    auto release = pluginFunction<int (*)()>(temp, GetParam(), "HostileReleaseForeign");
    ASSERT_NE(release, nullptr);

    Bitmap bitmap;
    EXPECT_EQ(susie->LoadPicture(temp.write("x.hpic", kHpic), bitmap), kPictureNotRead);
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(bitmap.height(), 0);
    // Still the plug-in's, untouched: a host that freed or wrote them fails here (or in the
    // sanitizer build, as a double free).
    EXPECT_EQ(release(), 1);

    // In a batch the row fails as one that could not be decoded, and the others go on.
    fs::create_directories(temp.file("work"));
    fs::permissions(temp.file("work"), fs::perms::owner_all);
    fs::create_directories(temp.file("pms"));
    PmsBatchInput input;
    input.rows = {makeFileRow("x.hpic", temp.file("x.hpic")),
                  makeFileRow("y.bmp", temp.write("y.bmp", test::bmp24(2, 2)))};
    input.TempDir = temp.file("work/");
    input.PmsDir = temp.file("pms/");
    input.ConverterPath = test::script(temp, "conv.sh", "cp \"$1\" \"${1%.bmp}.pms\"");
    input.historyPath = temp.file("History.txt");
    const PmsBatchReport report = runPmsBatch(input, *susie, MakeServices{});
    EXPECT_EQ(release(), 1);
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].FileName, "x.hpic");
    EXPECT_EQ(report.failed[0].reason, std::string(texts::kReasonNotDecoded));
    EXPECT_FALSE(fs::exists(temp.file("pms/x.pms")));
    EXPECT_TRUE(fs::exists(temp.file("pms/y.pms")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ForeignBlocks,
                         ::testing::Values("hostile_foreign_malloc", "hostile_foreign_interior"),
                         [](const auto& tested) {
                             return std::string(tested.param) == "hostile_foreign_malloc"
                                        ? "FromMalloc"
                                        : "InsideHostBlocks";
                         });

// --- an IsSupported that takes a while on every file ---

TEST(SlowPlugin, EveryRowStillGetsTheRightPicture) {
    test::TempFolder temp;
    auto susie = hostWith(temp, "hostile_slow");
    fs::create_directories(temp.file("work"));
    fs::permissions(temp.file("work"), fs::perms::owner_all);
    fs::create_directories(temp.file("pms"));
    fs::create_directories(temp.file("seen"));
    PmsBatchInput input;
    input.rows = {makeFileRow("one.hpic", temp.write("one.hpic", kHpic)),
                  makeFileRow("junk.hpic", temp.write("junk.hpic", "not a picture")),
                  makeFileRow("two.hpic", temp.write("two.hpic", kHpic)),
                  makeFileRow("three.bmp", temp.write("three.bmp", test::bmp24(3, 1)))};
    input.TempDir = temp.file("work/");
    input.PmsDir = temp.file("pms/");
    input.ConverterPath = test::script(temp, "conv.sh", "cp \"$1\" \"${1%.bmp}.pms\"");
    input.historyPath = temp.file("History.txt");
    const PmsBatchReport report = runPmsBatch(input, *susie, MakeServices{});

    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].FileName, "junk.hpic");
    for (const char* name : {"one.pms", "two.pms"}) {
        Bitmap made;
        made.loadFromFile(temp.file(std::string("pms/") + name));
        EXPECT_EQ(pixelRows(made), (std::vector<std::vector<std::uint32_t>>{kTopRow, kBottomRow})) << name;
    }
    Bitmap three;
    three.loadFromFile(temp.file("pms/three.pms"));
    EXPECT_EQ(three.width(), 3);
    EXPECT_EQ(temp.read("pms/OBRI.hed"), "1,one.pms\r\n1,junk.pms\r\n1,two.pms\r\n1,three.pms\r\n");
}

}  // namespace
}  // namespace obri
