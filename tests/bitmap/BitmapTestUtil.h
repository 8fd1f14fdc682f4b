#pragma once
// What the bitmap tests compare: everything a caller can see of a bitmap.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bitmap/BmpWriter.h"
#include "platform/Bitmap.h"

namespace obri::test {

// Names parameterised cases after their row's name.
struct ByName {
    template <class T>
    std::string operator()(const ::testing::TestParamInfo<T>& row) const {
        return row.param.name;
    }
};

// A bitmap of the format holding a picture with many colours, drawn through a 24-bit block.
inline Bitmap drawnPicture(PixelFormat format, int width, int height) {
    BmpFields f;
    f.width = width;
    f.height = height;
    f.bitCount = 24;
    f.pixels = packRows(maskedPicture(width, height, {0xFF0000, 0xFF00, 0xFF}), 24, false);
    const Bytes info = f.info();
    Bitmap b;
    b.setPixelFormat(format);
    EXPECT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
    return b;
}

struct Snapshot {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Device;
    std::vector<PaletteEntry> palette;
    std::vector<std::uint32_t> argb;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

inline Snapshot snapshot(const Bitmap& b) {
    return {b.width(), b.height(), b.pixelFormat(), b.palette(), b.toArgb32()};
}

// A bitmap with a recognisable picture in it, to show that a refused load or draw changed nothing.
inline Bitmap sentinelBitmap() {
    Bitmap b;
    b.setPixelFormat(PixelFormat::Bits24);
    b.setWidth(3);
    b.setHeight(2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x) b.scanLine(y)[x] = static_cast<std::uint8_t>(x * 20 + y * 7 + 1);
    return b;
}

inline std::string formatName(PixelFormat f) {
    switch (f) {
        case PixelFormat::Device:
            return "Device";
        case PixelFormat::Bits1:
            return "Bits1";
        case PixelFormat::Bits4:
            return "Bits4";
        case PixelFormat::Bits8:
            return "Bits8";
        case PixelFormat::Bits15:
            return "Bits15";
        case PixelFormat::Bits16:
            return "Bits16";
        case PixelFormat::Bits24:
            return "Bits24";
        case PixelFormat::Bits32:
            return "Bits32";
    }
    return "?";
}

// Every pixel of the bitmap against the colours the test expects, reporting the first few misses.
inline void expectPixels(const Bitmap& b, int width, int height, const std::vector<std::uint32_t>& expected) {
    ASSERT_EQ(b.width(), width);
    ASSERT_EQ(b.height(), height);
    int misses = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t want = expected[static_cast<std::size_t>(y * width + x)];
            if (b.pixelRgb(x, y) != want && ++misses <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << b.pixelRgb(x, y)
                              << " != " << want;
        }
}

}  // namespace obri::test
