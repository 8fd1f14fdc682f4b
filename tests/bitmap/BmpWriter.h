#pragma once
// Builds BMP files and BITMAPINFO blocks field by field for the tests, and a small picture to put
// in them, so every byte of a test input is explained by the test that made it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Bitmap.h"

namespace obri::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
inline std::uint32_t get32(const Bytes& in, std::size_t at) {
    return in[at] | (std::uint32_t{in[at + 1]} << 8) | (std::uint32_t{in[at + 2]} << 16) |
           (std::uint32_t{in[at + 3]} << 24);
}
inline std::uint16_t get16(const Bytes& in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

// A picture as the test means it: width x height values, top row first. For palette pictures the
// values are indices, otherwise raw channel values packed by the masks.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> values;
    std::uint32_t at(int x, int y) const { return values[static_cast<std::size_t>(y * width + x)]; }
};

inline std::vector<PaletteEntry> makePalette(std::size_t count) {
    std::vector<PaletteEntry> palette;
    for (std::size_t i = 0; i < count; ++i)
        palette.push_back(PaletteEntry{static_cast<std::uint8_t>(i * 37 + 5),
                                       static_cast<std::uint8_t>(i * 91 + 11),
                                       static_cast<std::uint8_t>(255 - i * 13), 0});
    return palette;
}

inline std::uint32_t rgbOf(const PaletteEntry& e) {
    return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
}

// Indices 0..colours-1 spread over the picture.
inline Picture indexPicture(int width, int height, std::uint32_t colours) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.values.push_back(static_cast<std::uint32_t>(x * 37 + y * 101) % colours);
    return p;
}

// Pixel values made of channel values spread over each mask's range.
inline Picture maskedPicture(int width, int height, const std::array<std::uint32_t, 3>& masks) {
    Picture p{width, height, {}};
    std::uint32_t seed = 12345;
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t value = 0;
        for (std::uint32_t mask : masks) {
            seed = seed * 1103515245u + 12345u;
            value |= (seed >> 7) & mask;
        }
        p.values.push_back(value);
    }
    return p;
}

// The colour a masked value stands for, each channel scaled to 0..255 and rounded.
inline std::uint32_t expectedRgb(std::uint32_t value, const std::array<std::uint32_t, 3>& masks) {
    std::uint32_t rgb = 0;
    for (std::uint32_t mask : masks) {
        rgb <<= 8;
        if (mask == 0) continue;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        const double max = static_cast<double>(mask >> shift);
        const double v = static_cast<double>((value & mask) >> shift);
        rgb |= static_cast<std::uint32_t>(std::lround(v * 255.0 / max));
    }
    return rgb;
}

// Rows in file layout: padded to 4 bytes, bottom-up unless topDown.
inline Bytes packRows(const Picture& p, int bitCount, bool topDown) {
    const std::size_t stride = (static_cast<std::size_t>(p.width) * bitCount + 31) / 32 * 4;
    Bytes out(stride * static_cast<std::size_t>(p.height), 0);
    for (int y = 0; y < p.height; ++y) {
        std::uint8_t* row = out.data() + stride * static_cast<std::size_t>(topDown ? y : p.height - 1 - y);
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v = p.at(x, y);
            switch (bitCount) {
                case 1:
                    row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(v);
                    break;
                default:
                    for (int b = 0; b < bitCount / 8; ++b)
                        row[x * bitCount / 8 + b] = static_cast<std::uint8_t>(v >> (8 * b));
            }
        }
    }
    return out;
}

// Every field of a BMP file, defaults filled in by build().
struct BmpFields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::optional<std::uint32_t> imageSize;  // default: the pixel bytes' length
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;  // after a 40-byte header, or inside a larger one
    std::vector<PaletteEntry> palette;
    Bytes pixels;
    std::optional<std::uint32_t> offBits;   // default: right after the colour table
    std::optional<std::uint32_t> fileSize;  // default: the real size
    std::size_t gap = 0;                    // bytes between the table and the pixels

    // The info block alone (header, masks, colours), as plug-ins hand it over.
    Bytes info() const {
        Bytes out;
        put32(out, headerSize);
        if (headerSize == 12) {
            put16(out, static_cast<std::uint32_t>(width));
            put16(out, static_cast<std::uint32_t>(height));
            put16(out, planes);
            put16(out, bitCount);
        } else {
            put32(out, static_cast<std::uint32_t>(width));
            put32(out, static_cast<std::uint32_t>(height));
            put16(out, planes);
            put16(out, bitCount);
            put32(out, compression);
            put32(out, imageSize.value_or(static_cast<std::uint32_t>(pixels.size())));
            put32(out, 2835);
            put32(out, 2835);
            put32(out, coloursUsed);
            put32(out, 0);
            if (headerSize > 40) {
                const std::size_t room = std::min<std::size_t>(4, (headerSize - 40) / 4);
                for (std::size_t i = 0; i < room; ++i) put32(out, i < masks.size() ? masks[i] : 0);
            } else {
                for (std::uint32_t m : masks) put32(out, m);
            }
            while (out.size() < headerSize + (headerSize == 40 ? masks.size() * 4 : 0)) out.push_back(0);
        }
        for (const PaletteEntry& e : palette) {
            out.push_back(e.blue);
            out.push_back(e.green);
            out.push_back(e.red);
            if (headerSize != 12) out.push_back(0);
        }
        return out;
    }

    Bytes build() const {
        const Bytes block = info();
        const std::size_t offset = 14 + block.size() + gap;
        Bytes out;
        out.push_back('B');
        out.push_back('M');
        put32(out, fileSize.value_or(static_cast<std::uint32_t>(offset + pixels.size())));
        put32(out, 0);
        put32(out, offBits.value_or(static_cast<std::uint32_t>(offset)));
        out.insert(out.end(), block.begin(), block.end());
        out.insert(out.end(), gap, 0xEE);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

}  // namespace obri::test
