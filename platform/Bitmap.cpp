// Size, palette, format changes and pixel access of the bitmap.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/BitmapInternal.h"
#include "platform/Error.h"
#include "platform/Texts.h"

namespace obri {

void BitmapAccess::assign(Bitmap& bitmap, int width, int height, PixelFormat format,
                          std::vector<PaletteEntry> palette, std::vector<std::uint8_t> pixels) {
    bitmap.width_ = width;
    bitmap.height_ = height;
    bitmap.format_ = format;
    bitmap.stride_ = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(width), bitsOf(format)));
    bitmap.palette_ = std::move(palette);
    bitmap.pixels_ = std::move(pixels);
}

int Bitmap::bitsPerPixel() const { return bitsOf(format_); }

namespace {

// Copies the part of a row that both sizes share; bits of pixels past the new width are cleared.
void copyRowPart(const std::uint8_t* from, std::uint8_t* to, int width, int bits) {
    const std::size_t totalBits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits);
    if (totalBits == 0) return;
    std::memcpy(to, from, totalBits / 8);
    if (const auto rest = totalBits % 8; rest != 0)
        to[totalBits / 8] = static_cast<std::uint8_t>(from[totalBits / 8] & (0xFF00u >> rest));
}

void resize(Bitmap& bitmap, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (!sizeAllowed(width, height)) throw PlatformError(texts::kBitmapTooLarge);
    const PixelFormat format = bitmap.pixelFormat();
    const int bits = bitsOf(format);
    const auto stride = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(width), bits));
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height), 0);
    const int keepWidth = std::min(width, bitmap.width()), keepHeight = std::min(height, bitmap.height());
    for (int y = 0; y < keepHeight; ++y)
        copyRowPart(bitmap.scanLine(y), pixels.data() + stride * static_cast<std::size_t>(y), keepWidth,
                    bits);
    std::vector<PaletteEntry> palette = bitmap.palette();
    if (isPaletteFormat(format) && palette.empty()) palette = defaultPalette(format);
    BitmapAccess::assign(bitmap, width, height, format, std::move(palette), std::move(pixels));
}

// The colours of a direct-colour picture, sorted, or nothing when there are more than limit.
std::vector<PaletteEntry> fewColours(const DibSource& source, std::size_t limit) {
    std::unordered_set<std::uint32_t> seen;
    RowReader reader(source);
    std::vector<std::uint32_t> row(static_cast<std::size_t>(source.width));
    for (int y = 0; y < source.height; ++y) {
        reader.read(y, row.data());
        std::uint32_t last = 0xFFFFFFFF;
        for (std::uint32_t rgb : row) {
            if (rgb == last) continue;
            last = rgb;
            seen.insert(rgb);
            if (seen.size() > limit) return {};
        }
    }
    std::vector<std::uint32_t> sorted(seen.begin(), seen.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<PaletteEntry> palette;
    for (std::uint32_t rgb : sorted)
        palette.push_back(PaletteEntry{static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                                       static_cast<std::uint8_t>(rgb >> 16), 0});
    return palette;
}

}  // namespace

void Bitmap::setWidth(int width) {
    if (width != width_ || (isPaletteFormat(format_) && palette_.empty())) resize(*this, width, height_);
}

void Bitmap::setHeight(int height) {
    if (height != height_ || (isPaletteFormat(format_) && palette_.empty())) resize(*this, width_, height);
}

void Bitmap::setPalette(std::vector<PaletteEntry> palette) {
    if (!isPaletteFormat(format_)) return;
    const std::size_t limit = std::size_t{1} << bitsOf(format_);
    if (palette.size() > limit) palette.resize(limit);
    palette_ = palette.empty() ? defaultPalette(format_) : std::move(palette);
}

void Bitmap::setPixelFormat(PixelFormat format) {
    if (format == format_) {
        if (isPaletteFormat(format_) && palette_.empty()) palette_ = defaultPalette(format_);
        return;
    }
    const bool bothWide = (format == PixelFormat::Device || format == PixelFormat::Bits32) &&
                          (format_ == PixelFormat::Device || format_ == PixelFormat::Bits32);
    if (bothWide) {
        format_ = format;
        return;
    }
    const DibSource source = sourceOf(*this);
    std::vector<PaletteEntry> palette;
    if (isPaletteFormat(format)) {
        const std::size_t limit = std::size_t{1} << bitsOf(format);
        if (isPaletteFormat(format_) && palette_.size() <= limit)
            palette = palette_;  // every index still fits: the colours stay exactly
        else
            palette = fewColours(source, limit);
    }
    Bitmap converted;
    convertInto(source, format, std::move(palette), converted);
    *this = std::move(converted);
}

const std::uint8_t* Bitmap::scanLine(int y) const {
    if (y < 0 || y >= height_) return nullptr;
    return pixels_.data() + stride_ * static_cast<std::size_t>(y);
}

std::uint8_t* Bitmap::scanLine(int y) {
    if (y < 0 || y >= height_) return nullptr;
    return pixels_.data() + stride_ * static_cast<std::size_t>(y);
}

std::uint32_t Bitmap::pixelRgb(int x, int y) const {
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return 0;
    const std::uint8_t* row = scanLine(y);
    auto fromPalette = [this](unsigned index) -> std::uint32_t {
        if (index >= palette_.size()) return 0;
        const PaletteEntry& e = palette_[index];
        return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    };
    auto expand = [](std::uint32_t v, std::uint32_t max) { return (v * 255 + max / 2) / max; };
    switch (format_) {
        case PixelFormat::Bits1:
            return fromPalette((row[x >> 3] >> (7 - (x & 7))) & 1);
        case PixelFormat::Bits4:
            return fromPalette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
        case PixelFormat::Bits8:
            return fromPalette(row[x]);
        case PixelFormat::Bits15:
        case PixelFormat::Bits16: {
            const std::uint32_t v = row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
            const bool six = format_ == PixelFormat::Bits16;
            const std::uint32_t r = six ? v >> 11 : (v >> 10) & 31, g = six ? (v >> 5) & 63 : (v >> 5) & 31,
                                b = v & 31;
            return (expand(r, 31) << 16) | (expand(g, six ? 63 : 31) << 8) | expand(b, 31);
        }
        case PixelFormat::Bits24: {
            const std::uint8_t* p = row + 3 * x;
            return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        }
        case PixelFormat::Bits32:
        case PixelFormat::Device: {
            const std::uint8_t* p = row + 4 * x;
            return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        }
    }
    return 0;
}

std::vector<std::uint32_t> Bitmap::toArgb32() const {
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    if (argb.empty()) return argb;
    const DibSource source = sourceOf(*this);
    RowReader reader(source);
    for (int y = 0; y < height_; ++y) {
        std::uint32_t* row = argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        reader.read(y, row);
        for (int x = 0; x < width_; ++x) row[x] |= 0xFF000000u;
    }
    return argb;
}

}  // namespace obri
