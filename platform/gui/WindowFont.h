#pragma once
#include <QFont>

namespace obri {

// Every window's Japanese proportional Gothic, at a fixed pixel size so rows do not move with the
// fonts a machine happens to have.
QFont windowFont();

}  // namespace obri
