#include "selection/ui/ViewForm.h"

namespace obri {

TViewForm1::TViewForm1(QWidget* parent) : QDialog(parent) { setWindowTitle("Image"); }

TViewForm1::~TViewForm1() = default;

}  // namespace obri
