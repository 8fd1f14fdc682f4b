// Handlers of the make operations and the history.
#include "app/MainForm.h"

namespace obri {

void TMainForm1::connectOutputHandlers() {}
void TMainForm1::BitBtn1Click() {}
void TMainForm1::BitBtn2Click() {}
void TMainForm1::SpeedButton4Click() {}

}  // namespace obri
