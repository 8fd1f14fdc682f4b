// The shipped image plug-in: PNG and JPEG into 24-bit BITMAPINFO blocks. Pictures with alpha are
// composited over white, since the converter downstream takes no transparency.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "plugins/common/PluginSupport.h"
#include "plugins/image/DecodeJob.h"

namespace obri::plugin {

int allocatePicture(DecodeJob& job, uint32_t width, uint32_t height, int32_t xPelsPerMeter,
                    int32_t yPelsPerMeter) {
    if (width == 0 || height == 0) return kBroken;
    if (width > kMaxSide || height > kMaxSide) return kOutOfMemory;
    if (uint64_t{width} * height > kMaxPixels) return kOutOfMemory;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    size_t imageSize = stride * height;
    job.info = LocalAlloc(0x40u, sizeof(SusieBitmapInfoHeader));
    job.bits = LocalAlloc(0, imageSize);
    if (job.info == nullptr || job.bits == nullptr) {
        releasePicture(job);
        return kOutOfMemory;
    }
    auto* header = static_cast<SusieBitmapInfoHeader*>(LocalLock(job.info));
    header->biSize = sizeof(SusieBitmapInfoHeader);
    header->biWidth = static_cast<int32_t>(width);
    header->biHeight = static_cast<int32_t>(height);
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = 0;
    header->biSizeImage = static_cast<uint32_t>(imageSize);
    header->biXPelsPerMeter = xPelsPerMeter;
    header->biYPelsPerMeter = yPelsPerMeter;
    LocalUnlock(job.info);
    job.pixels = static_cast<unsigned char*>(LocalLock(job.bits));
    job.stride = stride;
    job.width = width;
    job.height = height;
    return kOk;
}

void releasePicture(DecodeJob& job) {
    if (job.bits != nullptr) {
        if (job.pixels != nullptr) LocalUnlock(job.bits);
        LocalFree(job.bits);
    }
    if (job.info != nullptr) LocalFree(job.info);
    job.info = job.bits = nullptr;
    job.pixels = nullptr;
}

bool progressSaysStop(DecodeJob& job, uint64_t num, uint64_t denom) {
    if (job.progress == nullptr) return false;
    // The callback takes ints; scale large counts down to keep the ratio.
    while (denom > 0x7FFFFFFF) {
        num >>= 1;
        denom >>= 1;
    }
    if (job.progress(static_cast<int>(num), static_cast<int>(denom), job.progressData) == 0) return false;
    job.failure = kAborted;
    return true;
}

bool looksLikePng(const unsigned char* head, size_t size) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && memcmp(head, kSignature, 8) == 0;
}

bool looksLikeJpeg(const unsigned char* head, size_t size) {
    return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

namespace {

int decodeAny(DecodeJob& job, const unsigned char* head, size_t headSize) {
    if (looksLikePng(head, headSize)) return decodePng(job);
    if (looksLikeJpeg(head, headSize)) return decodeJpeg(job);
    return kUnknownFormat;
}

int decodeFile(const char* path, intptr_t offset, DecodeJob& job) {
    if (path == nullptr || offset < 0) return kReadError;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return kReadError;
    int result = kReadError;
    unsigned char head[8] = {};
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0) {
        size_t n = fread(head, 1, sizeof head, file);
        if (ferror(file) == 0 && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0) {
            job.file = file;
            result = decodeAny(job, head, n);
        }
    }
    fclose(file);
    return result;
}

}  // namespace

}  // namespace obri::plugin

using namespace obri::plugin;

OBRI_PLUGIN_EXPORT int GetPluginInfo(int index, char* buf, int buflen) {
    static const char* const kInfo[] = {
        "00IN", "OBRI PNG/JPEG plug-in 1.0 (c) OBRI developers", "*.png", "PNG", "*.jpg;*.jpeg;*.jpe", "JPEG",
    };
    if (index < 0 || index >= static_cast<int>(sizeof kInfo / sizeof kInfo[0])) return 0;
    return answerInfo(kInfo[index], buf, buflen);
}

OBRI_PLUGIN_EXPORT int IsSupported(const char* /*name*/, void* source) {
    unsigned char head[8] = {};
    size_t n = probeHead(source, head, sizeof head);
    return looksLikePng(head, n) || looksLikeJpeg(head, n) ? 1 : 0;
}

OBRI_PLUGIN_EXPORT int GetPicture(const char* source, intptr_t offsetOrLength, unsigned int flag,
                                  HLOCAL* info, HLOCAL* bits, SusieProgress progress, intptr_t data) {
    if (info != nullptr) *info = nullptr;
    if (bits != nullptr) *bits = nullptr;
    if (info == nullptr || bits == nullptr) return kInternal;
    DecodeJob job;
    job.progress = progress;
    job.progressData = data;
    int result = kInternal;
    try {
        switch (inputForm(flag)) {
            case SUSIE_INPUT_FILE:
                result = decodeFile(source, offsetOrLength, job);
                break;
            case SUSIE_INPUT_MEMORY:
                if (source == nullptr || offsetOrLength <= 0) return kBroken;
                job.memory = reinterpret_cast<const unsigned char*>(source);
                job.memorySize = static_cast<size_t>(offsetOrLength);
                result = decodeAny(job, job.memory, job.memorySize);
                break;
            default:
                return kNotImplemented;
        }
    } catch (const std::bad_alloc&) {
        result = kOutOfMemory;
    } catch (...) {
        result = kInternal;
    }
    if (result == kOk && progressSaysStop(job, job.height, job.height)) result = kAborted;
    if (result != kOk) {
        releasePicture(job);
        return result;
    }
    LocalUnlock(job.bits);
    *info = job.info;
    *bits = job.bits;
    return kOk;
}
