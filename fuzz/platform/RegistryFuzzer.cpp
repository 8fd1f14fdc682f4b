#include <string>

#include "FuzzInput.h"
#include "platform/Error.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = obri::fuzz::asText(data, size);
    std::string_view keyPath = obri::fuzz::takeField(input);
    try {
        (void)obri::registry::parseDefaultValue(input, keyPath);
    } catch (const obri::PlatformError&) {
        // A value of another type: the error the user is shown.
    }
    return 0;
}
