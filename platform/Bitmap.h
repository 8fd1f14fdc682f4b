#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace obri {

// Pixel formats of the bitmap. Device is the device-dependent format, 32 bits (B, G, R, unused) here.
enum class PixelFormat { Device, Bits1, Bits4, Bits8, Bits15, Bits16, Bits24, Bits32 };

struct PaletteEntry {
    std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// The program's stand-in for the platform's bitmap object. Pixels are kept as DIB rows of the
// bitmap's own pixel format, top row first, each row padded to 4 bytes.
class Bitmap {
  public:
    Bitmap() = default;  // 0 x 0, device-dependent

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat pixelFormat() const { return format_; }
    int bitsPerPixel() const;
    // Setting width or height keeps the pixel format and the pixels that still fit.
    void setWidth(int width);
    void setHeight(int height);
    // Converts the pixels to the new format, colours preserved (to a palette format: nearest entry).
    void setPixelFormat(PixelFormat format);
    // Only the 1-, 4- and 8-bit formats have a colour table (at most 2^bits entries; an empty one
    // gives the format's default table); indices beyond a short table read as black.
    const std::vector<PaletteEntry>& palette() const { return palette_; }
    void setPalette(std::vector<PaletteEntry> palette);

    // BMP files and blocks: core and info headers up to version 5, 1/4/8/16/24/32 bits, RLE4/RLE8,
    // bit fields, top-down. Anything else raises PlatformError with a clear text and leaves the
    // bitmap as it was. Nothing past size bytes is ever read.
    void loadFromFile(const std::string& path);
    void loadFromMemory(const std::uint8_t* data, std::size_t size);

    // Windows BMP in the bitmap's own pixel format, rows bottom-up. saveToFile raises
    // "ﾌｧｲﾙ %s を作成できません" when the file cannot be created.
    void saveToFile(const std::string& path) const;
    std::vector<std::uint8_t> saveToMemory() const;

    // Draws a BITMAPINFO and its pixel rows at 0,0 one to one, as StretchDIBits does: sets width and
    // height to the header's (the absolute height for top-down rows), keeps the pixel format and
    // converts into it. Returns false, drawing nothing and changing nothing, when the header or the
    // blocks are unusable (sizes of 0 or beyond 32768, blocks too short, overflowing arithmetic).
    bool drawDib(const void* info, std::size_t infoSize, const void* bits, std::size_t bitsSize);

    // Row y (0 = top) in the bitmap's own format, and the bytes per row.
    const std::uint8_t* scanLine(int y) const;
    std::uint8_t* scanLine(int y);
    std::size_t stride() const { return stride_; }
    // The colour of one pixel as 0xRRGGBB.
    std::uint32_t pixelRgb(int x, int y) const;
    // All pixels as 32-bit 0xFFRRGGBB, top row first (for showing on screen).
    std::vector<std::uint32_t> toArgb32() const;

  private:
    friend struct BitmapAccess;  // the loaders and converters in Bitmap*.cpp

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Device;
    std::size_t stride_ = 0;
    std::vector<PaletteEntry> palette_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace obri
