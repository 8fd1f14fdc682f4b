// GetPicture of the variants that let a C++ exception escape, which plug-ins must never do.
//   THROWS_AT_START: calls at file offset 0 throw (a picture behind a 128-byte preamble);
//   otherwise every call throws.
#include <cstdint>
#include <stdexcept>

#include "susie/SusieAbi.h"

extern "C" int testGetPicture(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* info,
                              HLOCAL* bits, SusieProgress progress, intptr_t data);

extern "C" __attribute__((visibility("default"))) int GetPicture(const char* source, intptr_t offsetOrLength,
                                                                 unsigned int flag, HLOCAL* info,
                                                                 HLOCAL* bits, SusieProgress progress,
                                                                 intptr_t data) {
#if defined(THROWS_AT_START)
    const bool throws = offsetOrLength == 0;
#else
    const bool throws = true;
#endif
    int result = testGetPicture(source, offsetOrLength, flag, info, bits, progress, data);
    // Thrown with a live block in the out-handles, as a crashing decoder would leave it.
    if (throws) throw std::runtime_error("decoder failed");
    return result;
}
