// The PMS batch over PNG rows (1024 x 768) with the stand-in converter, beside the same work done
// in one plain loop, and ImageMagick's mogrify as a reference for the decode-and-write part.
// OBRI_BENCH_ROWS sets the number of rows (500 by default). The ratios printed at the end compare
// the best run of each; --benchmark_repetitions=N gives more runs.
#include <png.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "output/PmsBatch.h"
#include "platform/Bitmap.h"
#include "platform/Paths.h"
#include "platform/Spawn.h"
#include "susie/CSusie.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

int rowCount() {
    const char* text = std::getenv("OBRI_BENCH_ROWS");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : 500;
}

void writePng(const std::string& path, int seed) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(kWidth * 3);
    unsigned noise = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            row[x * 3] = static_cast<png_byte>(x + seed);
            row[x * 3 + 1] = static_cast<png_byte>(y ^ x);
            row[x * 3 + 2] = static_cast<png_byte>((noise >> 24) & 0x1F);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// The pictures, the plug-in folder and the converter, made once for the whole run.
struct Scene {
    fs::path root;
    std::vector<CheckedRow> rows;
    std::string pluginDir;
    std::string converter = std::string(OBRI_BIN_DIR) + "/pmsconv";

    Scene() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/obri-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        root = pattern;
        fs::create_directories(root / "pics");
        fs::create_directories(root / "plugins");
        fs::copy_file(std::string(OBRI_BIN_DIR) + "/obri-image.spi", root / "plugins/obri-image.spi");
        pluginDir = (root / "plugins").string();
        for (int i = 0; i < rowCount(); ++i) {
            const std::string name = "pic" + std::to_string(i) + ".png";
            const std::string path = (root / "pics" / name).string();
            writePng(path, i);
            rows.push_back(makeFileRow(name, path));
        }
    }
    ~Scene() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    // Empty work and PMS folders for one run.
    std::pair<std::string, std::string> freshFolders() const {
        std::error_code ec;
        fs::remove_all(root / "work", ec);
        fs::remove_all(root / "pms", ec);
        fs::remove_all(root / "mogrify", ec);
        fs::create_directories(root / "work");
        fs::permissions(root / "work", fs::perms::owner_all);
        fs::create_directories(root / "pms");
        fs::create_directories(root / "mogrify");
        // Each run starts without the write-back of the one before.
        ::sync();
        return {(root / "work").string() + "/", (root / "pms").string() + "/"};
    }
};

Scene& scene() {
    static Scene instance;
    return instance;
}

std::map<std::string, double>& seconds() {
    static std::map<std::string, double> values;
    return values;
}

template <typename Work>
void timeRuns(benchmark::State& state, const char* name, Work work) {
    Scene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        const auto [workDir, pmsDir] = s.freshFolders();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        work(workDir, pmsDir);
        const double taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The best of the repetitions: the machine is shared, and slow runs say more about it.
        auto [entry, fresh] = seconds().try_emplace(name, taken);
        if (!fresh && taken < entry->second) entry->second = taken;
    }
    state.counters["rows"] = static_cast<double>(s.rows.size());
}

void BM_PmsBatch(benchmark::State& state) {
    CSusie susie;
    susie.LoadPlugins(scene().pluginDir);
    timeRuns(state, "batch", [&](const std::string& workDir, const std::string& pmsDir) {
        PmsBatchInput input{scene().rows, workDir, scene().converter, pmsDir,
                            (scene().root / "History.txt").string()};
        const PmsBatchReport report = runPmsBatch(input, susie, MakeServices{});
        if (!report.failed.empty()) std::abort();
    });
}

void BM_PlainLoop(benchmark::State& state) {
    CSusie susie;
    susie.LoadPlugins(scene().pluginDir);
    timeRuns(state, "plain", [&](const std::string& workDir, const std::string& pmsDir) {
        for (const CheckedRow& row : scene().rows) {
            Bitmap bitmap;
            if (susie.LoadPicture(row.FullPathName, bitmap) != kPictureLoaded) std::abort();
            bitmap.setPixelFormat(PixelFormat::Bits24);
            const std::string bmp = workDir + paths::changeFileExt(row.FileName, ".bmp");
            const std::string pms = paths::changeFileExt(bmp, ".pms");
            bitmap.saveToFile(bmp);
            runAndWait(scene().converter, bmp);
            paths::moveFile(pms, pmsDir + paths::extractFileName(pms));
            paths::deleteFile(bmp);
            paths::deleteFile(pms);
        }
    });
}

// Only the decode-and-write part of the plain loop, the part mogrify also does.
void BM_DecodeAndWrite(benchmark::State& state) {
    CSusie susie;
    susie.LoadPlugins(scene().pluginDir);
    timeRuns(state, "decode", [&](const std::string& workDir, const std::string&) {
        for (const CheckedRow& row : scene().rows) {
            Bitmap bitmap;
            if (susie.LoadPicture(row.FullPathName, bitmap) != kPictureLoaded) std::abort();
            bitmap.setPixelFormat(PixelFormat::Bits24);
            const std::string bmp = workDir + paths::changeFileExt(row.FileName, ".bmp");
            bitmap.saveToFile(bmp);
            paths::deleteFile(bmp);
        }
    });
}

void BM_MogrifyToBmp(benchmark::State& state) {
    timeRuns(state, "mogrify", [](const std::string&, const std::string&) {
        const std::string command = "mogrify -path '" + (scene().root / "mogrify").string() +
                                    "' -format bmp '" + (scene().root / "pics").string() + "'/*.png";
        if (std::system(command.c_str()) != 0) std::abort();
    });
}

BENCHMARK(BM_PlainLoop)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PmsBatch)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_DecodeAndWrite)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_MogrifyToBmp)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace obri

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto& s = obri::seconds();
    if (s.count("batch") && s.count("plain")) {
        std::printf("batch / plain loop: %.3f (goal: at most 1.2)\n", s["batch"] / s["plain"]);
    }
    if (s.count("plain") && s.count("mogrify")) {
        std::printf("plain loop / mogrify -format bmp: %.3f\n", s["plain"] / s["mogrify"]);
    }
    if (s.count("decode") && s.count("mogrify")) {
        std::printf("decode and write / mogrify -format bmp: %.3f\n", s["decode"] / s["mogrify"]);
    }
    return 0;
}
