#include "output/ui/HistoryForm.h"

namespace obri {

THistoryForm1::THistoryForm1(QWidget* parent) : QDialog(parent) { setWindowTitle("History"); }

THistoryForm1::~THistoryForm1() = default;

}  // namespace obri
