// JPEG through libjpeg-turbo. The error manager jumps back into runJpeg only; that function holds
// no object with a destructor. A file that ends early is refused rather than shown half grey.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs stdio and stddef before it.
#include <jerror.h>
#include <jpeglib.h>

#include "plugins/image/DecodeJob.h"

namespace obri::plugin {
namespace {

struct JpegErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
    DecodeJob* job;
    unsigned char* row;  // CMYK row before it becomes BGR
};

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (errors->job->failure == 0)
        errors->job->failure = errors->base.msg_code == JERR_OUT_OF_MEMORY ? kOutOfMemory : kBroken;
    longjmp(errors->jump, 1);
}

void onJpegMessage(j_common_ptr cinfo, int level) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (level == -1 && errors->base.msg_code == JWRN_JPEG_EOF) onJpegError(cinfo);
}

int32_t pelsPerMeter(const jpeg_decompress_struct& cinfo, unsigned density) {
    if (cinfo.density_unit == 1) return static_cast<int32_t>((density * 10000u + 127u) / 254u);
    if (cinfo.density_unit == 2) return static_cast<int32_t>(density * 100u);
    return 0;
}

// Inverted CMYK as most writers store it, the way common viewers show it.
void cmykToBgr(const unsigned char* cmyk, unsigned char* bgr, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned k = cmyk[3];
        bgr[0] = static_cast<unsigned char>(cmyk[2] * k / 255u);
        bgr[1] = static_cast<unsigned char>(cmyk[1] * k / 255u);
        bgr[2] = static_cast<unsigned char>(cmyk[0] * k / 255u);
    }
}

int readRows(jpeg_decompress_struct* cinfo, JpegErrors* errors, bool cmyk) {
    DecodeJob* job = errors->job;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint32_t y = cinfo->output_scanline;
        if ((y & 63) == 0 && progressSaysStop(*job, y, cinfo->output_height)) return kAborted;
        JSAMPROW target = cmyk ? errors->row : pictureRow(*job, y);
        clearPadding(*job, y);
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) return kBroken;
        if (cmyk) cmykToBgr(errors->row, pictureRow(*job, y), job->width);
    }
    return kOk;
}

int runJpeg(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
    DecodeJob* job = errors->job;
    if (setjmp(errors->jump)) return job->failure != 0 ? job->failure : kBroken;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = 1536L * 1024 * 1024;
    if (job->file != nullptr)
        jpeg_stdio_src(cinfo, job->file);
    else
        jpeg_mem_src(cinfo, job->memory, static_cast<unsigned long>(job->memorySize));
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width > kMaxSide || cinfo->image_height > kMaxSide ||
        uint64_t{cinfo->image_width} * cinfo->image_height > kMaxPixels)
        return kOutOfMemory;
    bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(cinfo);
    int result =
        allocatePicture(*job, cinfo->output_width, cinfo->output_height,
                        pelsPerMeter(*cinfo, cinfo->X_density), pelsPerMeter(*cinfo, cinfo->Y_density));
    if (result != kOk) return result;
    if (cmyk) {
        errors->row = static_cast<unsigned char*>(malloc(size_t{cinfo->output_width} * 4));
        if (errors->row == nullptr) return kOutOfMemory;
    }
    result = readRows(cinfo, errors, cmyk);
    if (result != kOk) return result;
    jpeg_finish_decompress(cinfo);
    return kOk;
}

}  // namespace

int decodeJpeg(DecodeJob& job) {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.base.emit_message = onJpegMessage;
    errors.job = &job;
    int result = runJpeg(&cinfo, &errors);
    jpeg_destroy_decompress(&cinfo);
    free(errors.row);
    return result;
}

}  // namespace obri::plugin
