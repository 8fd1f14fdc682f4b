#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/TempFolder.h"
#include "susie/CSusie.h"

namespace obri::test {

// A BMP file of the given depth: 4 and 8 bits get the palette (indices run over it), 24 and 32 bits
// a colour gradient.
std::string makeBmp(int width, int height, int bits, const std::vector<std::uint32_t>& palette = {});
int bmpBits(const std::string& bmp);
int bmpWidth(const std::string& bmp);
// The colour table of a BMP as 0x00RRGGBB entries.
std::vector<std::uint32_t> bmpPalette(const std::string& bmp);

// Writes an executable shell script.
std::string writeScript(const TempFolder& folder, const std::string& name, const std::string& body);

// Archive members by position; the fake archive plug-in takes every file named *.arc and hands
// out these bytes. Enough to have CSusie extract members without a real archive format. It also
// decodes members that start with kFakePictureMark, then a width and a height byte, into a 24-bit
// picture, as an image plug-in does.
inline constexpr std::string_view kFakePictureMark = "FAKEPIC";
inline std::string fakePicture(int width, int height) {
    return std::string(kFakePictureMark) + static_cast<char>(width) + static_cast<char>(height);
}
using FakeMembers = std::map<std::uint32_t, std::string>;
std::unique_ptr<CSusie> makeSusieWithFakeArchives(const TempFolder& folder,
                                                  std::shared_ptr<FakeMembers> members);

// A file that exists (a socket) but that no one, root included, can open for reading.
void makeUnreadableFile(const std::string& path);

// "a\r\nb\r\n" -> {"a", "b"}; keeps a last line without an end.
std::vector<std::string> crlfLines(const std::string& text);

// The header line of a history block, with any date and time.
bool isHistoryHeader(const std::string& line, const std::string& sentence);

}  // namespace obri::test
