#pragma once
#include <string>
#include <string_view>

#include <QString>

namespace obri {

// The program's texts are bytes in the system code page (UTF-8); QString only at the window boundary.
inline QString toQString(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The bytes of text. When text still shows `current` unchanged, current's own bytes are kept, so a
// value that is not valid UTF-8 survives a trip through an edit box it was merely shown in.
inline std::string bytesOf(const QString& text, const std::string& current) {
    if (text == toQString(current)) return current;
    return text.toStdString();
}

}  // namespace obri
