#include "tests/plugins/PictureFiles.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
// jpeglib.h needs stdio and stddef before it.
#include <jpeglib.h>
#include <cstddef>

namespace obri::test {
namespace {

uint32_t sample(uint32_t x, uint32_t y, uint32_t c) {
    uint32_t h = (x * 31u + y * 17u + c * 71u + 5u) * 2654435761u;
    return (h >> 13) ^ (x * 7u + y * 3u);
}

int channelsOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;
    }
}

std::vector<png_byte> rawRow(const PngKind& kind, uint32_t width, uint32_t y) {
    int channels = channelsOf(kind.colorType);
    uint32_t max = (1u << kind.bitDepth) - 1u;
    size_t bits = size_t{width} * static_cast<size_t>(channels) * static_cast<size_t>(kind.bitDepth);
    std::vector<png_byte> row((bits + 7) / 8, 0);
    size_t bit = 0;
    for (uint32_t x = 0; x < width; ++x) {
        for (int c = 0; c < channels; ++c, bit += static_cast<size_t>(kind.bitDepth)) {
            uint32_t v = sample(x, y, static_cast<uint32_t>(c)) & max;
            if (kind.bitDepth == 16) {
                row[bit / 8] = static_cast<png_byte>(v >> 8);
                row[bit / 8 + 1] = static_cast<png_byte>(v);
            } else if (kind.bitDepth == 8) {
                row[bit / 8] = static_cast<png_byte>(v);
            } else {
                row[bit / 8] |= static_cast<png_byte>(v << (8 - kind.bitDepth - bit % 8));
            }
        }
    }
    return row;
}

void appendBytes(png_structp png, png_bytep data, size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}
void noFlush(png_structp) {}

}  // namespace

namespace {

struct PngParts {
    png_color* palette;
    png_byte* alphas;
    int count;
    png_bytepp rows;
    std::string* out;
};

// Holds the setjmp; only plain data lives here.
bool writePng(png_structp png, png_infop info, const PngKind& kind, uint32_t width, uint32_t height,
              const PngParts* parts) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, parts->out, appendBytes, noFlush);
    png_set_IHDR(png, info, width, height, kind.bitDepth, kind.colorType,
                 kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, parts->palette, parts->count);
        if (kind.transparency) png_set_tRNS(png, info, parts->alphas, parts->count / 2 + 1, nullptr);
    } else if (kind.transparency && kind.colorType == PNG_COLOR_TYPE_GRAY) {
        png_color_16 grey{};
        grey.gray = static_cast<png_uint_16>(sample(0, 0, 0) & ((1u << kind.bitDepth) - 1u));
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    png_write_image(png, parts->rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::string makePng(const PngKind& kind, uint32_t width, uint32_t height) {
    std::string out;
    std::vector<std::vector<png_byte>> rows;
    for (uint32_t y = 0; y < height; ++y) rows.push_back(rawRow(kind, width, y));
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    int count = kind.colorType == PNG_COLOR_TYPE_PALETTE ? 1 << kind.bitDepth : 0;
    for (int i = 0; i < count; ++i) {
        auto u = static_cast<uint32_t>(i);
        palette.push_back({static_cast<png_byte>(sample(u, 1, 0)), static_cast<png_byte>(sample(u, 2, 1)),
                           static_cast<png_byte>(sample(u, 3, 2))});
        alphas.push_back(static_cast<png_byte>(sample(u, 4, 3)));
    }
    PngParts parts{palette.data(), alphas.data(), count, pointers.data(), &out};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = writePng(png, info, kind, width, height, &parts);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("png writer failed");
    return out;
}

std::string makeJpeg(JpegKind kind, uint32_t width, uint32_t height, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    int components = kind == JpegKind::Grey ? 1 : (kind == JpegKind::Cmyk ? 4 : 3);
    cinfo.input_components = components;
    cinfo.in_color_space =
        kind == JpegKind::Grey ? JCS_GRAYSCALE : (kind == JpegKind::Cmyk ? JCS_CMYK : JCS_RGB);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t{width} * static_cast<size_t>(components));
    while (cinfo.next_scanline < height) {
        uint32_t y = cinfo.next_scanline;
        // Smooth gradients with a little texture, so the decoders agree closely.
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[size_t{x} * static_cast<size_t>(components) + static_cast<size_t>(c)] =
                    static_cast<JSAMPLE>(
                        (x * (2u + static_cast<uint32_t>(c)) + y * 3u + (sample(x, y, 0) & 7u)) & 255u);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    free(buffer);
    return out;
}

}  // namespace obri::test
