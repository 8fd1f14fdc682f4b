#include "selection/PreviewSizing.h"

namespace obri {

ClientSize previewClientSize(int width, int height, int screenWidth, int screenHeight) {
    ClientSize size;
    size.width = width < screenWidth ? width + 4 : screenWidth;
    size.height = height < screenHeight ? height + 4 : screenHeight;
    if (width <= 32) size.width = 32;
    return size;
}

}  // namespace obri
