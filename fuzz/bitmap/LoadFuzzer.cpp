// Loading from memory never reads outside the block, and what loads survives a save unchanged.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Bitmap.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized copy, so that a read one byte too far is an error under ASan.
    auto block = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) std::memcpy(block.get(), data, size);
    obri::Bitmap bitmap;
    try {
        bitmap.loadFromMemory(block.get(), size);
    } catch (const obri::PlatformError&) {
        if (bitmap.width() != 0 || bitmap.height() != 0) std::abort();  // a refused load changes nothing
        return 0;
    }
    const std::vector<std::uint8_t> saved = bitmap.saveToMemory();
    obri::Bitmap again;
    again.loadFromMemory(saved.data(), saved.size());
    if (again.pixelFormat() != bitmap.pixelFormat() || again.toArgb32() != bitmap.toArgb32()) std::abort();
    if (static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()) <= 4096) {
        bitmap.setPixelFormat(obri::PixelFormat::Bits8);
        bitmap.setPixelFormat(obri::PixelFormat::Bits24);
    }
    return 0;
}
