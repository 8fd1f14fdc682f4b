#pragma once
// The generated control classes of the windows (Ui::TMainForm1, Ui::TAbortForm1). Include this
// rather than the ui_*.h files: targets other than obri_app then need no AUTOUIC setting of their own.
#include "ui_AbortForm.h"
#include "ui_MainForm.h"
