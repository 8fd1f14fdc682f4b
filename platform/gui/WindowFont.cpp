#include "platform/gui/WindowFont.h"

#include <QStringList>

namespace obri {

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace obri
