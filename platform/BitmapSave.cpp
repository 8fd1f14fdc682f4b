// Writing the bitmap as a Windows BMP, and the file reading and writing behind it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/BitmapInternal.h"
#include "platform/BitmapIo.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace obri {

namespace {

// A file larger than any picture we accept plus generous room for tables and trailing data is
// read only this far; what a BMP needs lies before it.
constexpr std::size_t kMaxFileRead = (std::size_t{1} << 30) + (std::size_t{1} << 24);

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    // Only a regular file is a picture file; opening without blocking keeps a pipe from hanging us.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throwCannotOpen(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throwCannotOpen(path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::vector<std::uint8_t> bytes;
    const auto expected = static_cast<std::size_t>(st.st_size);
    bytes.resize(std::min(std::max<std::size_t>(expected, 1), kMaxFileRead));
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() >= kMaxFileRead) break;
            bytes.resize(std::min(bytes.size() * 2, kMaxFileRead));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            throwCannotOpen(path);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}


namespace {

// The file header, the info header, the masks of 5-6-5 and the colour table.
std::vector<std::uint8_t> headersOf(const Bitmap& bitmap) {
    const PixelFormat format = bitmap.pixelFormat();
    const bool fields = format == PixelFormat::Bits16;
    std::vector<PaletteEntry> palette = bitmap.palette();
    if (!isPaletteFormat(format))
        palette.clear();
    else if (palette.empty())
        palette = defaultPalette(format);
    const std::size_t offset = 14 + 40 + (fields ? 12 : 0) + palette.size() * 4;
    const std::size_t imageSize = bitmap.stride() * static_cast<std::size_t>(bitmap.height());

    std::vector<std::uint8_t> out;
    out.reserve(offset);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(offset + imageSize));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(offset));
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(bitmap.width()));
    put32(out, static_cast<std::uint32_t>(bitmap.height()));  // positive: rows bottom-up
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bitsOf(format)));
    put32(out, fields ? 3 : 0);
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, static_cast<std::uint32_t>(palette.size()));
    put32(out, 0);
    if (fields) {
        put32(out, 0xF800);
        put32(out, 0x07E0);
        put32(out, 0x001F);
    }
    for (const PaletteEntry& e : palette) {
        out.push_back(e.blue);
        out.push_back(e.green);
        out.push_back(e.red);
        out.push_back(0);
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> Bitmap::saveToMemory() const {
    std::vector<std::uint8_t> out = headersOf(*this);
    const std::size_t total = out.size() + stride_ * static_cast<std::size_t>(height_);
    std::vector<std::uint8_t> file;
    file.reserve(total);
    adviseLargePages(file.data(), total);
    file.insert(file.end(), out.begin(), out.end());
    for (int y = height_ - 1; y >= 0; --y) {
        const std::uint8_t* row = pixels_.data() + stride_ * static_cast<std::size_t>(y);
        file.insert(file.end(), row, row + stride_);
    }
    return file;
}

void Bitmap::saveToFile(const std::string& path) const {
    const std::vector<std::uint8_t> headers = headersOf(*this);
    std::vector<ByteRange> parts{{headers.data(), headers.size()}};
    parts.reserve(static_cast<std::size_t>(height_) + 1);
    for (int y = height_ - 1; y >= 0; --y)
        parts.push_back({pixels_.data() + stride_ * static_cast<std::size_t>(y), stride_});
    replaceFile(path, parts, ReplaceOptions{.durable = false, .writeFailureIsCreateError = false});
}

}  // namespace obri
