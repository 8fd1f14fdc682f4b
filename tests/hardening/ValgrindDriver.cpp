// A PMS batch of a few rows and an ALD build with the stand-in converter and linker and the
// shipped plug-ins, for running under valgrind: exit 0 when both did what they should.
// Usage: obri_valgrind_driver <folder with pmsconv, aldlink and the plug-ins>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "output/AldBuild.h"
#include "output/PmsBatch.h"
#include "platform/Bitmap.h"
#include "platform/TextFile.h"
#include "selection/CheckedRow.h"
#include "susie/CSusie.h"

namespace {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const std::string& bytes) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// A picture of the given depth, saved by the program's own bitmap.
void writePicture(const std::string& path, obri::PixelFormat format, int width, int height) {
    obri::Bitmap bitmap;
    bitmap.setPixelFormat(obri::PixelFormat::Bits24);
    bitmap.setWidth(width);
    bitmap.setHeight(height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (std::size_t i = 0; i < bitmap.stride(); ++i)
            row[i] = static_cast<std::uint8_t>(i * 13 + static_cast<std::size_t>(y));
    }
    bitmap.setPixelFormat(format);
    bitmap.saveToFile(path);
}

int run(const std::string& tools, const std::string& root) {
    for (const char* folder : {"work", "pms", "pics", "exe"}) fs::create_directory(root + folder);
    ::chmod((root + "work").c_str(), 0700);
    writePicture(root + "pics/title.bmp", obri::PixelFormat::Bits24, 40, 30);
    writePicture(root + "pics/pal.bmp", obri::PixelFormat::Bits8, 17, 5);
    writePicture(root + "pics/four.bmp", obri::PixelFormat::Bits4, 9, 9);
    writeBytes(root + "pics/junk.png", "not a picture at all");

    obri::CSusie susie;
    susie.LoadPlugins(tools);
    const std::string filter = susie.BuildFilter();

    obri::PmsBatchInput batch;
    for (const char* name : {"title.bmp", "pal.bmp", "four.bmp", "junk.png", "missing.jpg"})
        batch.rows.push_back(obri::makeFileRow(name, root + "pics/" + name));
    batch.TempDir = root + "work/";
    batch.ConverterPath = tools + "pmsconv";
    batch.PmsDir = root + "pms/";
    batch.historyPath = root + "exe/History.txt";
    obri::MakeServices services;
    services.clock = [] { return std::time_t{981262650}; };
    const obri::PmsBatchReport report = obri::runPmsBatch(batch, susie, services);

    const obri::AldBuildInput build{root + "pms/", root + "CG_GA.ALD", tools + "aldlink", root + "exe/",
                                    root + "exe/History.txt"};
    const obri::AldBuildReport built = obri::runAldBuild(build, services);
    susie.FreePlugins();

    const bool ok = report.failed.size() == 2 && built.result == obri::AldBuildReport::Result::Built &&
                    fs::exists(root + "pms/pal.pms") &&
                    obri::textfile::loadLines(root + "CG_GA.txt").size() == 6 &&
                    filter.find("*.png") != std::string::npos;
    if (!ok) std::fprintf(stderr, "batch or build did not do what it should\n");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <tools folder>\n", argv[0]);
        return 2;
    }
    std::string tools = argv[1];
    if (tools.back() != '/') tools += '/';
    char pattern[] = "/tmp/obri-valgrind-XXXXXX";
    if (!::mkdtemp(pattern)) return 2;
    const std::string root = std::string(pattern) + "/";
    int result = 2;
    try {
        result = run(tools, root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    fs::remove_all(root);
    return result;
}
