#pragma once
// Shared by the Bitmap*.cpp files only: row layout, the description of a DIB in memory, and the
// row converters every path (loading, drawing, changing the format) goes through.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Bitmap.h"

namespace obri {

// Largest picture the bitmap accepts: each side at most this, and at most kMaxPixels in all, so a
// hostile header cannot make us allocate gigabytes.
inline constexpr int kMaxSide = 32768;
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

int bitsOf(PixelFormat format);
bool isPaletteFormat(PixelFormat format);
// Bytes per row, padded to 4; 0 when the arithmetic would overflow.
std::uint64_t rowBytes(std::uint64_t width, unsigned bits);
// The palette a palette format gets when it has none.
std::vector<PaletteEntry> defaultPalette(PixelFormat format);
bool sizeAllowed(std::int64_t width, std::int64_t height);

// A picture in DIB layout that is not (yet) a Bitmap: file contents, a plug-in's block, or a
// Bitmap's own rows. Colours of direct formats come from masks.
struct DibSource {
    int width = 0;
    int height = 0;
    bool topDown = true;
    int bitCount = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue (for 16 and 32 bits)
    std::vector<PaletteEntry> palette;     // for 1, 4 and 8 bits
    const std::uint8_t* bits = nullptr;
    std::size_t stride = 0;

    const std::uint8_t* row(int y) const {
        return bits + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
    }
};

// The source view of a bitmap's own rows.
DibSource sourceOf(const Bitmap& bitmap);

// Reads rows of a source as 0x00RRGGBB; channels wider or narrower than 8 bits are scaled exactly
// (rounded), palette indices beyond the table read as black.
class RowReader {
  public:
    explicit RowReader(const DibSource& source);
    void read(int y, std::uint32_t* out) const;

  private:
    struct Channel {
        std::uint32_t mask = 0;
        unsigned shift = 0;
        std::uint64_t max = 0;
        std::vector<std::uint8_t> table;  // scaled values when the channel is narrow
        std::uint8_t scale(std::uint32_t pixel) const;
    };
    const DibSource& source_;
    std::array<std::uint32_t, 256> colours_{};
    std::array<Channel, 3> channels_;
    bool plainBgr_ = false;  // 32 bits with the usual masks
};

// Finds the nearest palette entry (squared distance, first entry on ties), remembering recent
// answers so that pictures with few colours map quickly.
class NearestMapper {
  public:
    explicit NearestMapper(const std::vector<PaletteEntry>& palette);
    std::uint8_t map(std::uint32_t rgb);

  private:
    struct Entry {
        int red, green, blue, index;
    };
    std::uint8_t search(std::uint32_t rgb) const;
    std::vector<Entry> byGreen_;  // the palette sorted by green, to stop searching early
    static constexpr unsigned kCacheBits = 14;
    static constexpr std::size_t kCacheSize = std::size_t{1} << kCacheBits;
    std::vector<std::uint32_t> keys_;  // rgb | 0x01000000 when filled
    std::vector<std::uint8_t> values_;
};

// Writes 0x00RRGGBB values as one row of a format; padding bytes are zeroed.
void writeRow(const std::uint32_t* in, int width, PixelFormat format, std::uint8_t* out, std::size_t stride,
              NearestMapper* mapper);
// Packed palette indices of one row, one byte per pixel.
void readIndices(const std::uint8_t* row, int width, int bits, std::uint8_t* out);
void writeIndices(const std::uint8_t* in, int width, int bits, std::uint8_t* out, std::size_t stride);

// Asks the system to back a large, untouched block with large pages, so that filling it faults
// in a few dozen pages rather than thousands.
void adviseLargePages(void* data, std::size_t size);
// A buffer with room for size bytes for new rows: the old rows' buffer when it is large enough and
// not the source, else a new one. The old buffer is only taken when no exception can follow.
std::vector<std::uint8_t> takeBuffer(std::vector<std::uint8_t>& old, std::size_t size,
                                     const DibSource& source);

// Draws source into a picture of the given format and palette (palette formats only), replacing
// target's size, format, palette and pixels. Raises only std::bad_alloc, and then before target
// has changed. The source must not be target's own rows.
void convertInto(const DibSource& source, PixelFormat format, std::vector<PaletteEntry> palette,
                 Bitmap& target);

struct BitmapAccess {
    static void assign(Bitmap& bitmap, int width, int height, PixelFormat format,
                       std::vector<PaletteEntry> palette, std::vector<std::uint8_t> pixels);
    static std::vector<std::uint8_t>& pixels(Bitmap& bitmap) { return bitmap.pixels_; }
};

}  // namespace obri
