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
#include <vector>

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
    for (const char* folder : {"work", "pics", "exe"}) fs::create_directory(root + folder);
    ::chmod((root + "work").c_str(), 0700);
    writePicture(root + "pics/title.bmp", obri::PixelFormat::Bits24, 40, 30);
    writePicture(root + "pics/pal.bmp", obri::PixelFormat::Bits8, 17, 5);
    writePicture(root + "pics/four.bmp", obri::PixelFormat::Bits4, 9, 9);
    writeBytes(root + "pics/junk.png", "not a picture at all");

    obri::CSusie susie;
    susie.LoadPlugins(tools);
    const std::string filter = susie.BuildFilter();

    // A batch with two rows that fail, whose list the linker then refuses; and one that all converts.
    obri::MakeServices services;
    services.clock = [] { return std::time_t{981262650}; };
    auto batch = [&](const std::string& pmsDir, const std::vector<std::string>& names) {
        fs::create_directory(root + pmsDir);
        obri::PmsBatchInput input;
        for (const std::string& name : names)
            input.rows.push_back(obri::makeFileRow(name, root + "pics/" + name));
        input.TempDir = root + "work/";
        input.ConverterPath = tools + "pmsconv";
        input.PmsDir = root + pmsDir + "/";
        input.historyPath = root + "exe/History.txt";
        return obri::runPmsBatch(input, susie, services);
    };
    auto build = [&](const std::string& pmsDir) {
        const obri::AldBuildInput input{root + pmsDir + "/", root + pmsDir + ".ALD", tools + "aldlink",
                                        root + "exe/", root + "exe/History.txt"};
        return obri::runAldBuild(input, services);
    };
    const auto mixed = batch("mixed", {"title.bmp", "pal.bmp", "four.bmp", "junk.png", "missing.jpg"});
    const auto good = batch("good", {"title.bmp", "pal.bmp", "four.bmp"});
    const auto refused = build("mixed");
    const auto built = build("good");
    susie.FreePlugins();

    using Result = obri::AldBuildReport::Result;
    const bool ok = mixed.failed.size() == 2 && good.failed.empty() &&
                    refused.result == Result::LinkerFailed && built.result == Result::Built &&
                    fs::exists(root + "good/pal.pms") &&
                    obri::textfile::loadLines(root + "good.txt").size() == 4 &&
                    obri::textfile::loadLines(root + "exe/History.txt").size() == 12 &&
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
