#pragma once
// PNG and JPEG files written by the tests themselves with libpng and libjpeg.
#include <cstdint>
#include <string>
#include <vector>

namespace obri::test {

struct PngKind {
    const char* name;
    int colorType;  // PNG_COLOR_TYPE_*
    int bitDepth;
    bool interlaced;
    bool transparency;  // a tRNS chunk (palette and grey kinds)
};

// A picture of the given kind with varied samples; returns the file's bytes.
std::string makePng(const PngKind& kind, uint32_t width, uint32_t height);

enum class JpegKind { Baseline, Progressive, Grey, Cmyk };
std::string makeJpeg(JpegKind kind, uint32_t width, uint32_t height, int quality = 92);

}  // namespace obri::test
