// The About window and the "Abort" button that shows it.
#include <cstdlib>

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ShellFixture.h"
#include "app/AbortForm.h"
#include "app/FormControls.h"

namespace obri::test {
namespace {

struct TitleRow {
    const char* name;
    QRect geometry;
    const char* text;
    int pixelSize;
    bool white;
};

TEST(AbortFormTest, ShowsItsTitlesAsWhiteEdgedPairs) {
    TAbortForm1 form;
    Ui::TAbortForm1& c = form.controls();
    EXPECT_EQ(form.windowTitle(), "information");
    EXPECT_EQ(form.size(), QSize(261, 97));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    const TitleRow rows[] = {{"Label1", {48, 8, 208, 22}, "Scenario Studio QUAV", 15, true},
                             {"Label2", {48, 7, 208, 22}, "Scenario Studio QUAV", 15, false},
                             {"Label3", {48, 24, 143, 30}, "Addin OBRI", 21, true},
                             {"Label4", {48, 23, 143, 30}, "Addin OBRI", 21, false}};
    for (const TitleRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* label = form.findChild<QLabel*>(row.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), row.geometry);
        EXPECT_EQ(label->text(), row.text);
        EXPECT_EQ(label->font().pixelSize(), row.pixelSize);
        EXPECT_TRUE(label->font().italic());
        EXPECT_GE(label->font().weight(), QFont::Bold);
        EXPECT_EQ(label->font().families().value(0), "Arial Black");
        EXPECT_EQ(label->palette().color(QPalette::WindowText) == QColor(Qt::white), row.white);
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), row.geometry.width());
    }
    const QObjectList& children = form.children();
    EXPECT_LT(children.indexOf(c.Label1), children.indexOf(c.Label2));  // black copy on top
    EXPECT_LT(children.indexOf(c.Label3), children.indexOf(c.Label4));
    EXPECT_TRUE(c.Label1->text().endsWith("QUAV"));

    EXPECT_EQ(c.Image1->geometry(), QRect(8, 16, 32, 32));
    EXPECT_EQ(c.Image1->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(c.Button1->geometry(), QRect(80, 64, 97, 25));
    EXPECT_EQ(c.Button1->text(), "OK");
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (child != c.Button1) {
            EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
        }
    }
    EXPECT_NE(c.Button1->focusPolicy(), Qt::NoFocus);
}

TEST(AbortFormTest, IconUsesSixteenColoursAtMost) {
    TAbortForm1 form;
    const QImage icon = form.controls().Image1->pixmap().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (qAlpha(icon.pixel(x, y)) != 0) colours.insert(icon.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    EXPECT_GE(colours.size(), 2);
}

enum class Ending { OkButton, FrameClose, Escape };

class AbortEndingTest : public ::testing::TestWithParam<Ending> {};

TEST_P(AbortEndingTest, EveryWayOutIsOk) {
    TAbortForm1 form;
    bool wasCentred = false;
    QTimer::singleShot(0, &form, [&] {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        // A platform frame may shift the client area by a few pixels.
        const QPoint offset = form.geometry().center() - screen.center();
        wasCentred = std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4;
        switch (GetParam()) {
            case Ending::OkButton:
                QTest::mouseClick(form.controls().Button1, Qt::LeftButton);
                break;
            case Ending::FrameClose:
                form.close();
                break;
            case Ending::Escape:
                QTest::keyClick(&form, Qt::Key_Escape);
                break;
        }
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_TRUE(wasCentred);
    EXPECT_FALSE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Endings, AbortEndingTest,
                         ::testing::Values(Ending::OkButton, Ending::FrameClose, Ending::Escape));

TEST_F(ShellTest, AbortButtonShowsTheAboutWindowModallyEachTime) {
    open();
    TAbortForm1 about;
    form->attachWindows(&about, nullptr, nullptr);
    form->show();
    for (int round = 0; round < 2; ++round) {
        bool shownModally = false;
        QTimer::singleShot(0, &about, [&] {
            shownModally = about.isVisible() && QApplication::activeModalWidget() == &about;
            QTest::mouseClick(about.controls().Button1, Qt::LeftButton);
        });
        QTest::mouseClick(c().SpeedButton2, Qt::LeftButton);
        EXPECT_TRUE(shownModally) << round;
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(about.controls().Label4->text(), "Addin OBRI");
    }
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace obri::test
