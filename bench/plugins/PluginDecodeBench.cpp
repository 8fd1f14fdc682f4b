// Decoding a 4096 x 4096 picture through the shipped image plug-in into a Bitmap, beside decoding
// the same file with the library directly. Goal: the plug-in path within 1.3 x the direct decode.
#include <dlfcn.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
// jpeglib.h needs stdio and stddef before it.
#include <jpeglib.h>
#include <cstddef>

#include <benchmark/benchmark.h>

#include "platform/Bitmap.h"
#include "platform/LocalMemory.h"
#include "susie/SusieAbi.h"
#include "tests/plugins/PictureFiles.h"

namespace {

constexpr uint32_t kSide = 4096;

struct Files {
    std::string png, jpeg;
    Files() {
        char folder[] = "/tmp/obri-plugin-bench-XXXXXX";
        std::string dir = mkdtemp(folder);
        png = dir + "/big.png";
        jpeg = dir + "/big.jpg";
        std::ofstream(png, std::ios::binary)
            << obri::test::makePng({"", PNG_COLOR_TYPE_RGB, 8, false, false}, kSide, kSide);
        std::ofstream(jpeg, std::ios::binary)
            << obri::test::makeJpeg(obri::test::JpegKind::Baseline, kSide, kSide, 90);
    }
    ~Files() {
        std::remove(png.c_str());
        std::remove(jpeg.c_str());
        rmdir(png.substr(0, png.rfind('/')).c_str());
    }
};

const Files& files() {
    static Files f;
    return f;
}

GetPictureFn plugin() {
    static void* module =
        dlopen((std::string(OBRI_BIN_DIR) + "/obri-image.spi").c_str(), RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<GetPictureFn>(dlsym(module, "GetPicture")) : nullptr;
}

int noProgress(int, int, intptr_t) { return 0; }

enum class Target { None, FreshBitmap, SameBitmap };

// SameBitmap draws every round into one Bitmap, as the program draws into the bitmap its caller
// holds; FreshBitmap makes a new one each round.
void throughPlugin(benchmark::State& state, const std::string& path, Target target) {
    GetPictureFn getPicture = plugin();
    if (getPicture == nullptr) {
        state.SkipWithError("obri-image.spi did not load");
        return;
    }
    obri::Bitmap kept;
    for (auto _ : state) {
        HLOCAL info = nullptr, bits = nullptr;
        if (getPicture(path.c_str(), 0, SUSIE_INPUT_FILE, &info, &bits, noProgress, 0) != 0) {
            state.SkipWithError("decode failed");
            return;
        }
        if (target == Target::None) {
            LocalFree(info);
            LocalFree(bits);
            continue;
        }
        obri::Bitmap fresh;
        obri::Bitmap& bitmap = target == Target::SameBitmap ? kept : fresh;
        bool drawn = bitmap.drawDib(LocalLock(info), LocalSize(info), LocalLock(bits), LocalSize(bits));
        LocalFree(info);
        LocalFree(bits);
        if (!drawn || bitmap.width() != static_cast<int>(kSide)) {
            state.SkipWithError("not drawn");
            return;
        }
        benchmark::DoNotOptimize(bitmap.scanLine(0));
    }
}

void directPng(benchmark::State& state) {
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, files().png.c_str())) {
            state.SkipWithError("png");
            return;
        }
        image.format = PNG_FORMAT_BGR;
        std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void directJpeg(benchmark::State& state) {
    for (auto _ : state) {
        FILE* file = std::fopen(files().jpeg.c_str(), "rb");
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        size_t stride = size_t{cinfo.output_width} * 3;
        std::vector<unsigned char> pixels(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.data());
    }
}

// Drawing alone, for a DIB of the given bit count, to show the host's share.
void BM_DrawDibOnly(benchmark::State& state) {
    int bitCount = static_cast<int>(state.range(0));
    SusieBitmapInfoHeader header{40,
                                 static_cast<int32_t>(kSide),
                                 static_cast<int32_t>(kSide),
                                 1,
                                 static_cast<uint16_t>(bitCount),
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0};
    std::vector<unsigned char> bits(size_t{kSide} * kSide * static_cast<size_t>(bitCount / 8), 0x5A);
    for (auto _ : state) {
        obri::Bitmap bitmap;
        bitmap.drawDib(&header, sizeof header, bits.data(), bits.size());
        benchmark::DoNotOptimize(bitmap.scanLine(0));
    }
}
BENCHMARK(BM_DrawDibOnly)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_Png_Direct(benchmark::State& state) { directPng(state); }
void BM_Png_PluginIntoBitmap(benchmark::State& state) {
    throughPlugin(state, files().png, Target::SameBitmap);
}
void BM_Png_PluginIntoFreshBitmap(benchmark::State& state) {
    throughPlugin(state, files().png, Target::FreshBitmap);
}
// The plug-in's share alone, without drawing, to show where the time goes.
void BM_Png_PluginOnly(benchmark::State& state) { throughPlugin(state, files().png, Target::None); }
void BM_Jpeg_Direct(benchmark::State& state) { directJpeg(state); }
void BM_Jpeg_PluginIntoBitmap(benchmark::State& state) {
    throughPlugin(state, files().jpeg, Target::SameBitmap);
}
void BM_Jpeg_PluginIntoFreshBitmap(benchmark::State& state) {
    throughPlugin(state, files().jpeg, Target::FreshBitmap);
}
void BM_Jpeg_PluginOnly(benchmark::State& state) { throughPlugin(state, files().jpeg, Target::None); }

BENCHMARK(BM_Png_Direct)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Png_PluginIntoBitmap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Png_PluginIntoFreshBitmap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Png_PluginOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Jpeg_Direct)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Jpeg_PluginIntoBitmap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Jpeg_PluginIntoFreshBitmap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Jpeg_PluginOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    files();  // the pictures are made once, before anything is timed
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
