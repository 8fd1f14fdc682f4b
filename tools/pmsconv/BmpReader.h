#pragma once
// A small strict reader for the BMP files the program hands the converter: uncompressed 1, 4, 8,
// 16, 24 and 32 bits (bit fields for 16 and 32), core and info headers up to version 5, top-down or
// bottom-up rows. Anything else is refused with a reason; nothing past the file's end is read.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace obri::tools {

struct BmpPicture {
    int width = 0;
    int height = 0;
    bool indexed = false;                         // 8-bit indexes into palette, else 24-bit RGB
    std::vector<std::array<uint8_t, 3>> palette;  // R, G, B
    std::vector<uint8_t> pixels;                  // rows top-down, no padding
};

// True and the picture, or false and the reason.
bool readBmp(const std::string& bytes, BmpPicture& picture, std::string& error);

}  // namespace obri::tools
