// Handlers of the selection: folder browsing, preview, archive expansion and the checked list.
#include "app/MainForm.h"

namespace obri {

void TMainForm1::connectSelectionHandlers() {}
void TMainForm1::FileListBox1Change() {}
void TMainForm1::CheckListBox1DblClick() {}
void TMainForm1::CheckListBox2DblClick() {}
void TMainForm1::CheckListBox1ClickCheck() {}
void TMainForm1::CheckListBox2ClickCheck() {}
void TMainForm1::SpeedButton3Click() {}

}  // namespace obri
