#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = obri::fuzz::asText(data, size);
    const std::vector<std::string> lines = obri::textfile::splitLines(text);
    std::size_t bytes = 0;
    for (const auto& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        bytes += line.size();
    }
    if (bytes > text.size()) std::abort();
    // Saving and loading again gives the same lines.
    if (obri::textfile::splitLines(obri::textfile::joinLines(lines)) != lines) std::abort();
    // A text already in the saved form comes back byte for byte.
    std::string saved = obri::textfile::joinLines(lines);
    if (obri::textfile::joinLines(obri::textfile::splitLines(saved)) != saved) std::abort();
    return 0;
}
