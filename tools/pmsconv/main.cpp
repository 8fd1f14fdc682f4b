// Stand-in for the host editor's PMS converter: `pmsconv PATH.bmp` writes PATH.pms beside the BMP.
// Its output is a format of its own, not the game's, and says so in its first line.
#include <cstdio>
#include <string>

#include "tools/common/ToolFiles.h"
#include "tools/pmsconv/BmpReader.h"

namespace {

std::string pmsPathFor(const std::string& bmpPath) {
    size_t slash = bmpPath.rfind('/');
    size_t dot = bmpPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return bmpPath + ".pms";
    return bmpPath.substr(0, dot) + ".pms";
}

std::string encode(const obri::tools::BmpPicture& p) {
    std::string out = "OBRI-PMS-STANDIN 1\n";
    out += "width " + std::to_string(p.width) + " height " + std::to_string(p.height) + " bits " +
           (p.indexed ? "8" : "24") + " colours " + std::to_string(p.palette.size()) + "\n";
    for (const auto& c : p.palette) out.append(reinterpret_cast<const char*>(c.data()), 3);
    out.append(reinterpret_cast<const char*>(p.pixels.data()), p.pixels.size());
    return out;
}

int failWith(const std::string& message) {
    std::fprintf(stderr, "pmsconv: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return failWith("usage: pmsconv PATH.bmp (exactly one argument)");
    std::string path = argv[1];
    std::string error;
    auto bytes = obri::tools::readWholeFile(path, error);
    if (!bytes) return failWith(error);
    obri::tools::BmpPicture picture;
    if (!obri::tools::readBmp(*bytes, picture, error)) return failWith(path + ": " + error);
    if (!obri::tools::writeFileAtomically(pmsPathFor(path), encode(picture), error)) return failWith(error);
    return 0;
}
