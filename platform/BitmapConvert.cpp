// Pixel formats: row layout, reading any DIB row as RGB, writing RGB into any format.
#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/BitmapInternal.h"

namespace obri {

int bitsOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bits1:
            return 1;
        case PixelFormat::Bits4:
            return 4;
        case PixelFormat::Bits8:
            return 8;
        case PixelFormat::Bits15:
        case PixelFormat::Bits16:
            return 16;
        case PixelFormat::Bits24:
            return 24;
        case PixelFormat::Bits32:
        case PixelFormat::Device:
            return 32;
    }
    return 32;
}

bool isPaletteFormat(PixelFormat format) {
    return format == PixelFormat::Bits1 || format == PixelFormat::Bits4 || format == PixelFormat::Bits8;
}

std::uint64_t rowBytes(std::uint64_t width, unsigned bits) {
    if (width > (std::uint64_t{1} << 32) || bits > 32) return 0;
    return (width * bits + 31) / 32 * 4;
}

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

namespace {

PaletteEntry rgbEntry(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return PaletteEntry{b, g, r, 0}; }

std::vector<PaletteEntry> vgaPalette() {
    static constexpr std::uint8_t kVga[16][3] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    std::vector<PaletteEntry> palette;
    for (const auto& c : kVga) palette.push_back(rgbEntry(c[0], c[1], c[2]));
    return palette;
}

// A 6 x 6 x 6 colour cube followed by a ramp of greys: every colour has a near entry.
std::vector<PaletteEntry> cubePalette() {
    std::vector<PaletteEntry> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(rgbEntry(static_cast<std::uint8_t>(r * 51),
                                           static_cast<std::uint8_t>(g * 51),
                                           static_cast<std::uint8_t>(b * 51)));
    for (int i = 1; i <= 40; ++i) {
        auto v = static_cast<std::uint8_t>((i * 255 + 20) / 41);
        palette.push_back(rgbEntry(v, v, v));
    }
    return palette;
}

std::uint32_t rgbOf(const PaletteEntry& e) {
    return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
}

}  // namespace

std::vector<PaletteEntry> defaultPalette(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bits1:
            return {rgbEntry(0, 0, 0), rgbEntry(255, 255, 255)};
        case PixelFormat::Bits4:
            return vgaPalette();
        case PixelFormat::Bits8:
            return cubePalette();
        default:
            return {};
    }
}

DibSource sourceOf(const Bitmap& bitmap) {
    DibSource source;
    source.width = bitmap.width();
    source.height = bitmap.height();
    source.topDown = true;
    source.bitCount = bitmap.bitsPerPixel();
    switch (bitmap.pixelFormat()) {
        case PixelFormat::Bits15:
            source.masks = {0x7C00, 0x03E0, 0x001F};
            break;
        case PixelFormat::Bits16:
            source.masks = {0xF800, 0x07E0, 0x001F};
            break;
        case PixelFormat::Bits32:
        case PixelFormat::Device:
            source.masks = {0xFF0000, 0xFF00, 0xFF};
            break;
        default:
            break;
    }
    source.palette = bitmap.palette();
    source.bits = bitmap.height() > 0 ? bitmap.scanLine(0) : nullptr;
    source.stride = bitmap.stride();
    return source;
}

std::uint8_t RowReader::Channel::scale(std::uint32_t pixel) const {
    std::uint32_t v = (pixel & mask) >> shift;
    if (!table.empty()) return table[v];
    if (max == 0) return 0;
    return static_cast<std::uint8_t>((v * std::uint64_t{255} + max / 2) / max);
}

RowReader::RowReader(const DibSource& source) : source_(source) {
    for (std::size_t i = 0; i < source.palette.size() && i < colours_.size(); ++i)
        colours_[i] = rgbOf(source.palette[i]);
    for (std::size_t c = 0; c < 3; ++c) {
        Channel& ch = channels_[c];
        ch.mask = source.masks[c];
        if (ch.mask == 0) continue;
        ch.shift = static_cast<unsigned>(std::countr_zero(ch.mask));
        ch.max = ch.mask >> ch.shift;
        if (ch.max <= 0xFFF) {
            ch.table.resize(ch.max + 1);
            for (std::uint64_t v = 0; v <= ch.max; ++v)
                ch.table[v] = static_cast<std::uint8_t>((v * 255 + ch.max / 2) / ch.max);
        }
    }
    plainBgr_ = source.bitCount == 32 && source.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
}

void RowReader::read(int y, std::uint32_t* out) const {
    const std::uint8_t* p = source_.row(y);
    const int width = source_.width;
    switch (source_.bitCount) {
        case 1:
            for (int x = 0; x < width; ++x) out[x] = colours_[(p[x >> 3] >> (7 - (x & 7))) & 1];
            return;
        case 4:
            for (int x = 0; x < width; ++x) out[x] = colours_[(p[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            return;
        case 8:
            for (int x = 0; x < width; ++x) out[x] = colours_[p[x]];
            return;
        case 24:
            for (int x = 0; x < width; ++x, p += 3)
                out[x] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
            return;
        case 16:
            for (int x = 0; x < width; ++x, p += 2) {
                std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8);
                out[x] = (std::uint32_t{channels_[0].scale(v)} << 16) |
                         (std::uint32_t{channels_[1].scale(v)} << 8) | channels_[2].scale(v);
            }
            return;
        default:
            if (plainBgr_) {
                for (int x = 0; x < width; ++x, p += 4)
                    out[x] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
                return;
            }
            for (int x = 0; x < width; ++x, p += 4) {
                std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                  (std::uint32_t{p[3]} << 24);
                out[x] = (std::uint32_t{channels_[0].scale(v)} << 16) |
                         (std::uint32_t{channels_[1].scale(v)} << 8) | channels_[2].scale(v);
            }
            return;
    }
}

NearestMapper::NearestMapper(const std::vector<PaletteEntry>& palette)
    : keys_(kCacheSize, 0), values_(kCacheSize, 0) {
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
        byGreen_.push_back({palette[i].red, palette[i].green, palette[i].blue, static_cast<int>(i)});
    std::stable_sort(byGreen_.begin(), byGreen_.end(),
                     [](const Entry& a, const Entry& b) { return a.green < b.green; });
}

// Walks outwards from the entries of the nearest green; once the green difference alone exceeds
// the best distance, no farther entry can win. Ties go to the lowest index, as a plain scan would.
std::uint8_t NearestMapper::search(std::uint32_t rgb) const {
    if (byGreen_.empty()) return 0;
    const int r = static_cast<int>(rgb >> 16) & 0xFF, g = static_cast<int>(rgb >> 8) & 0xFF,
              b = static_cast<int>(rgb) & 0xFF;
    const auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), g,
                                        [](const Entry& e, int green) { return e.green < green; }) -
                       byGreen_.begin();
    int best = 0, bestDistance = 1 << 30;
    auto consider = [&](const Entry& e) {
        const int dr = r - e.red, dg = g - e.green, db = b - e.blue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance || (d == bestDistance && e.index < best)) bestDistance = d, best = e.index;
    };
    const auto count = static_cast<std::ptrdiff_t>(byGreen_.size());
    for (std::ptrdiff_t up = start, down = start - 1; up < count || down >= 0;) {
        bool moved = false;
        if (up < count) {
            const int dg = byGreen_[static_cast<std::size_t>(up)].green - g;
            if (dg * dg <= bestDistance) {
                consider(byGreen_[static_cast<std::size_t>(up++)]);
                moved = true;
            } else {
                up = count;
            }
        }
        if (down >= 0) {
            const int dg = g - byGreen_[static_cast<std::size_t>(down)].green;
            if (dg * dg <= bestDistance) {
                consider(byGreen_[static_cast<std::size_t>(down--)]);
                moved = true;
            } else {
                down = -1;
            }
        }
        if (!moved && up >= count && down < 0) break;
    }
    return static_cast<std::uint8_t>(best);
}

std::uint8_t NearestMapper::map(std::uint32_t rgb) {
    rgb &= 0xFFFFFF;
    const std::size_t slot = (rgb * 2654435761u) >> (32 - kCacheBits);
    const std::uint32_t key = rgb | 0x01000000u;
    if (keys_[slot] != key) {
        keys_[slot] = key;
        values_[slot] = search(rgb);
    }
    return values_[slot];
}

void readIndices(const std::uint8_t* row, int width, int bits, std::uint8_t* out) {
    if (bits == 8) {
        std::memcpy(out, row, static_cast<std::size_t>(width));
    } else if (bits == 4) {
        for (int x = 0; x < width; ++x) out[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    } else {
        for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

void writeIndices(const std::uint8_t* in, int width, int bits, std::uint8_t* out, std::size_t stride) {
    std::memset(out, 0, stride);
    if (bits == 8) {
        std::memcpy(out, in, static_cast<std::size_t>(width));
    } else if (bits == 4) {
        for (int x = 0; x < width; ++x)
            out[x >> 1] |= static_cast<std::uint8_t>((in[x] & 0xF) << ((x & 1) ? 0 : 4));
    } else {
        for (int x = 0; x < width; ++x)
            out[x >> 3] |= static_cast<std::uint8_t>((in[x] & 1) << (7 - (x & 7)));
    }
}

namespace {

std::uint32_t narrow(std::uint32_t value, std::uint32_t max) { return (value * max + 127) / 255; }

}  // namespace

void writeRow(const std::uint32_t* in, int width, PixelFormat format, std::uint8_t* out, std::size_t stride,
              NearestMapper* mapper) {
    const auto used = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(width), bitsOf(format)));
    switch (format) {
        case PixelFormat::Device:
        case PixelFormat::Bits32:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = in[x];
                out[4 * x] = static_cast<std::uint8_t>(v);
                out[4 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                out[4 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                out[4 * x + 3] = 0;
            }
            break;
        case PixelFormat::Bits24:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = in[x];
                out[3 * x] = static_cast<std::uint8_t>(v);
                out[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                out[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
            }
            break;
        case PixelFormat::Bits15:
        case PixelFormat::Bits16: {
            const bool six = format == PixelFormat::Bits16;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = in[x];
                const std::uint32_t r = narrow((v >> 16) & 0xFF, 31),
                                    g = narrow((v >> 8) & 0xFF, six ? 63 : 31), b = narrow(v & 0xFF, 31);
                const std::uint32_t p = six ? (r << 11) | (g << 5) | b : (r << 10) | (g << 5) | b;
                out[2 * x] = static_cast<std::uint8_t>(p);
                out[2 * x + 1] = static_cast<std::uint8_t>(p >> 8);
            }
            break;
        }
        default: {
            const int bits = bitsOf(format);
            std::memset(out, 0, stride);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t index = mapper ? mapper->map(in[x]) : 0;
                if (bits == 8)
                    out[x] = index;
                else if (bits == 4)
                    out[x >> 1] |= static_cast<std::uint8_t>((index & 0xF) << ((x & 1) ? 0 : 4));
                else
                    out[x >> 3] |= static_cast<std::uint8_t>((index & 1) << (7 - (x & 7)));
            }
            return;
        }
    }
    if (stride > used) std::memset(out + used, 0, stride - used);
}

void adviseLargePages(void* data, std::size_t size) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (data == nullptr || size < 4 * kLargePage) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLargePage - 1);
    // Only advice: where large pages are not available nothing changes.
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

namespace {

// Source indices to target indices: kept where the palette is the same, else the nearest entry.
std::array<std::uint8_t, 256> indexMap(const DibSource& source, int targetBits,
                                       const std::vector<PaletteEntry>& palette) {
    NearestMapper mapper(palette);
    const bool samePalette = source.palette == palette;
    std::array<std::uint8_t, 256> map{};
    for (std::size_t i = 0; i < (std::size_t{1} << source.bitCount); ++i) {
        if (samePalette && i < palette.size() && i < (std::size_t{1} << targetBits))
            map[i] = static_cast<std::uint8_t>(i);
        else
            map[i] = mapper.map(i < source.palette.size() ? rgbOf(source.palette[i]) : 0);
    }
    return map;
}

bool sameLayout(const DibSource& source, PixelFormat format, const std::vector<PaletteEntry>& palette) {
    switch (format) {
        case PixelFormat::Bits1:
        case PixelFormat::Bits4:
        case PixelFormat::Bits8:
            return source.bitCount == bitsOf(format) && source.palette == palette;
        case PixelFormat::Bits24:
            return source.bitCount == 24;
        case PixelFormat::Bits15:
            return source.bitCount == 16 &&
                   source.masks == std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F};
        case PixelFormat::Bits16:
            return source.bitCount == 16 &&
                   source.masks == std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F};
        default:
            return false;
    }
}

// The usual plug-in output into the usual 32-bit bitmap, byte by byte without the detour through
// 0x00RRGGBB values; false when the pair is not one of those.
bool widenRow(const DibSource& source, int y, PixelFormat format, std::uint8_t* out) {
    if (format != PixelFormat::Device && format != PixelFormat::Bits32) return false;
    const bool plain32 =
        source.bitCount == 32 && source.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
    if (source.bitCount != 24 && !plain32) return false;
    const std::uint8_t* in = source.row(y);
    const std::size_t step = plain32 ? 4 : 3;
    for (int x = 0; x < source.width; ++x, in += step, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0;  // the fourth byte of a 32-bit source may be alpha: it is not ours to keep
    }
    return true;
}

bool overlaps(const DibSource& source, const std::vector<std::uint8_t>& pixels) {
    const auto* begin = pixels.data();
    const auto* end = begin + pixels.capacity();
    return source.bits != nullptr && pixels.capacity() > 0 && std::less_equal<>()(begin, source.bits) &&
           std::less<>()(source.bits, end);
}

}  // namespace

std::vector<std::uint8_t> takeBuffer(std::vector<std::uint8_t>& old, std::size_t size,
                                     const DibSource& source) {
    std::vector<std::uint8_t> pixels;
    if (old.capacity() >= size && !overlaps(source, old)) {
        // Reusing the old rows' memory spares the system zeroing and mapping fresh pages.
        pixels.swap(old);
        pixels.clear();
    } else {
        pixels.reserve(size);
        adviseLargePages(pixels.data(), size);
    }
    return pixels;
}

void convertInto(const DibSource& source, PixelFormat format, std::vector<PaletteEntry> palette,
                 Bitmap& target) {
    if (isPaletteFormat(format) && palette.empty()) palette = defaultPalette(format);
    if (!isPaletteFormat(format)) palette.clear();
    const int bits = bitsOf(format);
    const auto stride = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(source.width), bits));
    const auto height = static_cast<std::size_t>(source.height);
    const std::size_t size = stride * height;
    const bool copyRows = sameLayout(source, format, palette);
    const bool indexed = !copyRows && isPaletteFormat(format) && source.bitCount <= 8;

    // Everything that may fail comes before the target's own rows are taken over.
    std::array<std::uint8_t, 256> map{};
    if (indexed) map = indexMap(source, bits, palette);
    std::optional<RowReader> reader;
    std::optional<NearestMapper> mapper;
    std::vector<std::uint32_t> rgb;
    std::vector<std::uint8_t> indices;
    if (indexed) {
        indices.resize(static_cast<std::size_t>(source.width));
    } else if (!copyRows) {
        reader.emplace(source);
        if (isPaletteFormat(format)) mapper.emplace(palette);
        rgb.resize(static_cast<std::size_t>(source.width));
    }
    std::vector<std::uint8_t> pixels = takeBuffer(BitmapAccess::pixels(target), size, source);

    if (copyRows) {
        // Whole rows without touching each pixel: loading costs little more than a plain copy.
        for (std::size_t y = 0; y < height; ++y) {
            const std::uint8_t* row = source.row(static_cast<int>(y));
            pixels.insert(pixels.end(), row, row + stride);
        }
    } else {
        pixels.resize(size);
        for (std::size_t y = 0; y < height; ++y) {
            std::uint8_t* out = pixels.data() + y * stride;
            if (indexed) {
                readIndices(source.row(static_cast<int>(y)), source.width, source.bitCount, indices.data());
                for (auto& index : indices) index = map[index];
                writeIndices(indices.data(), source.width, bits, out, stride);
            } else if (!widenRow(source, static_cast<int>(y), format, out)) {
                reader->read(static_cast<int>(y), rgb.data());
                writeRow(rgb.data(), source.width, format, out, stride,
                         isPaletteFormat(format) ? &*mapper : nullptr);
            }
        }
    }
    BitmapAccess::assign(target, source.width, source.height, format, std::move(palette), std::move(pixels));
}

}  // namespace obri
