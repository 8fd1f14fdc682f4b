// Drawing a plug-in's blocks never reads outside either block. Input: the bitmap's pixel format
// (one byte), the info block's length (two bytes, little-endian), the info block, the pixel rows.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Bitmap.h"

namespace {

std::unique_ptr<std::uint8_t[]> exactCopy(const std::uint8_t* data, std::size_t size) {
    auto copy = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) std::memcpy(copy.get(), data, size);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const auto format = static_cast<obri::PixelFormat>(data[0] % 8);
    const std::size_t infoSize = std::min<std::size_t>(data[1] | (data[2] << 8), size - 3);
    const std::size_t bitsSize = size - 3 - infoSize;
    // Each block in its own exactly sized buffer, so that ASan sees a read past either one.
    const auto info = exactCopy(data + 3, infoSize);
    const auto bits = exactCopy(data + 3 + infoSize, bitsSize);
    obri::Bitmap bitmap;
    bitmap.setPixelFormat(format);
    bitmap.setWidth(2);
    bitmap.setHeight(2);
    const std::vector<std::uint32_t> before = bitmap.toArgb32();
    if (bitmap.drawDib(info.get(), infoSize, bits.get(), bitsSize)) {
        if (bitmap.pixelFormat() != format) std::abort();
        (void)bitmap.toArgb32();
    } else if (bitmap.toArgb32() != before || bitmap.width() != 2) {
        std::abort();  // a refused drawing changes nothing
    }
    return 0;
}
