#pragma once
#include <QImage>

#include "platform/Bitmap.h"

namespace obri {

// A copy of the bitmap's pixels for showing on screen (QImage::Format_RGB32); a null image for an
// empty bitmap.
QImage toQImage(const Bitmap& bitmap);

}  // namespace obri
