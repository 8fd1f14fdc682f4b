// Any bytes handed to the archive plug-in as an archive in memory: no crash, no leak, and a list
// block that always ends with its end record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/LocalMemory.h"
#include "susie/SusieAbi.h"

extern "C" int GetArchiveInfo(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* list);
extern "C" int IsSupported(const char* name, void* source);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> probe(2048, 0);
    for (size_t i = 0; i < size && i < probe.size(); ++i) probe[i] = static_cast<char>(data[i]);
    IsSupported("fuzz", probe.data());
    if (size == 0) return 0;
    std::vector<char> exact(data, data + size);
    HLOCAL list = nullptr;
    int result = GetArchiveInfo(exact.data(), static_cast<intptr_t>(exact.size()), 1, &list);
    if (result != 0) {
        if (list != nullptr) std::abort();
        return 0;
    }
    size_t bytes = LocalSize(list);
    if (bytes == 0 || bytes % sizeof(SusieArchiveRecord) != 0) std::abort();
    const auto* last = static_cast<const unsigned char*>(list) + bytes - sizeof(SusieArchiveRecord);
    if (last[0] != 0) std::abort();
    LocalFree(list);
    return 0;
}
