#include "platform/Error.h"

#include "platform/Texts.h"

namespace obri {

std::string formatText(std::string_view pattern, std::string_view argument) {
    std::string text(pattern);
    if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

void throwCannotOpen(std::string_view path) { throw PlatformError(formatText(texts::kCannotOpen, path)); }
void throwCannotCreate(std::string_view path) { throw PlatformError(formatText(texts::kCannotCreate, path)); }
void throwCannotWrite(std::string_view path) { throw PlatformError(formatText(texts::kCannotWrite, path)); }
void throwBadRegistryType(std::string_view valueName) {
    throw PlatformError(formatText(texts::kBadRegistryType, valueName));
}

}  // namespace obri
