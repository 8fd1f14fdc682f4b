// PNG through libpng's classic interface. Every setjmp lives in runPng, which holds no object with
// a destructor; the jump never leaves this file.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "plugins/image/DecodeJob.h"

namespace obri::plugin {
namespace {

struct PngState {
    DecodeJob* job;
    unsigned char* scratch;  // BGRA rows when the picture has alpha
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    if (state->job->failure == 0)
        state->job->failure =
            (message != nullptr && strstr(message, "emory") != nullptr) ? kOutOfMemory : kBroken;
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void readPng(png_structp png, png_bytep out, size_t size) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    DecodeJob& job = *state->job;
    if (job.file != nullptr) {
        size_t n = fread(out, 1, size, job.file);
        if (n == size) return;
        job.failure = ferror(job.file) != 0 ? kReadError : kBroken;
        png_error(png, "read");
    }
    if (job.memorySize - job.memoryPos < size) {
        job.failure = kBroken;
        png_error(png, "short data");
    }
    memcpy(out, job.memory + job.memoryPos, size);
    job.memoryPos += size;
}

// Alpha over white, rounded.
void compositeRow(const unsigned char* bgra, unsigned char* bgr, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        unsigned a = bgra[3];
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<unsigned char>((bgra[c] * a + 255u * (255u - a) + 127u) / 255u);
    }
}

void setTransforms(png_structp png, png_infop info, bool& alpha) {
    int colorType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_scale_16(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
}

int32_t pelsPerMeter(png_structp png, png_infop info, bool x) {
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &rx, &ry, &unit) == 0 || unit != PNG_RESOLUTION_METER) return 0;
    png_uint_32 v = x ? rx : ry;
    return v > 0x7FFFFFFF ? 0 : static_cast<int32_t>(v);
}

// Text, colour-profile and other ancillary chunks are never used here; skipping them unread keeps a
// small hostile file from making libpng allocate or inflate huge chunks.
void limitChunks(png_structp png) {
    static const png_byte kIgnored[] = "tEXt\0zTXt\0iTXt\0iCCP\0eXIf\0sPLT\0hIST\0";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, 7);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_set_chunk_cache_max(png, 1000);
}

int runPng(png_structp png, png_infop info, PngState* state) {
    DecodeJob* job = state->job;
    if (setjmp(png_jmpbuf(png))) return job->failure != 0 ? job->failure : kBroken;
    png_set_read_fn(png, state, readPng);
    limitChunks(png);
    png_read_info(png, info);
    bool alpha = false;
    setTransforms(png, info, alpha);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    uint32_t width = png_get_image_width(png, info);
    uint32_t height = png_get_image_height(png, info);
    int result =
        allocatePicture(*job, width, height, pelsPerMeter(png, info, true), pelsPerMeter(png, info, false));
    if (result != kOk) return result;
    size_t channels = alpha ? 4 : 3;
    if (png_get_rowbytes(png, info) != channels * width) return kBroken;
    // Interlaced passes refine rows already read, so alpha pictures keep every row until the end.
    size_t scratchRows = (alpha && passes > 1) ? height : (alpha ? 1 : 0);
    if (scratchRows > 0) {
        state->scratch = static_cast<unsigned char*>(malloc(scratchRows * width * 4));
        if (state->scratch == nullptr) return kOutOfMemory;
        if (passes > 1) memset(state->scratch, 0, scratchRows * width * 4);
    }
    uint64_t total = uint64_t{height} * static_cast<unsigned>(passes);
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < height; ++y) {
            if ((y & 63) == 0 &&
                progressSaysStop(*job, uint64_t{height} * static_cast<unsigned>(pass) + y, total))
                return kAborted;
            if (pass == 0) clearPadding(*job, y);
            unsigned char* target =
                !alpha ? pictureRow(*job, y) : state->scratch + (passes > 1 ? size_t{y} * width * 4 : 0);
            png_read_row(png, target, nullptr);
            if (alpha && passes == 1) compositeRow(target, pictureRow(*job, y), width);
        }
    }
    if (alpha && passes > 1)
        for (uint32_t y = 0; y < height; ++y)
            compositeRow(state->scratch + size_t{y} * width * 4, pictureRow(*job, y), width);
    png_read_end(png, nullptr);
    return kOk;
}

}  // namespace

int decodePng(DecodeJob& job) {
    PngState state{&job, nullptr};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, onPngError, onPngWarning);
    if (png == nullptr) return kOutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return kOutOfMemory;
    }
    int result = runPng(png, info, &state);
    png_destroy_read_struct(&png, &info, nullptr);
    free(state.scratch);
    return result;
}

}  // namespace obri::plugin
