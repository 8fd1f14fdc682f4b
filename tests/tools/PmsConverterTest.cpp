#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include "tests/tools/ToolRunner.h"

namespace obri::test {
namespace {

void put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 255));
    s.push_back(static_cast<char>((v >> 8) & 255));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

using Rgb = std::array<uint8_t, 3>;

// The test's own BMP writer: rows of raw pixel bytes (top row first), header of 40 bytes.
struct BmpSpec {
    int width = 0, height = 0, bits = 24;
    uint32_t compression = 0;
    bool topDown = false;
    std::vector<Rgb> palette;
    std::vector<uint32_t> masks;
    std::vector<std::string> rows;  // unpadded bytes per row, top first
};

std::string makeBmp(const BmpSpec& b) {
    size_t stride = (static_cast<size_t>(b.width) * static_cast<size_t>(b.bits) + 31) / 32 * 4;
    std::string pixels;
    for (int i = 0; i < b.height; ++i) {
        const std::string& row = b.rows[static_cast<size_t>(b.topDown ? i : b.height - 1 - i)];
        pixels += row + std::string(stride - row.size(), '\0');
    }
    uint32_t offBits = 14 + 40 + static_cast<uint32_t>(b.masks.size() * 4 + b.palette.size() * 4);
    std::string s = "BM";
    put32(s, offBits + static_cast<uint32_t>(pixels.size()));
    put32(s, 0);
    put32(s, offBits);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(b.width));
    put32(s, static_cast<uint32_t>(b.topDown ? -b.height : b.height));
    put16(s, 1);
    put16(s, static_cast<uint32_t>(b.bits));
    put32(s, b.compression);
    put32(s, static_cast<uint32_t>(pixels.size()));
    put32(s, 2835);
    put32(s, 2835);
    put32(s, static_cast<uint32_t>(b.palette.size()));
    put32(s, 0);
    for (uint32_t m : b.masks) put32(s, m);
    for (const Rgb& c : b.palette)
        s += std::string{static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0]), 0};
    return s + pixels;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

std::string pmsHeader(int w, int h, int bits, size_t colours) {
    return "OBRI-PMS-STANDIN 1\nwidth " + std::to_string(w) + " height " + std::to_string(h) + " bits " +
           std::to_string(bits) + " colours " + std::to_string(colours) + "\n";
}

struct GoodCase {
    const char* name;
    BmpSpec bmp;
    std::string expected;  // whole PMS file
};

std::vector<GoodCase> goodCases() {
    std::vector<GoodCase> cases;
    // 24 bits: B, G, R in the file; R, G, B in the output.
    BmpSpec rgb{
        3,     2,  24, 0,
        false, {}, {}, {bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), bytes({10, 11, 12, 13, 14, 15, 16, 17, 18})}};
    std::string rgbOut =
        pmsHeader(3, 2, 24, 0) + bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16});
    cases.push_back({"bits24_bottom_up", rgb, rgbOut});
    rgb.topDown = true;
    cases.push_back({"bits24_top_down", rgb, rgbOut});
    std::vector<Rgb> pal{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::string palOut = bytes({255, 0, 0, 0, 255, 0, 0, 0, 255});
    cases.push_back({"bits8",
                     {3, 2, 8, 0, false, pal, {}, {bytes({0, 1, 2}), bytes({2, 2, 1})}},
                     pmsHeader(3, 2, 8, 3) + palOut + bytes({0, 1, 2, 2, 2, 1})});
    cases.push_back({"bits4",
                     {3, 1, 4, 0, false, pal, {}, {bytes({0x12, 0x00})}},
                     pmsHeader(3, 1, 8, 3) + palOut + bytes({1, 2, 0})});
    cases.push_back(
        {"bits1",
         {9, 1, 1, 0, false, {{0, 0, 0}, {255, 255, 255}}, {}, {bytes({0xA5, 0x80})}},
         pmsHeader(9, 1, 8, 2) + bytes({0, 0, 0, 255, 255, 255}) + bytes({1, 0, 1, 0, 0, 1, 0, 1, 1})});
    cases.push_back({"bits32",
                     {2, 1, 32, 0, false, {}, {}, {bytes({1, 2, 3, 0, 4, 5, 6, 0})}},
                     pmsHeader(2, 1, 24, 0) + bytes({3, 2, 1, 6, 5, 4})});
    // 5-5-5: 0x7C00 is full red, 0x001F full blue.
    cases.push_back({"bits16",
                     {2, 1, 16, 0, false, {}, {}, {bytes({0x00, 0x7C, 0x1F, 0x00})}},
                     pmsHeader(2, 1, 24, 0) + bytes({255, 0, 0, 0, 0, 255})});
    cases.push_back({"bits16_565_fields",
                     {1, 1, 16, 3, false, {}, {0xF800, 0x07E0, 0x001F}, {bytes({0xE0, 0x07})}},
                     pmsHeader(1, 1, 24, 0) + bytes({0, 255, 0})});
    return cases;
}

class PmsConverter : public ::testing::Test {
  protected:
    TempFolder folder_;
    TempFolder logs_;
};

TEST_F(PmsConverter, WritesThePmsBesideTheBmpWithTheSameName) {
    for (const GoodCase& c : goodCases()) {
        SCOPED_TRACE(c.name);
        std::string bmp = folder_.write(std::string(c.name) + ".bmp", makeBmp(c.bmp));
        ToolRun run = runTool("pmsconv", {bmp}, logs_);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(readFile(folder_.file(std::string(c.name) + ".pms")), c.expected);
    }
}

TEST_F(PmsConverter, TheExtensionIsReplacedOnlyInTheFileName) {
    std::string bmp = makeBmp(goodCases()[0].bmp);
    std::filesystem::create_directory(folder_.file("dir.x"));
    struct Case {
        const char* input;
        const char* output;
    } cases[] = {{"a.b.bmp", "a.b.pms"},
                 {"noext", "noext.pms"},
                 {"dir.x/plain", "dir.x/plain.pms"},
                 {"UPPER.BMP", "UPPER.pms"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        ToolRun run = runTool("pmsconv", {folder_.write(c.input, bmp)}, logs_);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(readFile(folder_.file(c.output)), goodCases()[0].expected);
    }
}

TEST_F(PmsConverter, BadInputExitsNonZeroWithAMessageAndLeavesNoPms) {
    BmpSpec rgb = goodCases()[0].bmp;
    std::string good = makeBmp(rgb);
    BmpSpec rle = rgb;
    rle.bits = 8, rle.compression = 1, rle.palette = {{0, 0, 0}},
    rle.rows = {bytes({0, 0, 0}), bytes({0, 0, 0})};
    BmpSpec zeroWide = rgb;
    zeroWide.width = 0, zeroWide.rows = {"", ""};
    BmpSpec beyondPalette = goodCases()[2].bmp;
    beyondPalette.rows[0] = bytes({0, 1, 7});
    BmpSpec wrongBits = rgb;
    wrongBits.bits = 7, wrongBits.rows = {bytes({0, 0, 0}), bytes({0, 0, 0})};
    struct Case {
        const char* name;
        std::string content;  // written to pic.bmp unless empty name args
        std::vector<std::string> extraArgs;
        bool noArgument;
    } cases[] = {
        {"no_argument", good, {}, true},
        {"two_arguments", good, {"second.bmp"}, false},
        {"missing_file", "", {}, false},
        {"text", "this is not a picture", {}, false},
        {"pixels_cut", good.substr(0, good.size() - 5), {}, false},
        {"header_cut", good.substr(0, 30), {}, false},
        {"run_length", makeBmp(rle), {}, false},
        {"zero_width", makeBmp(zeroWide), {}, false},
        {"index_beyond_palette", makeBmp(beyondPalette), {}, false},
        {"seven_bits", makeBmp(wrongBits), {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::string bmp = folder.file("pic.bmp");
        if (!c.content.empty()) writeFile(bmp, c.content);
        std::string pms = folder.write("pic.pms", "EARLIER");
        std::vector<std::string> args;
        if (!c.noArgument) args.push_back(bmp);
        for (const auto& a : c.extraArgs) args.push_back(a);
        ToolRun run = runTool("pmsconv", args, logs_);
        EXPECT_NE(run.status, 0);
        EXPECT_FALSE(run.errors.empty());
        EXPECT_EQ(readFile(pms), "EARLIER") << "an earlier PMS was touched";
        size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            files += e.is_regular_file() ? 1 : 0;
        EXPECT_EQ(files, c.content.empty() ? 1u : 2u) << "a temporary file was left behind";
    }
}

TEST_F(PmsConverter, AFolderInTheWayOfThePmsFailsCleanly) {
    std::string bmp = folder_.write("pic.bmp", makeBmp(goodCases()[0].bmp));
    std::filesystem::create_directory(folder_.file("pic.pms"));
    ToolRun run = runTool("pmsconv", {bmp}, logs_);
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder_.file("pic.pms")));
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder_.path())) entries += e.exists() ? 1 : 0;
    EXPECT_EQ(entries, 2u) << "a temporary file was left behind";
}

TEST_F(PmsConverter, UnwritableFolderFailsWithoutPartialFile) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not stop writes";
    std::string bmp = folder_.write("pic.bmp", makeBmp(goodCases()[0].bmp));
    chmod(folder_.path().c_str(), 0555);
    ToolRun run = runTool("pmsconv", {bmp}, logs_);
    chmod(folder_.path().c_str(), 0755);
    EXPECT_NE(run.status, 0);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("pic.pms")));
}

}  // namespace
}  // namespace obri::test
