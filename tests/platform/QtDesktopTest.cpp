#include <ostream>
#include <string>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/gui/QtDesktop.h"

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

}  // namespace
}  // namespace obri
