#pragma once
#include <QIcon>
#include <QPixmap>

namespace obri {

// The program's pictures, drawn at run time so that no picture file has to ship.
QPixmap applicationIconPixmap();  // 32 x 32, 16 colours
QIcon applicationIcon();
QIcon pmsGlyph();  // 16 x 16, on the PMS make button
QIcon aldGlyph();  // 16 x 16, on the ALD make button

}  // namespace obri
