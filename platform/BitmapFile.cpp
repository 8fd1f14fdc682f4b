// Reading BMP files and blocks of every common variant, and reading whole files from disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <new>

#include "platform/BitmapInternal.h"
#include "platform/BitmapIo.h"
#include "platform/Error.h"
#include "platform/Texts.h"

namespace obri {

namespace {

// Why a BMP was refused; turned into the user's text by the public functions.
struct Refusal {
    const char* reason;
};

[[noreturn]] void refuse(const char* reason) { throw Refusal{reason}; }

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }

constexpr std::size_t kFileHeader = 14;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5,
                        kAlphaBitFields = 6;

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 1, bitCount = 0, compression = kRgb, imageSize = 0, coloursUsed = 0;
    std::array<std::uint32_t, 3> masks{};
    bool core = false;
};

bool knownHeaderSize(std::uint32_t size) {
    switch (size) {
        case 12:
        case 16:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            return true;
        default:
            return false;
    }
}

Header readHeader(const std::uint8_t* data, std::size_t size) {
    Header h;
    h.size = u32(data + kFileHeader);
    if (!knownHeaderSize(h.size)) refuse(texts::kBitmapBroken);
    if (size < kFileHeader + h.size) refuse(texts::kBitmapTruncated);
    const std::uint8_t* p = data + kFileHeader;
    if (h.size == 12) {
        h.core = true;
        h.width = u16(p + 4);
        h.height = static_cast<std::int16_t>(u16(p + 6));
        h.planes = u16(p + 8);
        h.bitCount = u16(p + 10);
        return h;
    }
    h.width = i32(p + 4);
    h.height = i32(p + 8);
    h.planes = u16(p + 12);
    h.bitCount = u16(p + 14);
    if (h.size >= 40) {
        h.compression = u32(p + 16);
        h.imageSize = u32(p + 20);
        h.coloursUsed = u32(p + 32);
    }
    // The 64-byte header of the other windowing system numbers its compressions differently
    // (3 is a fax code, 4 a 24-bit run length): only the shared ones are read.
    if (h.size == 64 && h.compression > kRle4) refuse(texts::kBitmapUnsupported);
    if (h.size >= 52) h.masks = {u32(p + 40), u32(p + 44), u32(p + 48)};
    return h;
}

bool contiguous(std::uint32_t mask) {
    if (mask == 0) return true;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

void checkMasks(const Header& h) {
    const std::uint64_t limit = h.bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
    if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0) refuse(texts::kBitmapBroken);
    for (std::uint32_t mask : h.masks)
        if (mask > limit || !contiguous(mask)) refuse(texts::kBitmapBroken);
}

// Checks bit count and compression together and fills in the masks the pixels are read with.
// Returns the bytes of masks that follow the header.
std::size_t settleLayout(Header& h, std::size_t size) {
    const auto bc = h.bitCount;
    switch (h.compression) {
        case kRgb:
            if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32)
                refuse(texts::kBitmapUnsupported);
            if (h.core && (bc == 16 || bc == 32)) refuse(texts::kBitmapUnsupported);
            if (bc == 16) h.masks = {0x7C00, 0x03E0, 0x001F};
            if (bc == 32) h.masks = {0xFF0000, 0xFF00, 0xFF};
            return 0;
        case kRle8:
        case kRle4:
            if (bc != (h.compression == kRle8 ? 8u : 4u)) refuse(texts::kBitmapBroken);
            if (h.height < 0) refuse(texts::kBitmapBroken);  // run lengths are bottom-up only
            return 0;
        case kBitFields:
        case kAlphaBitFields: {
            if (bc != 16 && bc != 32) refuse(texts::kBitmapBroken);
            std::size_t extra = 0;
            if (h.size == 40) {
                extra = h.compression == kAlphaBitFields ? 16 : 12;
                if (size < kFileHeader + 40 + extra) refuse(texts::kBitmapTruncated);
            } else if (h.size < 52) {
                refuse(texts::kBitmapBroken);
            }
            return extra;
        }
        case kJpeg:
        case kPng:
            refuse(texts::kBitmapEmbedded);
        default:
            refuse(texts::kBitmapUnsupported);
    }
}

PixelFormat formatFor(const Header& h) {
    switch (h.bitCount) {
        case 1:
            return PixelFormat::Bits1;
        case 4:
            return PixelFormat::Bits4;
        case 8:
            return PixelFormat::Bits8;
        case 24:
            return PixelFormat::Bits24;
        case 16:
            if (h.masks == std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}) return PixelFormat::Bits15;
            if (h.masks == std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}) return PixelFormat::Bits16;
            return PixelFormat::Bits24;
        default:
            return PixelFormat::Bits32;
    }
}

// Reads the colour table; its length is bounded by where the pixels start.
std::vector<PaletteEntry> readPalette(const Header& h, const std::uint8_t* data, std::size_t tableStart,
                                      std::size_t pixelStart) {
    if (h.bitCount > 8) return {};
    const std::size_t entrySize = h.core ? 3 : 4;
    const std::uint64_t full = std::uint64_t{1} << h.bitCount;
    const std::uint64_t room = (pixelStart - tableStart) / entrySize;
    std::uint64_t count = h.coloursUsed == 0 ? full : h.coloursUsed;
    if (count > full) {
        // An oversized table is harmless when it really is there; a count nothing backs is broken.
        if (count > room) refuse(texts::kBitmapBroken);
        count = full;
    }
    count = std::min(count, room);
    std::vector<PaletteEntry> palette(count);
    const std::uint8_t* p = data + tableStart;
    for (auto& entry : palette) {
        entry = PaletteEntry{p[0], p[1], p[2], 0};
        p += entrySize;
    }
    return palette;
}

// Run-length data into packed rows, top row first. Pixels beyond the right edge are dropped;
// anything below the last row, or a stream that ends before the picture is complete, is refused.
std::vector<std::uint8_t> decodeRle(const std::uint8_t* s, std::size_t length, int width, int height,
                                    int bits) {
    const auto stride = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(width), bits));
    std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(height), 0);
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width) {
            std::uint8_t* row = out.data() + stride * static_cast<std::size_t>(height - 1 - y);
            if (bits == 8)
                row[x] = index;
            else
                row[x >> 1] |= static_cast<std::uint8_t>((index & 0xF) << ((x & 1) ? 0 : 4));
        }
        ++x;
    };
    std::size_t pos = 0;
    for (;;) {
        if (pos + 2 > length) {
            if (y >= height) return out;
            refuse(texts::kBitmapTruncated);
        }
        const std::uint8_t count = s[pos], code = s[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= height) refuse(texts::kBitmapBroken);
            for (int i = 0; i < count && x <= width; ++i)
                put(bits == 8 ? code : static_cast<std::uint8_t>((i & 1) ? code & 0xF : code >> 4));
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return out;
        } else if (code == 2) {
            if (pos + 2 > length) refuse(texts::kBitmapTruncated);
            x = std::min<std::int64_t>(x + s[pos], width);
            y += s[pos + 1];
            pos += 2;
            if (y > height) refuse(texts::kBitmapBroken);
        } else {
            const std::size_t bytes = bits == 8 ? code : (code + 1u) / 2;
            if (pos + bytes > length) refuse(texts::kBitmapTruncated);
            if (y >= height) refuse(texts::kBitmapBroken);
            for (int i = 0; i < code && x <= width; ++i)
                put(bits == 8
                        ? s[pos + i]
                        : static_cast<std::uint8_t>((i & 1) ? s[pos + i / 2] & 0xF : s[pos + i / 2] >> 4));
            pos += bytes + (bytes & 1);
        }
    }
}

// Every index must name an entry of the table.
void checkIndices(const DibSource& source) {
    if (source.palette.size() >= (std::size_t{1} << source.bitCount)) return;
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(source.width));
    for (int y = 0; y < source.height; ++y) {
        readIndices(source.row(y), source.width, source.bitCount, indices.data());
        std::uint8_t highest = 0;
        for (std::uint8_t index : indices) highest = std::max(highest, index);
        if (highest >= source.palette.size()) refuse(texts::kBitmapBroken);
    }
}

void parseBmp(const std::uint8_t* data, std::size_t size, Bitmap& target) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') refuse(texts::kBitmapNotBmp);
    if (size < kFileHeader + 4) refuse(texts::kBitmapTruncated);
    Header h = readHeader(data, size);
    if (h.planes != 1) refuse(texts::kBitmapBroken);
    const std::size_t maskBytes = settleLayout(h, size);
    if (h.size == 40 && maskBytes > 0) h.masks = {u32(data + 54), u32(data + 58), u32(data + 62)};
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) checkMasks(h);

    const std::int64_t height = h.height < 0 ? -h.height : h.height;
    if (h.width <= 0 || height == 0 || !sizeAllowed(h.width, height)) refuse(texts::kBitmapBadSize);
    if (u32(data + 2) > size) refuse(texts::kBitmapTruncated);  // the file says it is longer

    const std::size_t tableStart = kFileHeader + h.size + maskBytes;
    std::uint64_t pixelStart = u32(data + 10);
    if (pixelStart == 0) pixelStart = tableStart + (h.bitCount <= 8 ? (std::size_t{4} << h.bitCount) : 0);
    if (pixelStart < tableStart) refuse(texts::kBitmapBroken);
    if (pixelStart >= size) refuse(texts::kBitmapTruncated);
    const std::size_t available = size - static_cast<std::size_t>(pixelStart);
    if (h.imageSize > available) refuse(texts::kBitmapTruncated);

    DibSource source;
    source.width = static_cast<int>(h.width);
    source.height = static_cast<int>(height);
    source.topDown = h.height < 0;
    source.bitCount = static_cast<int>(h.bitCount);
    source.masks = h.masks;
    source.palette = readPalette(h, data, tableStart, static_cast<std::size_t>(pixelStart));
    source.stride = static_cast<std::size_t>(rowBytes(static_cast<std::uint64_t>(h.width), h.bitCount));
    std::vector<std::uint8_t> decoded;
    const std::uint8_t* pixels = data + pixelStart;
    if (h.compression == kRle8 || h.compression == kRle4) {
        decoded = decodeRle(pixels, h.imageSize ? h.imageSize : available, source.width, source.height,
                            source.bitCount);
        source.bits = decoded.data();
        source.topDown = true;
    } else {
        if (source.stride * static_cast<std::uint64_t>(height) > available) refuse(texts::kBitmapTruncated);
        source.bits = pixels;
    }
    if (source.bitCount <= 8) checkIndices(source);
    std::vector<PaletteEntry> palette = source.palette;
    convertInto(source, formatFor(h), std::move(palette), target);
}

std::string withReason(std::string text, const char* reason) { return text + "（" + reason + "）"; }

}  // namespace

// Parsing goes straight into the bitmap: every check comes before its pixels are touched, so a
// refused file leaves it as it was, and a bitmap used again keeps its rows' memory.
void Bitmap::loadFromMemory(const std::uint8_t* data, std::size_t size) {
    try {
        parseBmp(data, data ? size : 0, *this);
    } catch (const Refusal& refusal) {
        throw PlatformError(withReason(texts::kBitmapDataUnreadable, refusal.reason));
    } catch (const std::bad_alloc&) {
        throw PlatformError(texts::kBitmapTooLarge);
    }
}

void Bitmap::loadFromFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    try {
        parseBmp(bytes.data(), bytes.size(), *this);
    } catch (const Refusal& refusal) {
        throw PlatformError(withReason(formatText(texts::kBitmapFileUnreadable, path), refusal.reason));
    } catch (const std::bad_alloc&) {
        throw PlatformError(formatText(texts::kBitmapFileUnreadable, path) + "（" + texts::kBitmapTooLarge +
                            "）");
    }
}

}  // namespace obri
