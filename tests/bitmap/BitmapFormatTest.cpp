// Size, palette and pixel-format changes of the bitmap.
#include <gtest/gtest.h>

#include "bitmap/BitmapTestUtil.h"
#include "platform/Error.h"

namespace obri::test {
namespace {

const std::vector<PixelFormat> kAllFormats = {PixelFormat::Device, PixelFormat::Bits1,  PixelFormat::Bits4,
                                              PixelFormat::Bits8,  PixelFormat::Bits15, PixelFormat::Bits16,
                                              PixelFormat::Bits24, PixelFormat::Bits32};

Bitmap colourful(PixelFormat format, int width = 19, int height = 6) {
    return drawnPicture(format, width, height);
}

std::vector<std::uint32_t> colours(const Bitmap& b) {
    std::vector<std::uint32_t> all;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) all.push_back(b.pixelRgb(x, y));
    return all;
}

TEST(BitmapBasics, ANewBitmapIsEmptyAndDeviceDependent) {
    Bitmap b;
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.height(), 0);
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Device);
    EXPECT_EQ(b.bitsPerPixel(), 32);
    EXPECT_EQ(b.stride(), 0u);
    EXPECT_EQ(b.scanLine(0), nullptr);
    EXPECT_TRUE(b.toArgb32().empty());
}

struct Layout {
    PixelFormat format;
    int bits;
    int width;
    std::size_t stride;
};

TEST(BitmapBasics, RowsArePaddedToFourBytes) {
    const std::vector<Layout> layouts = {{PixelFormat::Bits1, 1, 33, 8},   {PixelFormat::Bits4, 4, 9, 8},
                                         {PixelFormat::Bits8, 8, 5, 8},    {PixelFormat::Bits15, 16, 3, 8},
                                         {PixelFormat::Bits16, 16, 2, 4},  {PixelFormat::Bits24, 24, 5, 16},
                                         {PixelFormat::Bits32, 32, 3, 12}, {PixelFormat::Device, 32, 1, 4}};
    for (const Layout& l : layouts) {
        Bitmap b;
        b.setPixelFormat(l.format);
        b.setWidth(l.width);
        b.setHeight(2);
        EXPECT_EQ(b.bitsPerPixel(), l.bits) << formatName(l.format);
        EXPECT_EQ(b.stride(), l.stride) << formatName(l.format);
        EXPECT_EQ(b.scanLine(1) - b.scanLine(0), static_cast<std::ptrdiff_t>(l.stride));
        EXPECT_EQ(b.scanLine(2), nullptr);
        EXPECT_EQ(b.scanLine(-1), nullptr);
    }
}

TEST(BitmapBasics, PaletteFormatsGetADefaultPalette) {
    Bitmap one, four, eight;
    one.setPixelFormat(PixelFormat::Bits1);
    four.setPixelFormat(PixelFormat::Bits4);
    eight.setPixelFormat(PixelFormat::Bits8);
    EXPECT_EQ(one.palette(), (std::vector<PaletteEntry>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    ASSERT_EQ(four.palette().size(), 16u);
    const std::vector<std::uint32_t> vga = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                            0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                            0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(rgbOf(four.palette()[i]), vga[i]) << i;
    ASSERT_EQ(eight.palette().size(), 256u);
    EXPECT_EQ(rgbOf(eight.palette()[0]), 0x000000u);
    bool hasWhite = false;
    for (const PaletteEntry& e : eight.palette()) hasWhite |= rgbOf(e) == 0xFFFFFF;
    EXPECT_TRUE(hasWhite);
}

TEST(BitmapBasics, ResizingKeepsFormatPaletteAndThePixelsThatFit) {
    for (PixelFormat format : kAllFormats) {
        SCOPED_TRACE(formatName(format));
        Bitmap b = colourful(format, 9, 5);
        const Bitmap original = b;
        b.setWidth(5);
        b.setHeight(7);
        EXPECT_EQ(b.pixelFormat(), format);
        EXPECT_EQ(b.palette(), original.palette());
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 5; ++x) {
                // New room is filled with zero bytes: black, or the first palette entry.
                const std::uint32_t fill = b.palette().empty() ? 0 : rgbOf(b.palette()[0]);
                EXPECT_EQ(b.pixelRgb(x, y), y < 5 ? original.pixelRgb(x, y) : fill) << x << "," << y;
            }
        b.setWidth(12);
        EXPECT_EQ(b.pixelRgb(4, 0), original.pixelRgb(4, 0));
        // Pixels cut off by the narrowing do not come back when the width grows again.
        const std::uint32_t fill = b.palette().empty() ? 0 : rgbOf(b.palette()[0]);
        EXPECT_EQ(b.pixelRgb(5, 0), fill);
    }
}

TEST(BitmapBasics, AbsurdSizesAreRefusedAndNegativeOnesAreEmpty) {
    Bitmap b = sentinelBitmap();
    const Snapshot before = snapshot(b);
    EXPECT_THROW(b.setWidth(32769), PlatformError);
    EXPECT_THROW(b.setHeight(100000), PlatformError);
    EXPECT_EQ(snapshot(b), before);
    b.setWidth(-4);
    EXPECT_EQ(b.width(), 0);
}

// Every format to every direct format: the colours are what the target can hold of them.
class ChangeFormat : public ::testing::TestWithParam<std::tuple<PixelFormat, PixelFormat>> {};

TEST_P(ChangeFormat, KeepsTheColours) {
    const auto [from, to] = GetParam();
    Bitmap b = colourful(from);
    const std::vector<std::uint32_t> before = colours(b);
    b.setPixelFormat(to);
    EXPECT_EQ(b.pixelFormat(), to);
    EXPECT_EQ(b.width(), 19);
    EXPECT_EQ(b.height(), 6);
    const std::vector<std::uint32_t> after = colours(b);
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Formats, ChangeFormat,
                         ::testing::Combine(::testing::ValuesIn(kAllFormats),
                                            ::testing::Values(PixelFormat::Bits24, PixelFormat::Bits32,
                                                              PixelFormat::Device)),
                         [](const ::testing::TestParamInfo<std::tuple<PixelFormat, PixelFormat>>& row) {
                             return formatName(std::get<0>(row.param)) + "_to_" +
                                    formatName(std::get<1>(row.param));
                         });

TEST(ChangeFormatToPalette, FewColoursGetAnExactPalette) {
    // 5 colours in a 24-bit picture: an 8-bit and a 4-bit bitmap can hold them exactly.
    BmpFields f;
    f.width = 7;
    f.height = 3;
    f.bitCount = 8;
    f.palette = {{1, 2, 3, 0}, {200, 100, 50, 0}, {9, 9, 9, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}};
    f.coloursUsed = 5;
    f.pixels = packRows(indexPicture(7, 3, 5), 8, false);
    const Bytes info = f.info();
    for (PixelFormat target : {PixelFormat::Bits8, PixelFormat::Bits4}) {
        Bitmap b;
        b.setPixelFormat(PixelFormat::Bits24);
        ASSERT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
        const std::vector<std::uint32_t> before = colours(b);
        b.setPixelFormat(target);
        EXPECT_EQ(b.pixelFormat(), target);
        EXPECT_EQ(colours(b), before) << formatName(target);
        EXPECT_EQ(b.palette().size(), 5u);
    }
}

TEST(ChangeFormatToPalette, ManyColoursMapToTheNearestDefaultEntry) {
    Bitmap b = colourful(PixelFormat::Bits24, 40, 10);
    const std::vector<std::uint32_t> before = colours(b);
    b.setPixelFormat(PixelFormat::Bits8);
    ASSERT_EQ(b.palette().size(), 256u);
    const std::vector<std::uint32_t> after = colours(b);
    for (std::size_t i = 0; i < before.size(); ++i) {
        long best = -1;
        std::uint32_t want = 0;
        for (const PaletteEntry& e : b.palette()) {
            const long dr = static_cast<long>(before[i] >> 16 & 0xFF) - e.red,
                       dg = static_cast<long>(before[i] >> 8 & 0xFF) - e.green,
                       db = static_cast<long>(before[i] & 0xFF) - e.blue;
            if (const long d = dr * dr + dg * dg + db * db; best < 0 || d < best) best = d, want = rgbOf(e);
        }
        EXPECT_EQ(after[i], want) << i;
    }
}

TEST(ChangeFormatToPalette, APaletteThatFitsIsKept) {
    Bitmap b;
    b.setPixelFormat(PixelFormat::Bits8);
    b.setPalette({{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
    b.setWidth(6);
    b.setHeight(2);
    for (int x = 0; x < 6; ++x) b.scanLine(1)[x] = static_cast<std::uint8_t>(x % 3);
    const std::vector<std::uint32_t> before = colours(b);
    b.setPixelFormat(PixelFormat::Bits4);
    EXPECT_EQ(b.palette().size(), 3u);
    EXPECT_EQ(colours(b), before);
    b.setPixelFormat(PixelFormat::Bits8);
    EXPECT_EQ(colours(b), before);
}

TEST(ChangeFormat, FifteenAndSixteenBitsRoundEachChannel) {
    BmpFields f;
    f.width = 3;
    f.height = 1;
    f.bitCount = 24;
    f.pixels = {0xFF, 0x05, 0x03, 0x84, 0x80, 0x7F, 0x00, 0x00, 0x00, 0, 0, 0};
    const Bytes info = f.info();
    Bitmap b;
    b.setPixelFormat(PixelFormat::Bits24);
    ASSERT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
    Bitmap fifteen = b, sixteen = b;
    fifteen.setPixelFormat(PixelFormat::Bits15);
    sixteen.setPixelFormat(PixelFormat::Bits16);
    // Of 31: 3 -> 0, 5 -> 1 (reads 8), 127 -> 15 (123), 128 and 132 -> 16 (132); of 63: 128 -> 32 (130).
    EXPECT_EQ(fifteen.pixelRgb(0, 0), 0x0008FFu);
    EXPECT_EQ(fifteen.pixelRgb(1, 0), 0x7B8484u);
    EXPECT_EQ(sixteen.pixelRgb(1, 0), 0x7B8284u);
    EXPECT_EQ(sixteen.pixelRgb(0, 0), 0x0004FFu);
    EXPECT_EQ(fifteen.scanLine(0)[1] & 0x80, 0);  // bit 15 is left clear
}

TEST(BitmapBasics, ArgbHasFullAlpha) {
    const Bitmap b = colourful(PixelFormat::Bits16, 3, 2);
    const std::vector<std::uint32_t> argb = b.toArgb32();
    ASSERT_EQ(argb.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(argb[static_cast<std::size_t>(i)], 0xFF000000u | b.pixelRgb(i % 3, i / 3));
}

}  // namespace
}  // namespace obri::test
