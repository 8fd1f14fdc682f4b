// Any bytes handed to the image plug-in's memory form: no crash, no leak, no over-read, and the
// handles are either both valid or both null.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/LocalMemory.h"
#include "susie/SusieAbi.h"

extern "C" int GetPicture(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* info,
                          HLOCAL* bits, SusieProgress progress, intptr_t data);
extern "C" int IsSupported(const char* name, void* source);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> probe(2048, 0);
    for (size_t i = 0; i < size && i < probe.size(); ++i) probe[i] = static_cast<char>(data[i]);
    IsSupported("fuzz", probe.data());
    if (size == 0) return 0;
    std::vector<char> exact(data, data + size);  // a block of its own, so ASan sees any over-read
    HLOCAL info = nullptr, bits = nullptr;
    int result = GetPicture(exact.data(), static_cast<intptr_t>(exact.size()), 1, &info, &bits, nullptr, 0);
    if (result == 0) {
        if (info == nullptr || bits == nullptr) std::abort();
        LocalFree(info);
        LocalFree(bits);
    } else if (info != nullptr || bits != nullptr) {
        std::abort();
    }
    return 0;
}
