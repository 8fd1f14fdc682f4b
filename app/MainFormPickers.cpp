// The two destination pickers of the bottom block.
#include <optional>
#include <string>

#include "app/DestinationRules.h"
#include "app/MainForm.h"
#include "app/QtText.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

constexpr char kAldExtension[] = "ALD";
constexpr char kAldFilter[] = "ALDファイル(*.ALD)|*.ALD";

}  // namespace

void TMainForm1::Button1Click() {
    const std::optional<std::string> chosen = desktop_.chooseFolder(bytesOf(ui_->Edit1->text(), PmsDir));
    if (!chosen) return;
    const std::string folder = pmsFolderFromChoice(*chosen);
    ui_->Edit1->setText(toQString(folder));
    PmsDir = bytesOf(ui_->Edit1->text(), folder);
}

void TMainForm1::Button2Click() {
    const std::optional<std::string> chosen =
        desktop_.chooseSaveFile(bytesOf(ui_->Edit2->text(), AldFile), kAldExtension, kAldFilter);
    if (!chosen) return;
    ui_->Edit2->setText(toQString(*chosen));
    const std::string name = aldNameWithSuffix(bytesOf(ui_->Edit2->text(), *chosen));
    ui_->Edit2->setText(toQString(name));
    AldFile = bytesOf(ui_->Edit2->text(), name);
}

}  // namespace obri
