#pragma once
// What a decoder gets and leaves: the input (an open file or a block in memory), the progress
// function, and the BITMAPINFO and pixel blocks it fills. The decoders keep every object with a
// destructor out of the functions that hold a setjmp, so a library error can jump back safely.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "plugins/common/PluginSupport.h"

namespace obri::plugin {

struct DecodeJob {
    FILE* file = nullptr;                   // file form: positioned where the data starts
    const unsigned char* memory = nullptr;  // memory form
    size_t memorySize = 0;
    size_t memoryPos = 0;
    SusieProgress progress = nullptr;
    intptr_t progressData = 0;
    // Output: 24-bit bottom-up BGR rows, each padded to 4 bytes.
    HLOCAL info = nullptr;
    HLOCAL bits = nullptr;
    unsigned char* pixels = nullptr;
    size_t stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int failure = 0;  // set before a library error jumps back, so the cause is kept
};

// Larger pictures are refused before anything is allocated.
constexpr uint32_t kMaxSide = 32768;
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

// Checks the size and allocates both blocks; kOk or the failure code.
int allocatePicture(DecodeJob& job, uint32_t width, uint32_t height, int32_t xPelsPerMeter,
                    int32_t yPelsPerMeter);
// Row y counted from the top of the picture.
inline unsigned char* pictureRow(DecodeJob& job, uint32_t y) {
    return job.pixels + static_cast<size_t>(job.height - 1 - y) * job.stride;
}
// Padding bytes are part of the block the host reads; each row's are cleared as the row is made,
// so a picture cut short never has its whole block touched.
inline void clearPadding(DecodeJob& job, uint32_t y) {
    size_t used = size_t{job.width} * 3;
    if (job.stride > used) memset(pictureRow(job, y) + used, 0, job.stride - used);
}
void releasePicture(DecodeJob& job);
// True when the host's progress function asks to stop; records the abort.
bool progressSaysStop(DecodeJob& job, uint64_t num, uint64_t denom);

int decodePng(DecodeJob& job);
int decodeJpeg(DecodeJob& job);
bool looksLikePng(const unsigned char* head, size_t size);
bool looksLikeJpeg(const unsigned char* head, size_t size);

}  // namespace obri::plugin
