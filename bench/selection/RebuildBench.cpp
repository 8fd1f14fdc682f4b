// The core of the "FileName" rebuild beside the least any listing costs: reading the folder's
// names and sorting them. The goal is to stay within twice that.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchFolder.h"
#include "selection/CheckedList.h"
#include "selection/FolderListing.h"

namespace obri::bench {
namespace {

constexpr int kFiles = 20000;
constexpr int kRows = 20000;

void readNamesAndSort(benchmark::State& state) {
    const std::string& folder = pictureFolder(kFiles);
    for (auto _ : state) {
        const std::vector<std::string> names = readAndSortNames(folder);
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["files"] = kFiles;
}

// Every other listed file has a row, the rest of the rows are members of archives.
CheckedList rowsFor(const std::string& folder) {
    CheckedList list;
    const std::vector<std::string> listed = listFiles(folder, kPictureMasks);
    const std::string prefix = folderWithSeparator(folder);
    for (std::size_t i = 0; i < listed.size() && list.size() < kRows / 2; i += 2)
        list.append(makeFileRow(listed[i], prefix + listed[i]));
    for (int i = 0; list.size() < kRows; ++i)
        list.append(makeMemberRow({"member" + std::to_string(i) + ".png", i * 64, 64}, "/arc/game.zip"));
    return list;
}

void rebuildCore(benchmark::State& state) {
    const std::string& folder = pictureFolder(kFiles);
    const CheckedList rows = rowsFor(folder);
    std::size_t ticked = 0;
    for (auto _ : state) {
        const std::vector<std::string> names = listFiles(folder, kPictureMasks);
        const std::vector<bool> ticks = rows.ticks(folderWithSeparator(folder), names);
        ticked = static_cast<std::size_t>(std::count(ticks.begin(), ticks.end(), true));
        benchmark::DoNotOptimize(ticks);
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["ticked"] = static_cast<double>(ticked);
}

BENCHMARK(readNamesAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(rebuildCore)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace obri::bench

BENCHMARK_MAIN();
