// Names made for a row never leave their folder or break a line, and the link-number text has one
// line per list line. First byte: 0 plain row, 1 member row, 2 a converted-image list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "output/AldBuild.h"
#include "output/PmsBatch.h"
#include "platform/TextFile.h"

namespace {

bool lineSafe(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

void checkName(const std::string& name, bool member) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) std::abort();
    if (member && name.find('\\') != std::string::npos) std::abort();
    if (!lineSafe(name)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] == 2) {
        const auto lines = obri::textfile::splitLines(text);
        if (obri::linkNumberText(lines).size() != lines.size() + 1) std::abort();
        return 0;
    }
    const bool member = data[0] == 1;
    const obri::CheckedRow row{text, "0", "0", member ? "/a.arc" : "", text};
    const obri::RowNames names = obri::rowNames(row);
    if (!names.safe) {
        if (!names.pmsName.empty()) std::abort();
        return 0;
    }
    checkName(names.bmpName, member);
    checkName(names.pmsName, member);
    if (names.pmsName.size() < 4 || names.pmsName.compare(names.pmsName.size() - 4, 4, ".pms") != 0)
        std::abort();
    return 0;
}
