#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

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

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", tmp.file("config").c_str(), 1);
        for (const char* folder : {"exe", "work", "pms", "pics"}) fs::create_directory(tmp.file(folder));
        fs::permissions(tmp.file("work"), fs::perms::owner_all);
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
    void addRow(const std::string& name) {
        const std::string path = tmp.write("pics/" + name, test::makeBmp(3, 2, 24));
        auto* item = new QTreeWidgetItem(
            QStringList{QString::fromStdString(name), "0", "0", "", QString::fromStdString(path)});
        form->controls().ListView3->addTopLevelItem(item);
    }
    std::string converter() { return test::writeScript(tmp, "conv.sh", "cp \"$1\" \"${1%.bmp}.pms\""); }
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

TEST_F(MainFormOutput, PmsButtonShowsHowTheBatchEnded) {
    open(converter());
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, "warning");
    EXPECT_EQ(desktop.messages[0].text, "ファイルが選択されていません。");

    addRow("title.jpg");
    addRow("bg01.bmp");
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].kind, "information");
    EXPECT_EQ(desktop.messages[1].text, "PMSファイルを作成しました。");
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,bg01.pms\r\n");
    EXPECT_EQ(form->controls().ProgressBar1->maximum(), 1);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 1);

    // The same rows again find their PMS files in place.
    form->controls().BitBtn1->click();
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[2].kind, "warning");
    EXPECT_EQ(desktop.messages[2].text, std::string(texts::kSomeNotConverted) +
                                            "\ntitle.jpg : " + texts::kReasonPmsExists +
                                            "\nbg01.bmp : " + texts::kReasonPmsExists);
}

TEST_F(MainFormOutput, AnErrorOfTheBatchGoesToTheExceptionBox) {
    open(converter());
    addRow("title.jpg");
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

// Clicks that arrive while a batch runs are thrown away, not acted on once it is over.
TEST_F(MainFormOutput, InputDuringABatchIsDiscarded) {
    open(test::writeScript(tmp, "slow.sh", "sleep 0.2; cp \"$1\" \"${1%.bmp}.pms\""),
         test::writeScript(tmp, "link.sh", "exit 1"));
    // Without a batch, a posted click does reach the ALD button.
    postClick(form->controls().BitBtn2);
    QApplication::processEvents();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "PMSファイルが作成されていません。");

    addRow("title.jpg");
    QTimer::singleShot(50, [&] { postClick(form->controls().BitBtn2); });
    postClick(form->controls().BitBtn2);
    form->controls().BitBtn1->click();
    QApplication::processEvents();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text, "PMSファイルを作成しました。");
}

}  // namespace
}  // namespace obri
