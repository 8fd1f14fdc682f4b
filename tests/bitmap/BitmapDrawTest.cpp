// Drawing a plug-in's BITMAPINFO and rows into bitmaps of every pixel format.
#include <memory>

#include <gtest/gtest.h>

#include "bitmap/BitmapTestUtil.h"

namespace obri::test {
namespace {

struct Source {
    const char* name;
    std::uint32_t headerSize;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;      // written into the info block
    std::array<std::uint32_t, 3> colours;  // how values are read
    std::size_t paletteSize;
    std::uint32_t coloursUsed;
    bool topDown;
    std::uint32_t junk = 0;
};

const std::array<std::uint32_t, 3> k888{0xFF0000, 0xFF00, 0xFF};

std::vector<Source> sources() {
    return {
        {"pal1", 40, 1, 0, {}, {}, 2, 0, false},
        {"pal4_short", 40, 4, 0, {}, {}, 9, 9, false},
        {"pal8", 40, 8, 0, {}, {}, 256, 0, true},
        {"pal8_v5", 124, 8, 0, {}, {}, 40, 40, false},
        {"rgb16_555", 40, 16, 0, {}, {0x7C00, 0x03E0, 0x1F}, 0, 0, false, 0x8000},
        {"rgb16_565", 40, 16, 3, {0xF800, 0x07E0, 0x1F}, {0xF800, 0x07E0, 0x1F}, 0, 0, true},
        {"rgb16_565_v4", 108, 16, 3, {0xF800, 0x07E0, 0x1F}, {0xF800, 0x07E0, 0x1F}, 0, 0, false},
        {"rgb24", 40, 24, 0, {}, k888, 0, 0, false},
        {"rgb24_top_down", 40, 24, 0, {}, k888, 0, 0, true},
        {"rgb32_alpha", 40, 32, 0, {}, k888, 0, 0, false, 0xFF000000},
        {"rgb32_fields_xbgr",
         40,
         32,
         3,
         {0xFF, 0xFF00, 0xFF0000},
         {0xFF, 0xFF00, 0xFF0000},
         0,
         0,
         false,
         0x5A000000},
    };
}

struct Target {
    const char* name;
    PixelFormat format;
    std::vector<PaletteEntry> palette;  // set before drawing when not empty
};

std::vector<Target> targets() {
    return {
        {"Device", PixelFormat::Device, {}},
        {"Bits32", PixelFormat::Bits32, {}},
        {"Bits24", PixelFormat::Bits24, {}},
        {"Bits16", PixelFormat::Bits16, {}},
        {"Bits15", PixelFormat::Bits15, {}},
        {"Bits8_default", PixelFormat::Bits8, {}},
        {"Bits8_own",
         PixelFormat::Bits8,
         {{0, 0, 0, 0},
          {255, 255, 255, 0},
          {0, 0, 255, 0},
          {0, 255, 0, 0},
          {255, 0, 0, 0},
          {90, 140, 200, 0}}},
        {"Bits4", PixelFormat::Bits4, {}},
        {"Bits1", PixelFormat::Bits1, {}},
    };
}

struct Drawn {
    Bytes info;
    Bytes bits;
    int width = 11, height = 4;
    std::vector<std::uint32_t> colours;  // top row first
};

Drawn makeSource(const Source& s, int width = 11, int height = 4) {
    Drawn d;
    d.width = width;
    d.height = height;
    BmpFields f;
    f.headerSize = s.headerSize;
    f.width = width;
    f.height = s.topDown ? -height : height;
    f.bitCount = s.bitCount;
    f.compression = s.compression;
    f.masks = s.masks;
    f.coloursUsed = s.coloursUsed;
    f.palette = makePalette(s.paletteSize);
    Picture p;
    if (s.bitCount <= 8) {
        p = indexPicture(width, height, static_cast<std::uint32_t>(s.paletteSize));
        for (std::uint32_t i : p.values) d.colours.push_back(rgbOf(f.palette[i]));
    } else {
        p = maskedPicture(width, height, s.colours);
        for (std::uint32_t& v : p.values) {
            d.colours.push_back(expectedRgb(v, s.colours));
            v |= s.junk;
        }
    }
    d.bits = packRows(p, s.bitCount, s.topDown);
    f.pixels = d.bits;
    d.info = f.info();
    return d;
}

std::uint32_t quantised(std::uint32_t rgb, int redBits, int greenBits, int blueBits) {
    auto q = [](std::uint32_t c, int bits) {
        const double max = (1 << bits) - 1;
        return static_cast<std::uint32_t>(std::lround(std::lround(c * max / 255.0) * 255.0 / max));
    };
    return (q(rgb >> 16 & 0xFF, redBits) << 16) | (q(rgb >> 8 & 0xFF, greenBits) << 8) |
           q(rgb & 0xFF, blueBits);
}

std::uint32_t nearest(std::uint32_t rgb, const std::vector<PaletteEntry>& palette) {
    long best = -1;
    std::uint32_t answer = 0;
    for (const PaletteEntry& e : palette) {
        const long dr = static_cast<long>(rgb >> 16 & 0xFF) - e.red,
                   dg = static_cast<long>(rgb >> 8 & 0xFF) - e.green,
                   db = static_cast<long>(rgb & 0xFF) - e.blue;
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) best = d, answer = rgbOf(e);
    }
    return answer;
}

class DrawInto : public ::testing::TestWithParam<std::tuple<Source, Target>> {};

TEST_P(DrawInto, ConvertsIntoTheBitmapsOwnFormat) {
    const auto& [source, target] = GetParam();
    const Drawn d = makeSource(source);
    Bitmap b;
    b.setPixelFormat(target.format);
    if (!target.palette.empty()) b.setPalette(target.palette);
    b.setWidth(3);  // an earlier picture of another size
    b.setHeight(7);
    const std::vector<PaletteEntry> palette = b.palette();
    ASSERT_TRUE(b.drawDib(d.info.data(), d.info.size(), d.bits.data(), d.bits.size()));
    EXPECT_EQ(b.pixelFormat(), target.format);
    EXPECT_EQ(b.palette(), palette);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t c : d.colours) {
        switch (target.format) {
            case PixelFormat::Bits16:
                expected.push_back(quantised(c, 5, 6, 5));
                break;
            case PixelFormat::Bits15:
                expected.push_back(quantised(c, 5, 5, 5));
                break;
            case PixelFormat::Bits8:
            case PixelFormat::Bits4:
            case PixelFormat::Bits1:
                expected.push_back(nearest(c, palette));
                break;
            default:
                expected.push_back(c);
        }
    }
    expectPixels(b, d.width, d.height, expected);
}

INSTANTIATE_TEST_SUITE_P(Dib, DrawInto,
                         ::testing::Combine(::testing::ValuesIn(sources()), ::testing::ValuesIn(targets())),
                         [](const ::testing::TestParamInfo<std::tuple<Source, Target>>& row) {
                             return std::string(std::get<0>(row.param).name) + "_into_" +
                                    std::get<1>(row.param).name;
                         });

// One thing wrong with a good 8-bit block per case, in its fields or in the blocks as handed
// over; nothing may change.
using Spoil = void (*)(BmpFields&);
using Cut = void (*)(Bytes& info, Bytes& bits);

struct Refused {
    const char* name;
    Spoil spoil = nullptr;
    Cut cut = nullptr;
};

std::vector<Refused> refusedCases() {
    return {
        {"width_0", [](BmpFields& f) { f.width = 0; }},
        {"width_negative", [](BmpFields& f) { f.width = -5; }},
        {"height_0", [](BmpFields& f) { f.height = 0; }},
        {"width_32769", [](BmpFields& f) { f.width = 32769; }},
        {"height_minus_32769", [](BmpFields& f) { f.height = -32769; }},
        {"height_most_negative", [](BmpFields& f) { f.height = INT32_MIN; }},
        {"too_many_pixels", [](BmpFields& f) { f.width = 32768, f.height = 32768; }},
        {"core_header", [](BmpFields& f) { f.headerSize = 12; }},
        {"bit_count_2", [](BmpFields& f) { f.bitCount = 2; }},
        {"bit_count_0", [](BmpFields& f) { f.bitCount = 0; }},
        {"run_length", [](BmpFields& f) { f.compression = 1; }},
        {"jpeg", [](BmpFields& f) { f.compression = 4; }},
        {"png", [](BmpFields& f) { f.compression = 5; }},
        {"fields_with_8_bits", [](BmpFields& f) { f.compression = 3; }},
        {"colours_257", [](BmpFields& f) { f.coloursUsed = 257; }},
        {"colours_beyond_the_block", [](BmpFields& f) { f.coloursUsed = 200; }},
        {"fields_masks_missing",
         [](BmpFields& f) { f.bitCount = 16, f.compression = 3, f.palette = {}, f.coloursUsed = 0; }},
        {"fields_all_zero",
         [](BmpFields& f) {
             f.bitCount = 16, f.compression = 3, f.masks = {0, 0, 0}, f.palette = {}, f.coloursUsed = 0;
         }},
        {"fields_mask_with_a_hole",
         [](BmpFields& f) {
             f.bitCount = 16, f.compression = 3, f.masks = {0xF00F, 0x0F00, 0}, f.palette = {},
             f.coloursUsed = 0;
         }},
        {"header_larger_than_block", nullptr,
         [](Bytes& info, Bytes&) { info[0] = static_cast<std::uint8_t>(info.size() + 1), info[1] = 0; }},
        {"header_size_huge", nullptr, [](Bytes& info, Bytes&) { info[3] = 0xFF; }},
        {"block_one_byte_short_of_the_table", nullptr, [](Bytes& info, Bytes&) { info.pop_back(); }},
        {"block_shorter_than_a_header", nullptr, [](Bytes& info, Bytes&) { info.resize(39); }},
        {"block_empty", nullptr, [](Bytes& info, Bytes&) { info.clear(); }},
        {"rows_one_byte_short", nullptr, [](Bytes&, Bytes& bits) { bits.pop_back(); }},
        {"no_rows", nullptr, [](Bytes&, Bytes& bits) { bits.clear(); }},
    };
}

class DrawRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(DrawRefused, ReturnsFalseAndChangesNothing) {
    BmpFields f;
    f.width = 5;
    f.height = 3;
    f.bitCount = 8;
    f.palette = makePalette(16);
    f.coloursUsed = 16;
    f.pixels = packRows(indexPicture(5, 3, 16), 8, false);
    {
        Bitmap ok;
        const Bytes info = f.info();
        ASSERT_TRUE(ok.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
    }
    if (GetParam().spoil) GetParam().spoil(f);
    Bytes info = f.info();
    Bytes bits = f.pixels;
    if (GetParam().spoil) bits.resize(std::max<std::size_t>(bits.size(), 64), 0);  // enough for 16-bit rows
    if (GetParam().cut) GetParam().cut(info, bits);
    // Exactly sized heap copies, so that any read past either block is caught under ASan.
    auto infoCopy = std::make_unique<std::uint8_t[]>(info.size());
    auto bitsCopy = std::make_unique<std::uint8_t[]>(bits.size());
    std::copy(info.begin(), info.end(), infoCopy.get());
    std::copy(bits.begin(), bits.end(), bitsCopy.get());
    Bitmap b = sentinelBitmap();
    const Snapshot before = snapshot(b);
    EXPECT_FALSE(b.drawDib(infoCopy.get(), info.size(), bitsCopy.get(), bits.size()));
    EXPECT_EQ(snapshot(b), before);
}

INSTANTIATE_TEST_SUITE_P(Dib, DrawRefused, ::testing::ValuesIn(refusedCases()), ByName());

TEST(DrawDib, RefusesNullBlocks) {
    Bitmap b = sentinelBitmap();
    const Drawn d = makeSource(sources()[2]);
    EXPECT_FALSE(b.drawDib(nullptr, d.info.size(), d.bits.data(), d.bits.size()));
    EXPECT_FALSE(b.drawDib(d.info.data(), d.info.size(), nullptr, d.bits.size()));
    EXPECT_EQ(snapshot(b), snapshot(sentinelBitmap()));
}

TEST(DrawDib, ReadsIndicesBeyondTheTableAsBlackAndAcceptsLargerBlocks) {
    BmpFields f;
    f.width = 4;
    f.height = 1;
    f.bitCount = 8;
    f.palette = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    f.coloursUsed = 2;
    f.pixels = {1, 0, 7, 255};
    Bytes info = f.info();
    info.resize(info.size() + 100, 0xCC);  // blocks may be larger than needed
    Bytes bits = f.pixels;
    bits.resize(64, 0xCC);
    Bitmap b;
    ASSERT_TRUE(b.drawDib(info.data(), info.size(), bits.data(), bits.size()));
    expectPixels(b, 4, 1, {0x3C3228, 0x1E140A, 0, 0});
}

TEST(DrawDib, TopDownRowsAreDrawnUpright) {
    BmpFields f;
    f.width = 1;
    f.height = -3;
    f.bitCount = 24;
    f.pixels = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    const Bytes info = f.info();
    Bitmap b;
    ASSERT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
    expectPixels(b, 1, 3, {0x000001, 0x000002, 0x000003});
    f.height = 3;
    const Bytes bottomUp = f.info();
    ASSERT_TRUE(b.drawDib(bottomUp.data(), bottomUp.size(), f.pixels.data(), f.pixels.size()));
    expectPixels(b, 1, 3, {0x000003, 0x000002, 0x000001});
}

}  // namespace
}  // namespace obri::test

namespace obri::test {
namespace {

// Palettes that make the nearest-entry search work: duplicates (ties go to the first), one green
// level for all, a single entry, and many random ones.
struct PaletteCase {
    const char* name;
    std::vector<PaletteEntry> palette;
};

std::vector<PaletteEntry> randomPalette(std::size_t count, std::uint32_t seed, bool duplicates) {
    std::vector<PaletteEntry> palette;
    for (std::size_t i = 0; i < count; ++i) {
        if (duplicates && i % 3 == 2) {
            palette.push_back(palette[i / 2]);
            continue;
        }
        seed = seed * 1664525u + 1013904223u;
        palette.push_back(PaletteEntry{static_cast<std::uint8_t>(seed >> 8),
                                       static_cast<std::uint8_t>(seed >> 16),
                                       static_cast<std::uint8_t>(seed >> 24), 0});
    }
    return palette;
}

std::vector<PaletteCase> paletteCases() {
    std::vector<PaletteEntry> flatGreen;
    for (int i = 0; i < 64; ++i)
        flatGreen.push_back(
            PaletteEntry{static_cast<std::uint8_t>(i * 4), 128, static_cast<std::uint8_t>(255 - i * 4), 0});
    return {{"random_256", randomPalette(256, 1, false)},
            {"random_with_duplicates", randomPalette(90, 2, true)},
            {"one_green_level", flatGreen},
            {"single_entry", {{7, 8, 9, 0}}},
            // Grey 64 lies as far from both: the first entry must win though the second is met first.
            {"green_pair_around_grey", {{64, 60, 64, 0}, {64, 68, 64, 0}}},
            {"black_and_white_twice", {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}, {255, 255, 255, 0}}}};
}

class NearestEntry : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(NearestEntry, MatchesAPlainScanWithTiesToTheFirst) {
    const std::vector<PaletteEntry>& palette = GetParam().palette;
    BmpFields f;
    f.width = 64;
    f.height = 64;
    f.bitCount = 24;
    Picture p = maskedPicture(64, 64, {0xFF0000, 0xFF00, 0xFF});
    for (std::size_t i = 0; i < 64; ++i) p.values[i] = rgbOf(palette[i % palette.size()]);  // exact hits
    for (std::size_t i = 64; i < 128; ++i)
        p.values[i] = static_cast<std::uint32_t>(i - 64) * 0x040404;  // greys
    f.pixels = packRows(p, 24, false);
    const Bytes info = f.info();
    Bitmap b;
    b.setPixelFormat(PixelFormat::Bits8);
    b.setPalette(palette);
    ASSERT_TRUE(b.drawDib(info.data(), info.size(), f.pixels.data(), f.pixels.size()));
    int misses = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t colour = p.at(x, y);
            std::size_t want = 0;
            long best = -1;
            for (std::size_t i = 0; i < palette.size(); ++i) {
                const long dr = static_cast<long>(colour >> 16 & 0xFF) - palette[i].red,
                           dg = static_cast<long>(colour >> 8 & 0xFF) - palette[i].green,
                           db = static_cast<long>(colour & 0xFF) - palette[i].blue;
                if (const long d = dr * dr + dg * dg + db * db; best < 0 || d < best) best = d, want = i;
            }
            if (b.scanLine(y)[x] != want && ++misses < 5)
                ADD_FAILURE() << x << "," << y << ": index " << int{b.scanLine(y)[x]} << " != " << want;
        }
}

INSTANTIATE_TEST_SUITE_P(Dib, NearestEntry, ::testing::ValuesIn(paletteCases()), ByName());

TEST(DrawDib, FromTheBitmapsOwnRowsDrawsWhatTheRowsHeld) {
    // A smaller picture whose rows are the bitmap's own first rows: the old rows must be read
    // before anything is written over them.
    Bitmap b;
    b.setPixelFormat(PixelFormat::Bits24);
    b.setWidth(8);
    b.setHeight(8);
    for (int y = 0; y < 8; ++y)
        for (std::size_t i = 0; i < b.stride(); ++i) b.scanLine(y)[i] = static_cast<std::uint8_t>(y * 31 + i);
    BmpFields f;
    f.width = 4;
    f.height = -4;
    f.bitCount = 24;
    const Bytes info = f.info();
    const Bytes rows(b.scanLine(0), b.scanLine(0) + b.stride() * 8);
    Bitmap expected = b;
    ASSERT_TRUE(expected.drawDib(info.data(), info.size(), rows.data(), rows.size()));
    ASSERT_TRUE(b.drawDib(info.data(), info.size(), b.scanLine(0), b.stride() * 8));
    EXPECT_EQ(snapshot(b), snapshot(expected));
}

TEST(DrawDib, ABitmapDrawnAgainAndThenRefusedKeepsItsLastPicture) {
    BmpFields big;
    big.width = 40;
    big.height = 30;
    big.bitCount = 24;
    big.pixels = packRows(maskedPicture(40, 30, {0xFF0000, 0xFF00, 0xFF}), 24, false);
    BmpFields small = big;
    small.width = 5;
    small.height = 2;
    small.pixels = packRows(maskedPicture(5, 2, {0xFF0000, 0xFF00, 0xFF}), 24, true);
    small.height = -2;
    const Bytes bigInfo = big.info(), smallInfo = small.info();
    Bitmap b;
    ASSERT_TRUE(b.drawDib(bigInfo.data(), bigInfo.size(), big.pixels.data(), big.pixels.size()));
    ASSERT_TRUE(b.drawDib(smallInfo.data(), smallInfo.size(), small.pixels.data(), small.pixels.size()));
    Bitmap fresh;
    ASSERT_TRUE(fresh.drawDib(smallInfo.data(), smallInfo.size(), small.pixels.data(), small.pixels.size()));
    EXPECT_EQ(snapshot(b), snapshot(fresh));
    const Snapshot before = snapshot(b);
    EXPECT_FALSE(b.drawDib(bigInfo.data(), bigInfo.size(), big.pixels.data(), big.pixels.size() - 1));
    const Bytes truncated = [&] {
        Bytes file = big.build();
        file.resize(file.size() - 1);
        return file;
    }();
    EXPECT_THROW(b.loadFromMemory(truncated.data(), truncated.size()), std::exception);
    EXPECT_EQ(snapshot(b), before);
}

}  // namespace
}  // namespace obri::test
