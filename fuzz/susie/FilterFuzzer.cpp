// BuildFilter over plug-ins whose GetPluginInfo answers come from the input: lines are the answers
// to indexes 2, 3, 4 ... of one plug-in, and a line "--" starts the next plug-in.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FakePlugin.h"
#include "platform/Texts.h"
#include "susie/CSusie.h"

namespace {

constexpr int kSlots = 6;

// A folder holding kSlots placeholder plug-in files, made once.
const std::string& placeholderFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/obri-filter-fuzz-XXXXXX";
        std::string made = mkdtemp(pattern) ? pattern : "/tmp";
        for (int i = 0; i < kSlots; ++i) {
            const std::string file = made + "/p" + std::to_string(i) + ".spi";
            if (FILE* f = std::fopen(file.c_str(), "w")) std::fclose(f);
        }
        return made;
    }();
    return folder;
}

std::vector<obri::test::FakeAnswers> answersFrom(std::string_view input) {
    std::vector<obri::test::FakeAnswers> plugins(1);
    int index = 2;
    std::size_t start = 0;
    while (start <= input.size() && plugins.size() <= kSlots) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view line = input.substr(start, end - start);
        if (line == "--") {
            plugins.emplace_back();
            index = 2;
        } else {
            plugins.back().info[index++] = std::string(line);
        }
        start = end + 1;
    }
    if (plugins.size() > kSlots) plugins.resize(kSlots);
    return plugins;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    obri::CSusie susie(std::make_unique<obri::test::FakeLoader>(answersFrom(input)));
    // LoadPlugins names every plug-in on the debug output; keep that out of the fuzzer's report.
    static const int devNull = ::open("/dev/null", O_WRONLY);
    const int savedStderr = ::dup(2);
    ::dup2(devNull, 2);
    const int count = susie.LoadPlugins(placeholderFolder());
    ::dup2(savedStderr, 2);
    ::close(savedStderr);
    if (count != kSlots) std::abort();
    const std::string filter = susie.BuildFilter();
    const std::string_view start = obri::texts::kFilterAllImages;
    if (filter.compare(0, start.size(), start) != 0 || filter.back() != '|') std::abort();
    if (filter.find(obri::texts::kFilterAllFiles) == std::string::npos) std::abort();
    return 0;
}
