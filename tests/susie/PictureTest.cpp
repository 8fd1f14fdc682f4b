// LoadPicture over the test plug-ins. Tables with more than one plug-in use susieWith (fixed order).
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SusieTestSupport.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "susie/CSusie.h"

namespace obri::test {
namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;

// The pictures the image test plug-ins hand out (plugins/TestPlugin.c), top row first.
const Rows kPicture24 = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};
const Rows kPicture8TopDown = {{0xFFFF00, 0x00FFFF}, {0xFF00FF, 0x123456}, {0x123456, 0xFFFF00}};
const Rows kPictureV5 = {{0x102030, 0x405060}};

const std::string kBmp = bmpFile(2, 2, 0x336699);
const Rows kBmpPixels = {{0x336699, 0x336699}, {0x336699, 0x336699}};

struct PictureCase {
    const char* name;
    std::vector<std::string> plugins;  // table order
    std::string fileName;
    std::string bytes;
    int status;
    Rows pixels;  // expected when the status is 0
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.name; }

class LoadPictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(LoadPictureTest, GivesStatusAndPicture) {
    const auto& c = GetParam();
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, c.plugins);
    const std::string path = temp.write(c.fileName, c.bytes);
    Bitmap bitmap;
    ASSERT_EQ(susie->LoadPicture(path, bitmap), c.status);
    EXPECT_EQ(log.liveHandedBlocks(), 0);
    if (c.status == kPictureLoaded) {
        EXPECT_EQ(pixelRows(bitmap), c.pixels);
    } else {
        EXPECT_EQ(bitmap.width(), 0) << "a fresh bitmap stays empty";
        EXPECT_EQ(bitmap.height(), 0);
    }
}

const std::string kPic = testPictureBytes();

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadPictureTest,
    ::testing::Values(
        PictureCase{"BitmapByExtension", {}, "a.bmp", kBmp, 0, kBmpPixels},
        PictureCase{"UpperCaseExtensionByContent", {}, "a.BMP", kBmp, 0, kBmpPixels},
        PictureCase{"BitmapUnderAnyName", {"img_a"}, "a.dat", kBmp, 0, kBmpPixels},
        PictureCase{"BmpExtensionHoldingAnotherFormat", {"img_a"}, "a.bmp", kPic, 0, kPicture24},
        PictureCase{"BmpExtensionNobodyReads", {}, "a.bmp", kPic, 2, {}},
        PictureCase{"BrokenBitmapGoesToPlugins", {"img_by_name"}, "a.tpic", "BM broken", 0, kPicture8TopDown},
        PictureCase{"BrokenBitmapNobodyReads", {"img_a"}, "a.dat", "BM", 2, {}},
        PictureCase{"OneByteFile", {"img_a"}, "a.dat", "B", 2, {}},
        PictureCase{"EmptyFile", {"img_a"}, "a.dat", "", 2, {}},
        PictureCase{"NoPluginLoaded", {}, "a.tpic", kPic, 2, {}},
        PictureCase{"NobodyTakesIt", {"img_a", "img_refuses"}, "a.dat", "nothing", 2, {}},
        PictureCase{"ExactSizeAtTopLeft", {"img_a"}, "a.tpic", kPic, 0, kPicture24},
        PictureCase{"FirstTakerWins", {"img_a", "img_b"}, "a.tpic", kPic, 0, kPicture24},
        PictureCase{"FirstTakerWinsOtherOrder", {"img_b", "img_a"}, "a.tpic", kPic, 0, kPicture8TopDown},
        PictureCase{"RefusalPassesOn", {"img_refuses", "img_a"}, "a.tpic", kPic, 0, kPicture24},
        PictureCase{"PathSurvivesAPluginWritingOverIt",
                    {"scribbler", "img_by_name"},
                    "a.tpic",
                    kPic,
                    0,
                    kPicture8TopDown},
        PictureCase{"TakenByName", {"img_by_name"}, "a.tpic", "any bytes", 0, kPicture8TopDown},
        PictureCase{"TopDownRowsDrawnUpright", {"img_b"}, "a.tpic", kPic, 0, kPicture8TopDown},
        PictureCase{"LargerHeader", {"img_v5"}, "a.v5", "TPV5", 0, kPictureV5},
        PictureCase{"ArchiveFirst", {"arc_takes_tpic", "img_a"}, "a.tpic", kPic, 1, {}},
        PictureCase{"ImageBeforeArchive", {"img_a", "arc_takes_tpic"}, "a.tpic", kPic, 0, kPicture24},
        PictureCase{"ArchiveByContent", {"img_a", "arc"}, "a.tarc", testArchive({}), 1, {}},
        PictureCase{"TakerWithoutGetPictureEndsTheSearch",
                    {"img_without_get_picture", "img_a"},
                    "a.tpic",
                    kPic,
                    2,
                    {}},
        PictureCase{
            "FailingFirstTakerEndsTheSearch", {"img_fail_live_blocks", "img_a"}, "a.tpic", kPic, 2, {}},
        PictureCase{"RetryAtOffset128", {"img_throws_at_start"}, "a.tpic", kPic, 0, kPicture24}),
    [](const auto& param) { return std::string(param.param.name); });

// Misbehaving plug-ins: nothing drawn, blocks released (the sanitizers would tell), status 2.
class MisbehavingPictureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MisbehavingPictureTest, DrawsNothing) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, {GetParam()});
    const std::string path = temp.write("a.tpic", kPic);
    Bitmap fresh;
    EXPECT_EQ(susie->LoadPicture(path, fresh), kPictureNotRead);
    EXPECT_EQ(log.liveHandedBlocks(), 0);
    EXPECT_EQ(fresh.width(), 0);
    EXPECT_EQ(fresh.height(), 0);

    Bitmap drawn;
    drawn.loadFromMemory(reinterpret_cast<const std::uint8_t*>(kBmp.data()), kBmp.size());
    EXPECT_EQ(susie->LoadPicture(path, drawn), kPictureNotRead);
    EXPECT_EQ(pixelRows(drawn), kBmpPixels) << "an earlier picture stays";
}

INSTANTIATE_TEST_SUITE_P(Variants, MisbehavingPictureTest,
                         ::testing::Values("img_fail_live_blocks", "img_fail_freed", "img_null_handles",
                                           "img_short_info", "img_short_bits", "img_huge_size",
                                           "img_negative_width", "img_zero_size", "img_overflow",
                                           "img_foreign", "img_same_block", "img_header_size"));

TEST(LoadPicture, KeepsThePixelFormatOfTheBitmap) {
    TempFolder temp;
    auto susie = susieWith(temp, {"img_b"});
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits32, PixelFormat::Device}) {
        Bitmap bitmap;
        bitmap.setPixelFormat(format);
        ASSERT_EQ(susie->LoadPicture(temp.write("a.tpic", kPic), bitmap), kPictureLoaded);
        EXPECT_EQ(bitmap.pixelFormat(), format);
        EXPECT_EQ(pixelRows(bitmap), kPicture8TopDown);
    }
}

TEST(LoadPicture, MissingFileOrFolderIsNotRead) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, {"img_a"});
    Bitmap bitmap;
    EXPECT_EQ(susie->LoadPicture(temp.file("missing.tpic"), bitmap), kPictureNotRead);
    std::filesystem::create_directory(temp.file("folder.tpic"));
    EXPECT_EQ(susie->LoadPicture(temp.file("folder.tpic"), bitmap), kPictureNotRead);
    EXPECT_TRUE(log.lines().empty()) << "no plug-in is asked";
}

TEST(LoadPicture, OnlyRegularFilesAreOpened) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, {"img_by_name", "arc"});
    const std::string fifo = temp.file("pipe.tpic");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Bitmap bitmap;
    EXPECT_EQ(susie->LoadPicture(fifo, bitmap), kPictureNotRead);  // opening it would wait for a writer
    EXPECT_EQ(susie->ReadArchiveList(fifo), 0);
    EXPECT_FALSE(susie->LoadArchivedPicture(fifo, ARC{"m.tpic", 0, 4}, bitmap));
    EXPECT_TRUE(log.lines().empty());
}

TEST(LoadPicture, EveryPluginIsAskedFromTheStartOfTheFile) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, {"img_refuses", "img_refuses", "img_a"});
    Bitmap bitmap;
    ASSERT_EQ(susie->LoadPicture(temp.write("a.tpic", kPic), bitmap), kPictureLoaded);
    const auto asked = log.linesWith("IsSupported file");
    ASSERT_EQ(asked.size(), 3u);
    for (const auto& line : asked) EXPECT_NE(line.find(" at 0"), std::string::npos) << line;
}

TEST(LoadPicture, SecondCallAtOffset128OnlyAfterAnException) {
    TempFolder temp;
    PluginCallLog log(temp);
    Bitmap bitmap;
    auto good = susieWith(temp, {"img_a"});
    ASSERT_EQ(good->LoadPicture(temp.write("a.tpic", kPic), bitmap), kPictureLoaded);
    EXPECT_EQ(log.linesWith("GetPicture"), std::vector<std::string>{"img_a GetPicture file 0"});

    auto failing = susieWith(temp, {"img_fail_live_blocks"});
    EXPECT_EQ(failing->LoadPicture(temp.file("a.tpic"), bitmap), kPictureNotRead);
    EXPECT_EQ(log.linesWith("img_fail_live_blocks GetPicture").size(), 1u)
        << "a failure result is no exception";

    auto throwing = susieWith(temp, {"img_throws_at_start"});
    ASSERT_EQ(throwing->LoadPicture(temp.file("a.tpic"), bitmap), kPictureLoaded);
    EXPECT_EQ(log.linesWith("img_throws_at_start GetPicture"),
              (std::vector<std::string>{"img_throws_at_start GetPicture file 0",
                                        "img_throws_at_start GetPicture file 128"}));
}

TEST(LoadPicture, ASecondExceptionReachesTheCallerNamingPluginAndFile) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto susie = susieWith(temp, {"img_throws", "img_a"});
    const std::string path = temp.write("a.tpic", kPic);
    Bitmap bitmap;
    try {
        susie->LoadPicture(path, bitmap);
        FAIL() << "no exception";
    } catch (const PlatformError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(susie->plugin(0).path()), std::string::npos) << text;
        EXPECT_NE(text.find(path), std::string::npos) << text;
    }
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(log.linesWith("GetPicture").size(), 2u) << "the later plug-in is not asked";
    EXPECT_EQ(log.liveHandedBlocks(), 0);
}

}  // namespace
}  // namespace obri::test
