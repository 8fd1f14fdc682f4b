// Used only until the platform's bitmap is merged in (see CMakeLists.txt): just enough of Bitmap
// for these tests: 24-bit BMP files, and drawing 8/24-bit DIBs into 32-bit device pixels.
#include <cstring>
#include <stdexcept>

#include "platform/Bitmap.h"
#include "platform/Error.h"

namespace obri {
namespace {

std::uint32_t u32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t Bitmap::pixelRgb(int x, int y) const {
    const std::uint8_t* p =
        pixels_.data() + static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x) * 4;
    return static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

bool Bitmap::drawDib(const void* info, std::size_t infoSize, const void* bits, std::size_t bitsSize) {
    const auto* h = static_cast<const std::uint8_t*>(info);
    if (infoSize < 40) return false;
    const std::uint32_t headerSize = u32(h);
    const auto width = static_cast<std::int32_t>(u32(h + 4));
    const auto height = static_cast<std::int32_t>(u32(h + 8));
    const unsigned bitCount = h[14] | h[15] << 8;
    if (headerSize < 40 || headerSize > infoSize || width <= 0 || width > 32768 || height == 0 ||
        height < -32768 || height > 32768 || (bitCount != 8 && bitCount != 24)) {
        return false;
    }
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    std::size_t colours = bitCount == 8 ? (u32(h + 32) ? u32(h + 32) : 256) : 0;
    if (colours > 256 || headerSize + colours * 4 > infoSize || rowBytes * rows > bitsSize) return false;
    const auto* palette = h + headerSize;
    const auto* src = static_cast<const std::uint8_t*>(bits);
    width_ = width;
    height_ = static_cast<int>(rows);
    stride_ = static_cast<std::size_t>(width) * 4;
    pixels_.assign(stride_ * rows, 0);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = src + (height < 0 ? y : rows - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            std::uint8_t* out = pixels_.data() + y * stride_ + x * 4;
            if (bitCount == 24) {
                std::memcpy(out, row + x * 3, 3);
            } else {
                if (row[x] >= colours) return false;
                std::memcpy(out, palette + row[x] * 4, 3);
            }
        }
    }
    return true;
}

void Bitmap::loadFromMemory(const std::uint8_t* data, std::size_t size) {
    if (size < 14 || data[0] != 'B' || data[1] != 'M') throw PlatformError("not a bitmap");
    const std::uint32_t offset = u32(data + 10);
    if (offset > size) throw PlatformError("not a bitmap");
    Bitmap copy = *this;
    if (!copy.drawDib(data + 14, size - 14, data + offset, size - offset))
        throw PlatformError("broken bitmap");
    *this = copy;
}

void Bitmap::loadFromFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throwCannotOpen(path);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    loadFromMemory(bytes.data(), bytes.size());
}

}  // namespace obri
