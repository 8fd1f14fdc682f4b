#include "platform/gui/BitmapImage.h"

#include <cstring>

namespace obri {

QImage toQImage(const Bitmap& bitmap) {
    if (bitmap.width() <= 0 || bitmap.height() <= 0) return {};
    const std::vector<std::uint32_t> argb = bitmap.toArgb32();
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const std::size_t rowSize = static_cast<std::size_t>(bitmap.width()) * sizeof(std::uint32_t);
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(image.scanLine(y),
                    argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width()),
                    rowSize);
    return image;
}

}  // namespace obri
