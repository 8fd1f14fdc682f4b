// Showing a bitmap: the copy windows draw from.
#include <gtest/gtest.h>

#include "bitmap/BitmapTestUtil.h"
#include "platform/gui/BitmapImage.h"

namespace obri::test {
namespace {

TEST(BitmapImage, IsAnOpaqueCopyOfEveryPixel) {
    for (PixelFormat format : {PixelFormat::Bits4, PixelFormat::Bits8, PixelFormat::Bits16,
                               PixelFormat::Bits24, PixelFormat::Device}) {
        BmpFields f;
        f.width = 9;
        f.height = 4;
        f.bitCount = 32;
        f.pixels = packRows(maskedPicture(9, 4, {0xFF0000, 0xFF00, 0xFF}), 32, false);
        const Bytes info = f.info();
        Bitmap b;
        b.setPixelFormat(format);
        ASSERT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
        const QImage image = toQImage(b);
        ASSERT_EQ(image.format(), QImage::Format_RGB32);
        ASSERT_EQ(image.width(), 9);
        ASSERT_EQ(image.height(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(image.pixel(x, y), 0xFF000000u | b.pixelRgb(x, y)) << formatName(format);
    }
    EXPECT_TRUE(toQImage(Bitmap()).isNull());
}

}  // namespace
}  // namespace obri::test
