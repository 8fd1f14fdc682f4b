#include "tools/pmsconv/BmpReader.h"

#include <cstring>

namespace obri::tools {
namespace {

uint32_t u16(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t u32(const std::string& b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

struct Layout {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t masks[3] = {};
    bool topDown = false;
};

bool fail(std::string& error, const char* reason) {
    error = reason;
    return false;
}

bool readHeader(const std::string& b, Layout& l, std::string& error) {
    if (b.size() < 14 + 12 || b[0] != 'B' || b[1] != 'M') return fail(error, "not a BMP file");
    l.headerSize = u32(b, 14);
    bool core = l.headerSize == 12;
    if (!core && l.headerSize != 40 && l.headerSize != 52 && l.headerSize != 56 && l.headerSize != 108 &&
        l.headerSize != 124)
        return fail(error, "unknown BMP header size");
    if (b.size() < 14 + static_cast<size_t>(l.headerSize)) return fail(error, "BMP header cut short");
    if (core) {
        l.width = u16(b, 18);
        l.height = u16(b, 20);
        l.bits = u16(b, 24);
        return true;
    }
    l.width = static_cast<int32_t>(u32(b, 18));
    l.height = static_cast<int32_t>(u32(b, 22));
    l.bits = u16(b, 28);
    l.compression = u32(b, 30);
    l.coloursUsed = u32(b, 46);
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    if (l.compression == 3) {
        size_t at = 14 + 40;
        if (l.headerSize == 40 && b.size() < at + 12) return fail(error, "BMP masks cut short");
        for (int i = 0; i < 3; ++i) l.masks[i] = u32(b, at + 4 * static_cast<size_t>(i));
    }
    return true;
}

bool checkLayout(const Layout& l, std::string& error) {
    if (l.width <= 0 || l.height <= 0 || l.width > 32768 || l.height > 32768)
        return fail(error, "BMP size out of range");
    if (l.compression == 1 || l.compression == 2) return fail(error, "run-length BMP is not supported");
    bool fields = l.compression == 3 && (l.bits == 16 || l.bits == 32);
    if (l.compression != 0 && !fields) return fail(error, "unsupported BMP compression");
    if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32)
        return fail(error, "unsupported BMP bit depth");
    if (fields && (l.masks[0] == 0 || l.masks[1] == 0 || l.masks[2] == 0))
        return fail(error, "empty BMP bit mask");
    return true;
}

bool readPalette(const std::string& b, const Layout& l, BmpPicture& p, std::string& error) {
    uint32_t most = 1u << l.bits;
    uint32_t count = l.coloursUsed == 0 ? most : l.coloursUsed;
    if (count > most) return fail(error, "BMP palette larger than its bit depth allows");
    size_t entry = l.headerSize == 12 ? 3 : 4;
    size_t at = 14 + l.headerSize;
    if (b.size() < at + count * entry) return fail(error, "BMP palette cut short");
    for (uint32_t i = 0; i < count; ++i, at += entry)
        p.palette.push_back(
            {static_cast<uint8_t>(b[at + 2]), static_cast<uint8_t>(b[at + 1]), static_cast<uint8_t>(b[at])});
    return true;
}

uint8_t maskedChannel(uint32_t value, uint32_t mask) {
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    uint32_t max = mask >> shift;
    return static_cast<uint8_t>(uint64_t{(value & mask) >> shift} * 255u / max);
}

void readPixel(const Layout& l, const unsigned char* row, int64_t x, uint8_t* out) {
    if (l.bits <= 8) {
        size_t bit = static_cast<size_t>(x) * l.bits;
        out[0] = static_cast<uint8_t>((row[bit / 8] >> (8 - l.bits - bit % 8)) & ((1u << l.bits) - 1));
        return;
    }
    if (l.bits == 24) {
        const unsigned char* p = row + x * 3;
        out[0] = p[2], out[1] = p[1], out[2] = p[0];
        return;
    }
    uint32_t v = l.bits == 16 ? (row[x * 2] | uint32_t{row[x * 2 + 1]} << 8)
                              : (row[x * 4] | uint32_t{row[x * 4 + 1]} << 8 | uint32_t{row[x * 4 + 2]} << 16 |
                                 uint32_t{row[x * 4 + 3]} << 24);
    uint32_t r = 0x7C00, g = 0x03E0, bl = 0x001F;
    if (l.bits == 32) r = 0xFF0000, g = 0xFF00, bl = 0xFF;
    if (l.compression == 3) r = l.masks[0], g = l.masks[1], bl = l.masks[2];
    out[0] = maskedChannel(v, r), out[1] = maskedChannel(v, g), out[2] = maskedChannel(v, bl);
}

}  // namespace

bool readBmp(const std::string& b, BmpPicture& p, std::string& error) {
    Layout l;
    if (!readHeader(b, l, error) || !checkLayout(l, error)) return false;
    p = BmpPicture{};
    p.width = static_cast<int>(l.width);
    p.height = static_cast<int>(l.height);
    p.indexed = l.bits <= 8;
    if (p.indexed && !readPalette(b, l, p, error)) return false;
    size_t offBits = u32(b, 10);
    size_t stride = (static_cast<size_t>(l.width) * l.bits + 31) / 32 * 4;
    if (offBits < 14 + l.headerSize || offBits > b.size() ||
        (b.size() - offBits) / stride < static_cast<size_t>(l.height))
        return fail(error, "BMP pixel data cut short");
    size_t channels = p.indexed ? 1 : 3;
    p.pixels.resize(static_cast<size_t>(l.width) * static_cast<size_t>(l.height) * channels);
    const auto* data = reinterpret_cast<const unsigned char*>(b.data()) + offBits;
    for (int64_t y = 0; y < l.height; ++y) {
        const unsigned char* row = data + stride * static_cast<size_t>(l.topDown ? y : l.height - 1 - y);
        uint8_t* out = p.pixels.data() + static_cast<size_t>(y * l.width) * channels;
        for (int64_t x = 0; x < l.width; ++x, out += channels) {
            readPixel(l, row, x, out);
            if (p.indexed && out[0] >= p.palette.size()) return fail(error, "BMP pixel beyond its palette");
        }
    }
    return true;
}

}  // namespace obri::tools
