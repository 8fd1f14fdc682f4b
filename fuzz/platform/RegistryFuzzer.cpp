#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "platform/Error.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = obri::fuzz::asText(data, size);
    std::string_view keyPath = obri::fuzz::takeField(input);
    try {
        std::string value = obri::registry::parseDefaultValue(input, keyPath);
        // Only a default value line ("@=...") can give a text.
        if (!value.empty() && input.find('@') == std::string_view::npos) std::abort();
        if (value.size() > input.size()) std::abort();
    } catch (const obri::PlatformError&) {
        // A value of another type: the error the user is shown.
        if (input.find('@') == std::string_view::npos) std::abort();
    }
    return 0;
}
