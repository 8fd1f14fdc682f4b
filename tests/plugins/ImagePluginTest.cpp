#include <fcntl.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include "tests/plugins/PictureFiles.h"
#include "tests/plugins/SpiModule.h"

namespace obri::test {
namespace {

struct Picture {
    int result = -99;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, top row first
};

int noProgress(int, int, intptr_t) { return 0; }

class ImagePlugin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { module_ = new SpiModule("obri-image.spi"); }
    static void TearDownTestSuite() {
        delete module_;
        module_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(module_->loaded()) << module_->error();
        ASSERT_NE(module_->getPicture, nullptr);
    }

    // Calls GetPicture and checks the handed-over blocks as a careful host would.
    static Picture decode(const char* source, intptr_t offsetOrLength, unsigned flag,
                          SusieProgress progress = noProgress, intptr_t data = 0) {
        Picture p;
        HLOCAL info = reinterpret_cast<HLOCAL>(1), bits = reinterpret_cast<HLOCAL>(1);
        p.result = module_->getPicture(source, offsetOrLength, flag, &info, &bits, progress, data);
        if (p.result != 0) {
            EXPECT_EQ(info, nullptr) << "result " << p.result;
            EXPECT_EQ(bits, nullptr) << "result " << p.result;
            return p;
        }
        readPicture(info, bits, p);
        EXPECT_EQ(LocalFree(info), nullptr);
        EXPECT_EQ(LocalFree(bits), nullptr);
        return p;
    }
    static Picture decodeBytes(const std::string& bytes) {
        return decode(bytes.data(), static_cast<intptr_t>(bytes.size()), SUSIE_INPUT_MEMORY);
    }

    static void readPicture(HLOCAL info, HLOCAL bits, Picture& p) {
        std::vector<unsigned char> header = blockBytes(info);
        ASSERT_GE(header.size(), sizeof(SusieBitmapInfoHeader));
        SusieBitmapInfoHeader h;
        std::memcpy(&h, header.data(), sizeof h);
        ASSERT_EQ(h.biSize, 40u);
        ASSERT_EQ(h.biBitCount, 24);
        ASSERT_EQ(h.biPlanes, 1);
        ASSERT_EQ(h.biCompression, 0u);
        ASSERT_GT(h.biWidth, 0);
        ASSERT_GT(h.biHeight, 0);  // bottom-up rows
        size_t stride = (static_cast<size_t>(h.biWidth) * 3 + 3) / 4 * 4;
        std::vector<unsigned char> pixels = blockBytes(bits);
        ASSERT_GE(pixels.size(), stride * static_cast<size_t>(h.biHeight));
        p.width = h.biWidth;
        p.height = h.biHeight;
        for (int y = 0; y < p.height; ++y) {
            const unsigned char* row = pixels.data() + stride * static_cast<size_t>(p.height - 1 - y);
            for (int x = 0; x < p.width; ++x, row += 3)
                p.rgb.push_back(uint32_t{row[2]} << 16 | uint32_t{row[1]} << 8 | row[0]);
        }
    }

    static SpiModule* module_;
};
SpiModule* ImagePlugin::module_ = nullptr;

// The independent reading: Qt's decoders, alpha over white the same way.
Picture reference(const std::string& bytes) {
    QImage image = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    Picture p;
    if (image.isNull()) return p;
    image = image.convertToFormat(QImage::Format_ARGB32);
    p.result = 0;
    p.width = image.width();
    p.height = image.height();
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            QRgb c = image.pixel(x, y);
            unsigned a = static_cast<unsigned>(qAlpha(c));
            auto over = [a](int v) {
                return (static_cast<unsigned>(v) * a + 255u * (255u - a) + 127u) / 255u;
            };
            p.rgb.push_back(over(qRed(c)) << 16 | over(qGreen(c)) << 8 | over(qBlue(c)));
        }
    }
    return p;
}

void expectSamePixels(const Picture& got, const Picture& want, int tolerance) {
    ASSERT_EQ(got.result, 0);
    ASSERT_EQ(want.result, 0);
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    int worst = 0;
    size_t worstAt = 0;
    for (size_t i = 0; i < got.rgb.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            int d = std::abs(static_cast<int>((got.rgb[i] >> shift) & 255) -
                             static_cast<int>((want.rgb[i] >> shift) & 255));
            if (d > worst) worst = d, worstAt = i;
        }
    }
    EXPECT_LE(worst, tolerance) << "at pixel " << worstAt % static_cast<size_t>(got.width) << ","
                                << worstAt / static_cast<size_t>(got.width);
}

// ---- PNG kinds against Qt ----

class PngKinds : public ImagePlugin, public ::testing::WithParamInterface<PngKind> {};

TEST_P(PngKinds, DecodeToTheSamePixelsAsAnIndependentDecoder) {
    const PngKind& kind = GetParam();
    for (auto [w, h] : {std::pair{37u, 23u}, std::pair{1u, 1u}, std::pair{8u, 3u}}) {
        std::string png = makePng(kind, w, h);
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // 16-bit samples are reduced to 8 bits by both sides, each rounding its own way.
        expectSamePixels(decodeBytes(png), reference(png), kind.bitDepth == 16 ? 1 : 0);
    }
}

TEST_P(PngKinds, FileFormHonoursTheOffsetWhereTheDataStarts) {
    TempFolder folder;
    std::string png = makePng(GetParam(), 19, 7);
    std::string path = folder.write("x.png", std::string(128, 'J') + png);
    Picture viaFile = decode(path.c_str(), 128, SUSIE_INPUT_FILE);
    expectSamePixels(viaFile, decodeBytes(png), 0);
}

const PngKind kPngKinds[] = {
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
    {"rgb8_interlaced", PNG_COLOR_TYPE_RGB, 8, true, false},
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
    {"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
    {"rgba16_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
    {"palette8_trns", PNG_COLOR_TYPE_PALETTE, 8, false, true},
    {"palette4_trns_interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, true},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, false, false},
    {"grey2", PNG_COLOR_TYPE_GRAY, 2, true, false},
    {"grey4_trns", PNG_COLOR_TYPE_GRAY, 4, false, true},
    {"grey8", PNG_COLOR_TYPE_GRAY, 8, false, false},
    {"grey16", PNG_COLOR_TYPE_GRAY, 16, false, false},
    {"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
    {"grey_alpha16_interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, false},
};
INSTANTIATE_TEST_SUITE_P(Shipped, PngKinds, ::testing::ValuesIn(kPngKinds),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- JPEG kinds against Qt ----

struct JpegCase {
    const char* name;
    JpegKind kind;
};
class JpegKinds : public ImagePlugin, public ::testing::WithParamInterface<JpegCase> {};

TEST_P(JpegKinds, DecodeCloseToAnIndependentDecoder) {
    for (auto [w, h] : {std::pair{61u, 43u}, std::pair{1u, 1u}, std::pair{16u, 17u}}) {
        std::string jpeg = makeJpeg(GetParam().kind, w, h);
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        expectSamePixels(decodeBytes(jpeg), reference(jpeg), 3);
    }
}

TEST_P(JpegKinds, FileAndMemoryFormsAgree) {
    TempFolder folder;
    std::string jpeg = makeJpeg(GetParam().kind, 33, 20);
    std::string path = folder.write("x.jpg", jpeg);
    expectSamePixels(decode(path.c_str(), 0, SUSIE_INPUT_FILE), decodeBytes(jpeg), 0);
}

const JpegCase kJpegKinds[] = {
    {"baseline", JpegKind::Baseline},
    {"progressive", JpegKind::Progressive},
    {"grey", JpegKind::Grey},
    {"cmyk", JpegKind::Cmyk},
};
INSTANTIATE_TEST_SUITE_P(Shipped, JpegKinds, ::testing::ValuesIn(kJpegKinds),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- broken and hostile input ----

struct Sample {
    const char* name;
    std::string bytes;
};

std::vector<Sample> brokenSources() {
    return {
        {"png_rgba_interlaced", makePng({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}, 40, 30)},
        {"png_palette", makePng({"", PNG_COLOR_TYPE_PALETTE, 8, false, true}, 40, 30)},
        {"png_grey16", makePng({"", PNG_COLOR_TYPE_GRAY, 16, false, false}, 40, 30)},
        {"jpeg_baseline", makeJpeg(JpegKind::Baseline, 40, 30)},
        {"jpeg_progressive", makeJpeg(JpegKind::Progressive, 40, 30)},
        {"jpeg_cmyk", makeJpeg(JpegKind::Cmyk, 40, 30)},
    };
}

TEST_F(ImagePlugin, TruncatedFilesFailCleanlyInBothForms) {
    TempFolder folder;
    for (const Sample& s : brokenSources()) {
        std::vector<size_t> lengths;
        for (size_t n = 0; n < s.bytes.size(); n += 1 + s.bytes.size() / 97) lengths.push_back(n);
        for (size_t back = 1; back <= 16 && back < s.bytes.size(); ++back)
            lengths.push_back(s.bytes.size() - back);
        for (size_t n : lengths) {
            SCOPED_TRACE(std::string(s.name) + " cut to " + std::to_string(n));
            std::string cut = s.bytes.substr(0, n);
            std::string path = folder.write("cut.bin", cut);
            EXPECT_NE(decode(path.c_str(), 0, SUSIE_INPUT_FILE).result, 0);
            // The memory form gets exactly the cut bytes in a block of their own, so ASan sees any over-read.
            std::vector<char> exact(cut.begin(), cut.end());
            if (!exact.empty()) {
                EXPECT_NE(decode(exact.data(), static_cast<intptr_t>(exact.size()), 1).result, 0);
            }
        }
    }
}

TEST_F(ImagePlugin, FlippedBytesNeverCrashOrLeak) {
    for (const Sample& s : brokenSources()) {
        for (size_t at = 0; at < s.bytes.size(); at += 1 + s.bytes.size() / 61) {
            std::vector<char> bad(s.bytes.begin(), s.bytes.end());
            bad[at] = static_cast<char>(bad[at] ^ 0x5A);
            decode(bad.data(), static_cast<intptr_t>(bad.size()),
                   SUSIE_INPUT_MEMORY);  // handles checked inside
        }
    }
}

std::string pngWithSize(uint32_t width, uint32_t height) {
    std::string png = makePng({"", PNG_COLOR_TYPE_RGB, 8, false, false}, 1, 1);
    // IHDR data starts at 16; its CRC covers the type and the data.
    for (int i = 0; i < 4; ++i) {
        png[16 + static_cast<size_t>(i)] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + static_cast<size_t>(i)] = static_cast<char>(height >> (24 - 8 * i));
    }
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    for (int i = 0; i < 4; ++i) png[29 + static_cast<size_t>(i)] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

std::string jpegWithSize(uint16_t width, uint16_t height) {
    std::string jpeg = makeJpeg(JpegKind::Baseline, 8, 8);
    size_t sof = jpeg.find("\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width);
    return jpeg;
}

TEST_F(ImagePlugin, AbsurdSizesAreRefusedBeforeAllocating) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"png_too_wide", pngWithSize(40000, 2)},
        {"png_too_many_pixels", pngWithSize(30000, 30000)},
        {"png_too_wide_2^31", pngWithSize(0x7FFFFFFF, 1)},
        {"jpeg_too_wide", jpegWithSize(40000, 2)},
        {"jpeg_too_many_pixels", jpegWithSize(30000, 30000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int result = decodeBytes(c.bytes).result;
        EXPECT_TRUE(result == 3 || result == 4) << result;
    }
}

TEST_F(ImagePlugin, UnknownAndMissingInputAreReported) {
    TempFolder folder;
    std::string text = "just some text, no picture at all";
    std::string path = folder.write("t.txt", text);
    EXPECT_EQ(decode(path.c_str(), 0, SUSIE_INPUT_FILE).result, 2);
    EXPECT_EQ(decodeBytes(text).result, 2);
    EXPECT_EQ(decode(folder.file("missing.png").c_str(), 0, SUSIE_INPUT_FILE).result, 6);
    EXPECT_EQ(decode(path.c_str(), 0, 2).result, -1);  // an input form it does not know
}

int stopAfter(int, int, intptr_t data) {
    auto* calls = reinterpret_cast<int*>(data);
    return --*calls < 0 ? 1 : 0;
}

TEST_F(ImagePlugin, ProgressFunctionCanStopTheDecode) {
    std::string files[] = {makePng({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}, 300, 300),
                           makePng({"", PNG_COLOR_TYPE_RGB, 8, false, false}, 300, 300),
                           makeJpeg(JpegKind::Progressive, 300, 300)};
    for (const std::string& f : files) {
        for (int allowed : {0, 1, 3}) {
            int calls = allowed;
            Picture p = decode(f.data(), static_cast<intptr_t>(f.size()), 1, stopAfter,
                               reinterpret_cast<intptr_t>(&calls));
            EXPECT_EQ(p.result, 1) << "after " << allowed << " calls";
        }
        EXPECT_EQ(decode(f.data(), static_cast<intptr_t>(f.size()), 1, nullptr).result, 0) << "null progress";
    }
}

// ---- PngSuite ----

std::string pngSuite() {
    const char* dir = "/usr/share/doc/libsixel-examples/examples/images/pngsuite";
    return std::filesystem::is_directory(dir) ? dir : "";
}

TEST_F(ImagePlugin, PngSuiteCorruptFilesFailCleanly) {
    std::string suite = pngSuite();
    if (suite.empty()) GTEST_SKIP() << "PngSuite (package libsixel-examples) is not installed";
    int seen = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(suite)) {
        std::string name = e.path().filename().string();
        if (name.size() < 5 || name[0] != 'x' || e.path().extension() != ".png") continue;
        ++seen;
        SCOPED_TRACE(name);
        EXPECT_NE(decode(e.path().c_str(), 0, SUSIE_INPUT_FILE).result, 0);
    }
    EXPECT_GT(seen, 0);
}

TEST_F(ImagePlugin, PngSuiteValidFilesDecodeAtTheirSize) {
    std::string suite = pngSuite();
    if (suite.empty()) GTEST_SKIP() << "PngSuite (package libsixel-examples) is not installed";
    for (const auto& e : std::filesystem::recursive_directory_iterator(suite)) {
        std::string name = e.path().filename().string();
        if (e.path().extension() != ".png" || name[0] == 'x') continue;
        SCOPED_TRACE(name);
        std::string bytes = readFile(e.path().string());
        Picture want = reference(bytes);
        Picture got = decode(e.path().c_str(), 0, SUSIE_INPUT_FILE);
        ASSERT_EQ(got.result, 0);
        if (want.result == 0) {
            EXPECT_EQ(got.width, want.width);
            EXPECT_EQ(got.height, want.height);
        }
    }
}

// ---- IsSupported and GetPluginInfo ----

TEST_F(ImagePlugin, IsSupportedJudgesByContentInBothFormsAndLeavesTheDescriptorAlone) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::string bytes;
        bool taken;
    } cases[] = {
        {"png", makePng({"", PNG_COLOR_TYPE_RGB, 8, false, false}, 2, 2), true},
        {"jpeg", makeJpeg(JpegKind::Baseline, 2, 2), true},
        {"bmp", std::string("BM") + std::string(60, '\0'), false},
        {"text", "hello", false},
        {"empty", "", false},
        {"png_signature_cut", std::string("\x89PNG\r\n", 6), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder.write(std::string(c.name) + ".bin", c.bytes);
        int fd = open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(module_->isSupported(path.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(fd))) != 0,
                  c.taken);
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0) << "descriptor moved";
        EXPECT_NE(fcntl(fd, F_GETFD), -1) << "descriptor closed";
        close(fd);
        std::vector<char> padded(2048, '\0');
        std::memcpy(padded.data(), c.bytes.data(), std::min(c.bytes.size(), padded.size()));
        EXPECT_EQ(module_->isSupported(c.name, padded.data()) != 0, c.taken);
    }
}

}  // namespace
}  // namespace obri::test
