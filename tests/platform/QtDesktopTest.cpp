#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/gui/QtDesktop.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

struct BoxCase {
    const char* label;
    void (QtDesktop::*show)(const std::string&);
    QMessageBox::Icon icon;
};
void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.label; }

class MessageBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, ShowOneOkButtonUnderTheProgramsTitle) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = -1;
    bool seen = false;
    // The box is modal: look at it from the event loop it runs, then close it.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->accept();
    });
    QtDesktop desktop;
    (desktop.*GetParam().show)("ファイルが選択されていません。");
    ASSERT_TRUE(seen);
    EXPECT_EQ(title, QStringLiteral("OBRI"));
    EXPECT_EQ(text, QStringLiteral("ファイルが選択されていません。"));
    EXPECT_EQ(icon, GetParam().icon);
    EXPECT_EQ(buttons, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MessageBoxes,
    ::testing::Values(BoxCase{"warning", &QtDesktop::warning, QMessageBox::Warning},
                      BoxCase{"information", &QtDesktop::information, QMessageBox::Information},
                      BoxCase{"exception", &QtDesktop::exceptionBox, QMessageBox::Critical}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(QtDesktop, FiltersBecomeQtFilters) {
    EXPECT_EQ(QtDesktop::qtFilter("ALDファイル(*.ALD)|*.ALD"), QStringLiteral("ALDファイル(*.ALD)"));
    EXPECT_EQ(QtDesktop::qtFilter("Bitmap(*.BMP)|*.bmp|すべて|*.png;*.jpg"),
              QStringLiteral("Bitmap(*.BMP);;すべて (*.png *.jpg)"));
}

TEST(QtDesktop, ScreenSizeIsThePrimaryScreensAvailableArea) {
    QtDesktop desktop;
    EXPECT_GT(desktop.fullScreenWidth(), 0);
    EXPECT_GT(desktop.fullScreenHeight(), 0);
}

// Runs action on the file dialog once it is up, from the dialog's own event loop.
void onFileDialog(const std::function<void(QFileDialog*)>& action, bool& seen) {
    QTimer::singleShot(0, [action, &seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen = true;
        action(dialog);
    });
}

TEST(QtDesktop, SaveDialogAddsTheDefaultExtensionAndShowsTheFilter) {
    test::TempFolder temp;
    QtDesktop desktop;
    bool seen = false;
    QString suffix;
    QStringList filters;
    onFileDialog(
        [&](QFileDialog* dialog) {
            suffix = dialog->defaultSuffix();
            filters = dialog->nameFilters();
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog->directory().absolutePath() + "/", QString::fromStdString(temp.path()));
            dialog->selectFile(QString::fromStdString(temp.file("CG")));
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the typed name
        },
        seen);
    auto chosen = desktop.chooseSaveFile(temp.file("old.ALD"), "ALD", "ALDファイル(*.ALD)|*.ALD");
    ASSERT_TRUE(seen);
    EXPECT_EQ(suffix, QStringLiteral("ALD"));
    EXPECT_EQ(filters, QStringList{QStringLiteral("ALDファイル(*.ALD)")});
    EXPECT_EQ(chosen, std::optional<std::string>(temp.file("CG.ALD")));

    seen = false;
    onFileDialog([](QFileDialog* dialog) { dialog->reject(); }, seen);
    EXPECT_EQ(desktop.chooseSaveFile("", "ALD", "ALDファイル(*.ALD)|*.ALD"), std::nullopt);
    EXPECT_TRUE(seen);
}

TEST(QtDesktop, FolderChooserOpensOnTheStartOrTheCurrentFolder) {
    test::TempFolder temp;
    QtDesktop desktop;
    std::string start = temp.path().substr(0, temp.path().size() - 1);
    for (const auto& [given, expected] : {std::pair{start, QString::fromStdString(start)},
                                          std::pair{temp.file("missing"), QDir::currentPath()}}) {
        bool seen = false;
        QString opened;
        onFileDialog(
            [&](QFileDialog* dialog) {
                opened = dialog->directory().absolutePath();
                EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
                dialog->reject();
            },
            seen);
        EXPECT_EQ(desktop.chooseFolder(given), std::nullopt);
        ASSERT_TRUE(seen) << given;
        EXPECT_EQ(opened, expected) << given;
    }
}

}  // namespace
}  // namespace obri
