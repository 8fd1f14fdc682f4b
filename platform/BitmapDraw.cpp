// Drawing a plug-in's BITMAPINFO and pixel rows into the bitmap, one to one at 0,0.
#include <bit>
#include <new>

#include "platform/BitmapInternal.h"

namespace obri {

namespace {

std::uint32_t u32(const std::uint8_t* p) {
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

bool usableMasks(const std::array<std::uint32_t, 3>& masks, int bitCount) {
    const std::uint64_t limit = bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
    if ((masks[0] | masks[1] | masks[2]) == 0) return false;
    for (std::uint32_t mask : masks) {
        if (mask > limit) return false;
        if (mask == 0) continue;
        const std::uint32_t shifted = mask >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0) return false;
    }
    return true;
}

// Fills source from the info block; false when the header cannot be drawn as it stands.
bool describe(const std::uint8_t* p, std::size_t infoSize, std::size_t bitsSize, DibSource& source) {
    if (infoSize < 40) return false;
    const std::uint32_t headerSize = u32(p);
    if (headerSize < 40 || headerSize > infoSize) return false;
    const auto width = static_cast<std::int32_t>(u32(p + 4));
    const auto height = static_cast<std::int32_t>(u32(p + 8));
    const int bitCount = p[14] | (p[15] << 8);
    const std::uint32_t compression = u32(p + 16), coloursUsed = u32(p + 32);
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    if (width <= 0 || rows == 0 || !sizeAllowed(width, rows)) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;

    std::size_t tableStart = headerSize;
    if (compression == 0) {
        if (bitCount == 16) source.masks = {0x7C00, 0x03E0, 0x001F};
        if (bitCount == 32) source.masks = {0xFF0000, 0xFF00, 0xFF};
    } else if (compression == 3 && (bitCount == 16 || bitCount == 32)) {
        if (headerSize == 40) {
            if (infoSize < 52) return false;
            tableStart = 52;
        }
        source.masks = {u32(p + 40), u32(p + 44), u32(p + 48)};
        if (!usableMasks(source.masks, bitCount)) return false;
    } else {
        return false;
    }

    if (bitCount <= 8) {
        const std::uint64_t full = std::uint64_t{1} << bitCount;
        const std::uint64_t count = coloursUsed == 0 ? full : coloursUsed;
        if (count > full || tableStart + count * 4 > infoSize) return false;
        source.palette.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = p + tableStart + 4 * i;
            source.palette[i] = PaletteEntry{e[0], e[1], e[2], 0};
        }
    }

    const std::uint64_t stride = rowBytes(static_cast<std::uint64_t>(width), static_cast<unsigned>(bitCount));
    if (stride == 0 || stride * static_cast<std::uint64_t>(rows) > bitsSize) return false;
    source.width = width;
    source.height = static_cast<int>(rows);
    source.topDown = height < 0;
    source.bitCount = bitCount;
    source.stride = static_cast<std::size_t>(stride);
    return true;
}

}  // namespace

bool Bitmap::drawDib(const void* info, std::size_t infoSize, const void* bits, std::size_t bitsSize) {
    if (info == nullptr || bits == nullptr) return false;
    DibSource source;
    if (!describe(static_cast<const std::uint8_t*>(info), infoSize, bitsSize, source)) return false;
    source.bits = static_cast<const std::uint8_t*>(bits);
    std::vector<PaletteEntry> palette = palette_;
    if (isPaletteFormat(format_) && palette.empty()) palette = defaultPalette(format_);
    try {
        convertInto(source, format_, std::move(palette), *this);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace obri
