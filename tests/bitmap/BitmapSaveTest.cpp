// Saving as a Windows BMP, and the file errors around loading and saving.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "bitmap/BitmapTestUtil.h"
#include "platform/Error.h"
#include "support/TempFolder.h"

namespace obri::test {
namespace {

Bitmap picture(PixelFormat format, int width = 7, int height = 3) {
    return drawnPicture(format, width, height);
}

struct Saved {
    PixelFormat format;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t colours;
    PixelFormat reloaded;
};

class SaveFormat : public ::testing::TestWithParam<Saved> {};

TEST_P(SaveFormat, WritesHeadersTableAndBottomUpRows) {
    const Saved& s = GetParam();
    const Bitmap b = picture(s.format);
    const Bytes file = b.saveToMemory();
    const std::size_t masks = s.compression == 3 ? 12 : 0;
    const std::size_t offset = 14 + 40 + masks + 4 * s.colours;
    const std::size_t imageSize = b.stride() * 3;
    ASSERT_EQ(file.size(), offset + imageSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(get32(file, 2), file.size());
    EXPECT_EQ(get32(file, 10), offset);
    EXPECT_EQ(get32(file, 14), 40u);
    EXPECT_EQ(get32(file, 18), 7u);
    EXPECT_EQ(get32(file, 22), 3u);  // positive: bottom-up
    EXPECT_EQ(get16(file, 26), 1u);
    EXPECT_EQ(get16(file, 28), s.bitCount);
    EXPECT_EQ(get32(file, 30), s.compression);
    EXPECT_EQ(get32(file, 34), imageSize);
    EXPECT_EQ(get32(file, 46), s.colours);
    if (masks) {
        EXPECT_EQ(get32(file, 54), 0xF800u);
        EXPECT_EQ(get32(file, 58), 0x07E0u);
        EXPECT_EQ(get32(file, 62), 0x001Fu);
    }
    for (std::uint32_t i = 0; i < s.colours; ++i) {
        const PaletteEntry& e = b.palette()[i];
        const std::size_t at = 14 + 40 + masks + 4 * i;
        EXPECT_EQ((Bytes{file[at], file[at + 1], file[at + 2], file[at + 3]}),
                  (Bytes{e.blue, e.green, e.red, 0}));
    }
    for (int y = 0; y < 3; ++y) {
        const std::uint8_t* row = b.scanLine(2 - y);
        EXPECT_TRUE(std::equal(row, row + b.stride(),
                               file.begin() + static_cast<std::ptrdiff_t>(offset + y * b.stride())))
            << "file row " << y;
    }
    Bitmap again;
    again.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(again.pixelFormat(), s.reloaded);
    EXPECT_EQ(again.toArgb32(), b.toArgb32());
}

INSTANTIATE_TEST_SUITE_P(Bmp, SaveFormat,
                         ::testing::Values(Saved{PixelFormat::Bits1, 1, 0, 2, PixelFormat::Bits1},
                                           Saved{PixelFormat::Bits4, 4, 0, 16, PixelFormat::Bits4},
                                           Saved{PixelFormat::Bits8, 8, 0, 256, PixelFormat::Bits8},
                                           Saved{PixelFormat::Bits15, 16, 0, 0, PixelFormat::Bits15},
                                           Saved{PixelFormat::Bits16, 16, 3, 0, PixelFormat::Bits16},
                                           Saved{PixelFormat::Bits24, 24, 0, 0, PixelFormat::Bits24},
                                           Saved{PixelFormat::Bits32, 32, 0, 0, PixelFormat::Bits32},
                                           Saved{PixelFormat::Device, 32, 0, 0, PixelFormat::Bits32}),
                         [](const ::testing::TestParamInfo<Saved>& row) {
                             return formatName(row.param.format);
                         });

TEST(SaveBmp, AnEightBitPictureKeepsItsOwnShortPalette) {
    BmpFields f;
    f.width = 3;
    f.height = 2;
    f.bitCount = 8;
    f.palette = makePalette(3);
    f.coloursUsed = 3;
    f.pixels = packRows(indexPicture(3, 2, 3), 8, false);
    const Bytes file = f.build();
    Bitmap b;
    b.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(b.saveToMemory(), file);  // the same bytes back, field for field
}

TEST(SaveBmp, ToAFileWritesTheSameBytesAndReplacesAnOldFile) {
    TempFolder folder;
    const std::string path = folder.write("picture.bmp", std::string(5000, 'x'));
    const Bitmap b = picture(PixelFormat::Bits8, 33, 9);
    b.saveToFile(path);
    const Bytes expected = b.saveToMemory();
    EXPECT_EQ(readFile(path), std::string(expected.begin(), expected.end()));
    Bitmap again;
    again.loadFromFile(path);
    EXPECT_EQ(snapshot(again), snapshot(b));
    // Nothing but the picture is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(SaveBmp, ThroughALinkReplacesTheFileItPointsTo) {
    TempFolder folder;
    const std::string target = folder.write("real.bmp", "old");
    const std::string link = folder.file("link.bmp");
    std::filesystem::create_symlink(target, link);
    const Bitmap b = picture(PixelFormat::Bits4);
    b.saveToFile(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    const Bytes expected = b.saveToMemory();
    EXPECT_EQ(readFile(target), std::string(expected.begin(), expected.end()));
}

TEST(SaveBmp, AFileThatCannotBeCreatedRaisesTheCreateText) {
    TempFolder folder;
    const std::string path = folder.file("missing/picture.bmp");
    try {
        picture(PixelFormat::Bits24).saveToFile(path);
        FAIL() << "saved into a missing folder";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " を作成できません");
    }
    EXPECT_THROW(picture(PixelFormat::Bits24).saveToFile(folder.path()), PlatformError);
}

// A file without write permission counts as read-only even for the superuser.
TEST(SaveBmp, AReadOnlyFileIsLeftAsItWas) {
    TempFolder folder;
    const std::string path = folder.write("old.bmp", "old contents");
    ::chmod(path.c_str(), 0444);
    EXPECT_THROW(picture(PixelFormat::Bits24).saveToFile(path), PlatformError);
    EXPECT_EQ(readFile(path), "old contents");
}

TEST(SaveBmp, AHardLinkedFileIsWrittenInPlaceForAllItsNames) {
    TempFolder folder;
    const std::string first = folder.write("first.bmp", "old");
    const std::string second = folder.file("second.bmp");
    std::filesystem::create_hard_link(first, second);
    const Bitmap b = picture(PixelFormat::Bits1);
    b.saveToFile(second);
    const Bytes expected = b.saveToMemory();
    EXPECT_EQ(readFile(first), std::string(expected.begin(), expected.end()));
}

TEST(SaveBmp, APipeIsNotAFileToCreate) {
    TempFolder folder;
    const std::string pipe = folder.file("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THROW(picture(PixelFormat::Bits24).saveToFile(pipe), PlatformError);
}

TEST(LoadFile, MissingFilesFoldersAndPipesRaiseTheOpenText) {
    TempFolder folder;
    const std::string pipe = folder.file("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // opening it must not wait for a writer
    for (const std::string& path : {folder.file("nothing.bmp"), folder.path(), pipe}) {
        Bitmap b = sentinelBitmap();
        try {
            b.loadFromFile(path);
            ADD_FAILURE() << "loaded " << path;
        } catch (const PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " は開けません");
        }
        EXPECT_EQ(snapshot(b), snapshot(sentinelBitmap()));
    }
}

TEST(LoadFile, ARefusedFileIsNamedInTheText) {
    TempFolder folder;
    const std::string path = folder.write("fake.bmp", "BM this is not a bitmap");
    Bitmap b;
    try {
        b.loadFromFile(path);
        FAIL();
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), "ﾋﾞｯﾄﾏｯﾌﾟ " + path + " は読めません（ﾃﾞｰﾀが壊れています）");
    }
}

}  // namespace
}  // namespace obri::test
