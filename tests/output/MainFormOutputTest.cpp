#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "output/OutputTestSupport.h"
#include "output/ui/HistoryForm.h"
#include "platform/Error.h"
#include "platform/Texts.h"
#include "support/FakeDesktop.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

class MainFormOutput : public ::testing::Test {
  protected:
    test::TempFolder tmp;
    test::FakeDesktop desktop;
    CSusie susie;
    std::unique_ptr<TMainForm1> form;

    fs::path savedFolder;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", tmp.file("config").c_str(), 1);
        for (const char* folder : {"exe", "work", "pms", "pics"}) fs::create_directory(tmp.file(folder));
        fs::permissions(tmp.file("work"), fs::perms::owner_all);
        // The window lists the folder it starts in; the pictures are ticked there.
        for (const char* name : {"title.bmp", "bg01.bmp"})
            tmp.write(std::string("pics/") + name, test::makeBmp(3, 2, 24));
        savedFolder = fs::current_path();
        fs::current_path(tmp.file("pics"));
    }
    void TearDown() override {
        form.reset();
        fs::current_path(savedFolder);
        unsetenv("XDG_CONFIG_HOME");
    }
    void open(const std::string& converter = "", const std::string& linker = "") {
        tmp.write("exe/QUAV.INI", "[QUAV]\r\nPmss=" + converter + "\r\nLink=" + linker +
                                      "\r\n[OBRI]\r\nPMS_DIR=" + tmp.file("pms/") +
                                      "\r\nALD_FILE=" + tmp.file("CG.ALD") + "\r\n");
        form = std::make_unique<TMainForm1>(susie, desktop,
                                            ShellEnvironment{tmp.file("exe/"), tmp.file("work/")});
        form->show();
        QApplication::processEvents();
    }
    // Ticks a listed picture where the user clicks its check box, which adds its row.
    void tick(const std::string& name) {
        QListWidget* list = form->controls().CheckListBox1;
        const auto found = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        const QRect rect = list->visualItemRect(found.front());
        const int indicator = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() + 3 + indicator / 2, rect.center().y()));
        ASSERT_EQ(found.front()->checkState(), Qt::Checked) << name;
    }
    std::string converter() { return test::writeScript(tmp, "conv.sh", "cp \"$1\" \"${1%.bmp}.pms\""); }
    static void postKey(QWidget* widget) {
        QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
        QCoreApplication::postEvent(widget,
                                    new QKeyEvent(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, "x"));
    }
    static void postClick(QWidget* widget) {
        const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
        const QPointF global = widget->mapToGlobal(at);
        QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
};

TEST_F(MainFormOutput, HistoryButtonWithoutAFileDoesNothing) {
    open();
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogSeen = true;
            modal->close();
        }
    });
    form->controls().SpeedButton4->click();
    QApplication::processEvents();
    EXPECT_FALSE(dialogSeen);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(MainFormOutput, HistoryButtonShowsTheFileAndForgetsEditsBetweenShowings) {
    tmp.write("exe/History.txt",
              "2001/02/27 13:57:30 下記ﾌｧｲﾙを変換しました。\r\n\ttitle.jpg->title.pms\r\n");
    open();
    THistoryForm1 history(form.get());
    form->attachWindows(nullptr, nullptr, &history);
    QString shown;
    for (int showing = 0; showing < 2; ++showing) {
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(QApplication::activeModalWidget(), &history);
            shown = history.Memo1->toPlainText();
            history.Memo1->appendPlainText("typed by the user");
            history.accept();
        });
        form->controls().SpeedButton4->click();
        EXPECT_EQ(shown,
                  QString::fromUtf8("2001/02/27 13:57:30 下記ﾌｧｲﾙを変換しました。\n\ttitle.jpg->title.pms"));
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(MainFormOutput, AHistoryThatCannotBeReadGoesToTheExceptionBox) {
    test::makeUnreadableFile(tmp.file("exe/History.txt"));
    open();
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogSeen = true;
            modal->close();
        }
    });
    form->controls().SpeedButton4->click();
    QApplication::processEvents();
    EXPECT_FALSE(dialogSeen);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, "exception");
    EXPECT_EQ(desktop.messages[0].text, formatText(texts::kCannotOpen, tmp.file("exe/History.txt")));
}

TEST_F(MainFormOutput, PmsButtonShowsHowTheBatchEnded) {
    open(converter());
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, "warning");
    EXPECT_EQ(desktop.messages[0].text, "ファイルが選択されていません。");

    tick("title.bmp");
    tick("bg01.bmp");
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].kind, "information");
    EXPECT_EQ(desktop.messages[1].text, "PMSファイルを作成しました。");
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,bg01.pms\r\n");
    EXPECT_EQ(form->controls().ProgressBar1->maximum(), 1);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 1);

    EXPECT_FALSE(QApplication::overrideCursor()) << "the busy cursor is gone";

    // The same rows again find their PMS files in place.
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[2].kind, "warning");
    EXPECT_EQ(desktop.messages[2].text, std::string(texts::kSomeNotConverted) +
                                            "\ntitle.bmp : " + texts::kReasonPmsExists +
                                            "\nbg01.bmp : " + texts::kReasonPmsExists);
}

TEST_F(MainFormOutput, AnErrorOfTheBatchGoesToTheExceptionBox) {
    open(converter());
    tick("title.bmp");
    form->controls().Edit1->setText(QString::fromStdString(tmp.file("nowhere/")));
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, "exception");
    EXPECT_EQ(desktop.messages[0].text, formatText(texts::kCannotCreate, tmp.file("nowhere/OBRI.hed")));
    // The window is usable again afterwards.
    form->controls().Edit1->setText(QString::fromStdString(tmp.file("pms/")));
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].kind, "information");
}

TEST_F(MainFormOutput, AldButtonShowsHowTheBuildEnded) {
    open(converter(), test::writeScript(tmp, "link.sh", "exit 1"));
    form->controls().BitBtn2->click();
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n");
    form->controls().BitBtn2->click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text, "PMSファイルが作成されていません。");
    EXPECT_EQ(desktop.messages[1].kind, "warning");
    EXPECT_EQ(desktop.messages[1].text, "ALDファイルを作成できませんでした。");
    EXPECT_FALSE(fs::exists(tmp.file("exe/OBRI_DIR.HED")));
}

// Clicks and keys that arrive while a batch runs are thrown away, not acted on once it is over.
TEST_F(MainFormOutput, InputDuringABatchIsDiscarded) {
    open(test::writeScript(tmp, "slow.sh", "sleep 0.2; cp \"$1\" \"${1%.bmp}.pms\""),
         test::writeScript(tmp, "link.sh", "exit 1"));
    QLineEdit* edit = form->controls().Edit1;
    const QString pmsDir = edit->text();
    // Without a batch, posted input does reach the window.
    postKey(edit);
    QApplication::processEvents();
    ASSERT_EQ(edit->text(), pmsDir + "x");
    edit->setText(pmsDir);
    postClick(form->controls().BitBtn2);
    QApplication::processEvents();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "PMSファイルが作成されていません。");

    tick("title.bmp");
    QTimer::singleShot(50, [&] {
        postClick(form->controls().BitBtn2);
        postKey(edit);
    });
    postKey(edit);
    form->controls().BitBtn1->click();
    QApplication::processEvents();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text, "PMSファイルを作成しました。");
    EXPECT_EQ(edit->text(), pmsDir);
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n");
}

}  // namespace
}  // namespace obri
