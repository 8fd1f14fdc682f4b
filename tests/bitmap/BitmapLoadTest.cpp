// Loading BMP files of every variant we promise to read, and refusing everything else unchanged.
#include <gtest/gtest.h>

#include "bitmap/BitmapTestUtil.h"
#include "platform/Error.h"

namespace obri::test {
namespace {

constexpr std::array<std::uint32_t, 3> kMasks555{0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks565{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks888{0xFF0000, 0xFF00, 0xFF};

struct Variant {
    const char* name;
    std::uint32_t headerSize;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::vector<std::uint32_t> fileMasks;  // as written into the file
    std::array<std::uint32_t, 3> colours;  // how the pixel values are read
    std::size_t paletteSize;               // entries written
    std::uint32_t coloursUsed;
    bool topDown;
    PixelFormat expected;
    std::uint32_t junk = 0;  // set in every pixel value outside the masks
    int width = 13;
};

std::vector<Variant> variants() {
    const std::vector<std::uint32_t> none;
    return {
        {"pal1", 40, 1, 0, none, {}, 2, 0, false, PixelFormat::Bits1, 0, 35},
        {"pal1_one_colour", 40, 1, 0, none, {}, 1, 1, false, PixelFormat::Bits1},
        {"pal4_short_table", 40, 4, 0, none, {}, 12, 12, false, PixelFormat::Bits4},
        {"pal4_full", 40, 4, 0, none, {}, 16, 0, true, PixelFormat::Bits4},
        {"pal8_full", 40, 8, 0, none, {}, 256, 0, false, PixelFormat::Bits8},
        {"pal8_short_table", 40, 8, 0, none, {}, 20, 20, false, PixelFormat::Bits8},
        {"pal8_top_down", 40, 8, 0, none, {}, 100, 100, true, PixelFormat::Bits8, 0, 4},
        {"pal8_core", 12, 8, 0, none, {}, 256, 0, false, PixelFormat::Bits8},
        {"pal4_core", 12, 4, 0, none, {}, 16, 0, false, PixelFormat::Bits4},
        {"pal8_v2", 52, 8, 0, none, {}, 30, 30, false, PixelFormat::Bits8},
        {"pal8_v3", 56, 8, 0, none, {}, 30, 30, false, PixelFormat::Bits8},
        {"pal8_v4", 108, 8, 0, none, {}, 30, 30, true, PixelFormat::Bits8},
        {"pal8_v5", 124, 8, 0, none, {}, 30, 30, false, PixelFormat::Bits8},
        {"pal8_os2v2", 64, 8, 0, none, {}, 30, 30, false, PixelFormat::Bits8},
        {"rgb16", 40, 16, 0, none, kMasks555, 0, 0, false, PixelFormat::Bits15, 0x8000},
        {"rgb16_fields_555",
         40,
         16,
         3,
         {0x7C00, 0x03E0, 0x001F},
         kMasks555,
         0,
         0,
         false,
         PixelFormat::Bits15},
        {"rgb16_565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, kMasks565, 0, 0, false, PixelFormat::Bits16},
        {"rgb16_565_v4_top_down",
         108,
         16,
         3,
         {0xF800, 0x07E0, 0x001F},
         kMasks565,
         0,
         0,
         true,
         PixelFormat::Bits16},
        {"rgb16_444",
         124,
         16,
         3,
         {0x0F00, 0x00F0, 0x000F, 0xF000},
         {0x0F00, 0x00F0, 0x000F},
         0,
         0,
         false,
         PixelFormat::Bits24,
         0xF000},
        {"rgb16_231", 40, 16, 3, {0x30, 0x0E, 0x01}, {0x30, 0x0E, 0x01}, 0, 0, false, PixelFormat::Bits24},
        {"rgb24", 40, 24, 0, none, kMasks888, 0, 0, false, PixelFormat::Bits24},
        {"rgb24_top_down", 40, 24, 0, none, kMasks888, 0, 0, true, PixelFormat::Bits24, 0, 1},
        {"rgb24_core", 12, 24, 0, none, kMasks888, 0, 0, false, PixelFormat::Bits24},
        {"rgb24_unused_table", 40, 24, 0, none, kMasks888, 7, 7, false, PixelFormat::Bits24},
        {"rgb32_alpha_byte", 40, 32, 0, none, kMasks888, 0, 0, false, PixelFormat::Bits32, 0xAB000000},
        {"rgb32_fields", 40, 32, 3, {0xFF0000, 0xFF00, 0xFF}, kMasks888, 0, 0, false, PixelFormat::Bits32},
        {"rgb32_xbgr",
         124,
         32,
         3,
         {0xFF, 0xFF00, 0xFF0000},
         {0xFF, 0xFF00, 0xFF0000},
         0,
         0,
         false,
         PixelFormat::Bits32,
         0xFF000000},
        {"rgb32_101010",
         40,
         32,
         3,
         {0x3FF00000, 0x000FFC00, 0x000003FF},
         {0x3FF00000, 0x000FFC00, 0x000003FF},
         0,
         0,
         true,
         PixelFormat::Bits32},
        {"rgb32_alpha_fields",
         40,
         32,
         6,
         {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
         kMasks888,
         0,
         0,
         false,
         PixelFormat::Bits32,
         0x7F000000},
    };
}

struct Made {
    Bytes file;
    int width = 0, height = 0;
    std::vector<std::uint32_t> expected;
    std::vector<PaletteEntry> palette;
};

Made make(const Variant& v, int height = 5) {
    Made m;
    m.width = v.width;
    m.height = height;
    BmpFields f;
    f.headerSize = v.headerSize;
    f.width = v.width;
    f.height = v.topDown ? -height : height;
    f.bitCount = v.bitCount;
    f.compression = v.compression;
    f.masks = v.fileMasks;
    f.coloursUsed = v.coloursUsed;
    f.palette = makePalette(v.paletteSize);
    Picture p;
    if (v.bitCount <= 8) {
        p = indexPicture(v.width, height, static_cast<std::uint32_t>(v.paletteSize));
        for (std::uint32_t i : p.values) m.expected.push_back(rgbOf(f.palette[i]));
        m.palette = f.palette;
    } else {
        p = maskedPicture(v.width, height, v.colours);
        for (std::uint32_t& value : p.values) {
            m.expected.push_back(expectedRgb(value, v.colours));
            value |= v.junk;
        }
    }
    f.pixels = packRows(p, v.bitCount, v.topDown);
    m.file = f.build();
    return m;
}

class LoadVariant : public ::testing::TestWithParam<Variant> {};

TEST_P(LoadVariant, GivesTheFilesDepthAndColours) {
    const Made m = make(GetParam());
    Bitmap b;
    b.loadFromMemory(m.file.data(), m.file.size());
    EXPECT_EQ(formatName(b.pixelFormat()), formatName(GetParam().expected));
    expectPixels(b, m.width, m.height, m.expected);
    if (!m.palette.empty()) {
        EXPECT_EQ(b.palette(), m.palette);
    }
}

TEST_P(LoadVariant, SurvivesASaveAndLoadUnchanged) {
    const Made m = make(GetParam());
    Bitmap first;
    first.loadFromMemory(m.file.data(), m.file.size());
    const Bytes saved = first.saveToMemory();
    Bitmap second;
    second.loadFromMemory(saved.data(), saved.size());
    EXPECT_EQ(snapshot(second), snapshot(first));
}

TEST_P(LoadVariant, RefusesEveryTruncationAndKeepsTheOldPicture) {
    Bytes file = make(GetParam(), 3).file;
    Bitmap b = sentinelBitmap();
    const Snapshot before = snapshot(b);
    // Once with the file's own size in its header, once with 0 there, as many writers leave it.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t length = 0; length < file.size(); ++length) {
            // Exactly sized copies, so that reading one byte too far is caught by the sanitizers.
            const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_THROW(b.loadFromMemory(cut.data(), cut.size()), PlatformError) << "length " << length;
        }
        std::fill(file.begin() + 2, file.begin() + 6, 0);
    }
    EXPECT_EQ(snapshot(b), before);
}

INSTANTIATE_TEST_SUITE_P(Bmp, LoadVariant, ::testing::ValuesIn(variants()), ByName());

// Run-length streams written by hand: (count, value) pairs and escapes.
struct RleCase {
    const char* name;
    std::uint16_t bitCount;
    int width, height;
    Bytes stream;
    std::vector<std::uint8_t> indices;  // top row first; empty when the file must be refused
};

std::vector<RleCase> rleCases() {
    return {
        {"rle8_runs_and_literals",
         8,
         5,
         2,
         {3, 1, 0, 3, 4, 5, 6, 0, 0, 0, 2, 7, 0, 3, 8, 9, 1, 0, 0, 1},
         {7, 7, 8, 9, 1, 1, 1, 1, 4, 5}},
        {"rle8_delta_leaves_index_0",
         8,
         4,
         3,
         {1, 2, 0, 2, 2, 1, 1, 3, 0, 1},
         {0, 0, 0, 0, 0, 0, 0, 3, 2, 0, 0, 0}},
        {"rle8_ends_after_last_row_without_end_code", 8, 2, 1, {2, 6, 0, 0}, {6, 6}},
        {"rle8_run_past_right_edge_is_cut", 8, 3, 1, {5, 4, 0, 1}, {4, 4, 4}},
        {"rle4_runs_and_literals",
         4,
         7,
         2,
         {0, 3, 0x12, 0x30, 4, 0x45, 0, 0, 7, 0x9A, 0, 1},
         {9, 10, 9, 10, 9, 10, 9, 1, 2, 3, 4, 5, 4, 5}},
        {"rle8_truncated_in_the_picture", 8, 4, 2, {4, 1, 0, 0, 2, 3}, {}},
        {"rle8_literal_past_the_stream", 8, 4, 1, {0, 4, 1, 2}, {}},
        {"rle8_below_the_last_row", 8, 2, 1, {2, 1, 0, 0, 2, 1, 0, 1}, {}},
        {"rle8_delta_below_the_picture", 8, 2, 2, {0, 2, 0, 3, 0, 1}, {}},
        {"rle8_empty_stream", 8, 2, 2, {}, {}},
    };
}

class LoadRle : public ::testing::TestWithParam<RleCase> {};

TEST_P(LoadRle, DecodesOrRefuses) {
    const RleCase& c = GetParam();
    BmpFields f;
    f.width = c.width;
    f.height = c.height;
    f.bitCount = c.bitCount;
    f.compression = c.bitCount == 8 ? 1 : 2;
    f.palette = makePalette(c.bitCount == 8 ? 16 : 16);
    f.coloursUsed = 16;
    f.pixels = c.stream;
    const Bytes file = f.build();
    Bitmap b = sentinelBitmap();
    const Snapshot before = snapshot(b);
    if (c.indices.empty()) {
        EXPECT_THROW(b.loadFromMemory(file.data(), file.size()), PlatformError);
        EXPECT_EQ(snapshot(b), before);
        return;
    }
    b.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(b.pixelFormat(), c.bitCount == 8 ? PixelFormat::Bits8 : PixelFormat::Bits4);
    std::vector<std::uint32_t> expected;
    for (std::uint8_t i : c.indices) expected.push_back(rgbOf(f.palette[i]));
    expectPixels(b, c.width, c.height, expected);
}

INSTANTIATE_TEST_SUITE_P(Bmp, LoadRle, ::testing::ValuesIn(rleCases()), ByName());

// One field of a good 8-bit file spoilt per case.
struct BadCase {
    const char* name;
    void (*spoil)(BmpFields&);
};

BmpFields good8() {
    BmpFields f;
    f.width = 6;
    f.height = 3;
    f.bitCount = 8;
    f.palette = makePalette(4);
    f.coloursUsed = 4;
    f.pixels = packRows(indexPicture(6, 3, 4), 8, false);
    return f;
}

std::vector<BadCase> badCases() {
    return {
        {"width_0", [](BmpFields& f) { f.width = 0; }},
        {"width_negative", [](BmpFields& f) { f.width = -6; }},
        {"height_0", [](BmpFields& f) { f.height = 0; }},
        {"width_beyond_32768", [](BmpFields& f) { f.width = 32769; }},
        {"height_beyond_32768_top_down", [](BmpFields& f) { f.height = -32769; }},
        {"height_most_negative", [](BmpFields& f) { f.height = INT32_MIN; }},
        {"too_many_pixels", [](BmpFields& f) { f.width = f.height = 30000; }},
        {"absurd_both", [](BmpFields& f) { f.width = 3000000, f.height = 2000000; }},
        {"bit_count_0", [](BmpFields& f) { f.bitCount = 0; }},
        {"bit_count_2", [](BmpFields& f) { f.bitCount = 2; }},
        {"bit_count_30000", [](BmpFields& f) { f.bitCount = 30000; }},
        {"planes_0", [](BmpFields& f) { f.planes = 0; }},
        {"planes_30000", [](BmpFields& f) { f.planes = 30000; }},
        {"jpeg_inside", [](BmpFields& f) { f.compression = 4; }},
        {"png_inside", [](BmpFields& f) { f.compression = 5; }},
        {"unknown_compression", [](BmpFields& f) { f.compression = 9; }},
        {"bit_fields_with_8_bits", [](BmpFields& f) { f.compression = 3; }},
        {"rle4_with_8_bits", [](BmpFields& f) { f.compression = 2; }},
        {"rle8_top_down", [](BmpFields& f) { f.compression = 1, f.height = -3; }},
        {"header_size_0", [](BmpFields& f) { f.headerSize = 0; }},
        {"header_size_66", [](BmpFields& f) { f.headerSize = 66; }},
        {"huge_colour_count", [](BmpFields& f) { f.coloursUsed = 305402420; }},
        {"more_colours_than_the_file_holds", [](BmpFields& f) { f.coloursUsed = 300; }},
        {"pixels_start_past_the_end", [](BmpFields& f) { f.offBits = 100000; }},
        {"pixels_start_inside_the_header", [](BmpFields& f) { f.offBits = 30; }},
        {"file_size_beyond_the_data", [](BmpFields& f) { f.fileSize = 2111692253; }},
        {"image_size_beyond_the_data", [](BmpFields& f) { f.imageSize = 2129587950; }},
        {"index_beyond_the_table", [](BmpFields& f) { f.pixels[5] = 4; }},
        {"no_masks",
         [](BmpFields& f) {
             f.bitCount = 16, f.compression = 3, f.masks = {0, 0, 0}, f.palette = {}, f.coloursUsed = 0;
             f.pixels.assign(36, 0x11);
         }},
        {"mask_with_a_hole",
         [](BmpFields& f) {
             f.bitCount = 16, f.compression = 3, f.masks = {0xF0F0, 0x0F00, 0x000F}, f.palette = {},
             f.coloursUsed = 0;
             f.pixels.assign(36, 0x11);
         }},
        {"16_bit_mask_past_16_bits",
         [](BmpFields& f) {
             f.bitCount = 16, f.compression = 3, f.masks = {0xF0000, 0x0F00, 0x000F}, f.palette = {},
             f.coloursUsed = 0;
             f.pixels.assign(36, 0x11);
         }},
    };
}

class LoadBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(LoadBad, IsRefusedAndChangesNothing) {
    BmpFields f = good8();
    {
        const Bytes file = f.build();
        Bitmap ok;
        ASSERT_NO_THROW(ok.loadFromMemory(file.data(), file.size())) << "the unspoilt file must load";
    }
    GetParam().spoil(f);
    const Bytes file = f.build();
    Bitmap b = sentinelBitmap();
    const Snapshot before = snapshot(b);
    EXPECT_THROW(b.loadFromMemory(file.data(), file.size()), PlatformError);
    EXPECT_EQ(snapshot(b), before);
}

INSTANTIATE_TEST_SUITE_P(Bmp, LoadBad, ::testing::ValuesIn(badCases()), ByName());

TEST(LoadBmp, RefusesWhatIsNoBmpWithAClearText) {
    const std::vector<Bytes> inputs = {
        {}, {'B'}, {'B', 'A', 0, 0}, {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, {'G', 'I', 'F', '8', '9', 'a'}};
    for (const Bytes& input : inputs) {
        Bitmap b;
        try {
            b.loadFromMemory(input.data(), input.size());
            ADD_FAILURE() << "loaded " << input.size() << " bytes";
        } catch (const PlatformError& e) {
            EXPECT_STREQ(e.what(), "ﾋﾞｯﾄﾏｯﾌﾟのﾃﾞｰﾀは読めません（BMP 形式ではありません）");
        }
        EXPECT_EQ(b.width(), 0);
    }
    Bitmap b;
    EXPECT_THROW(b.loadFromMemory(nullptr, 100), PlatformError);
}

TEST(LoadBmp, ReadsTheTableUpToWherePixelsStartAndSkipsAGap) {
    // A core-header file whose offset leaves room for only 5 of its 256 triples, as some writers
    // of short tables do; and an info-header file with unused bytes before the pixels.
    BmpFields core;
    core.headerSize = 12;
    core.width = 4;
    core.height = 2;
    core.palette = makePalette(5);
    core.pixels = packRows(indexPicture(4, 2, 5), 8, false);
    Bitmap b;
    const Bytes coreFile = core.build();
    b.loadFromMemory(coreFile.data(), coreFile.size());
    EXPECT_EQ(b.palette(), core.palette);

    BmpFields gap = good8();
    gap.gap = 37;
    const Bytes gapFile = gap.build();
    b.loadFromMemory(gapFile.data(), gapFile.size());
    EXPECT_EQ(b.pixelRgb(1, 0), rgbOf(gap.palette[indexPicture(6, 3, 4).at(1, 0)]));
}

TEST(LoadBmp, APixelOffsetOf0MeansRightAfterTheTable) {
    BmpFields f = good8();
    f.palette = makePalette(256);
    f.coloursUsed = 0;
    f.offBits = 0;
    const Bytes file = f.build();
    Bitmap b;
    b.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(b.pixelRgb(2, 1), rgbOf(f.palette[indexPicture(6, 3, 4).at(2, 1)]));
}

TEST(LoadBmp, AcceptsAnOversizedTableThatIsReallyThere) {
    BmpFields f = good8();
    f.palette = makePalette(300);
    f.coloursUsed = 300;
    const Bytes file = f.build();
    Bitmap b;
    b.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(b.palette().size(), 256u);
}

}  // namespace
}  // namespace obri::test
