// The selection handlers through the real controls of the main window, with test plug-ins.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "selection/FolderListing.h"
#include "selection/ui/ViewForm.h"
#include "support/FakeDesktop.h"
#include "support/TempFolder.h"
#include "susie/SusieTestSupport.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

using Names = std::vector<std::string>;

std::string realFolder(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// What the preview showed each time it was opened.
struct Preview {
    std::string caption;
    QSize client;
    QSize image;
    QPoint place;
    int horizontalScroll = 0;  // scroll range once the window was up
    int verticalScroll = 0;
};

class SelectionWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        savedFolder = currentFolder();
        setenv("XDG_CONFIG_HOME", temp.file("config").c_str(), 1);  // no plug-in folder in the registry
        test::installPlugins(temp.file("exe"), {"img_a", "arc"});
        ASSERT_EQ(mkdir(temp.file("pics").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(temp.file("pics/sub").c_str(), 0700), 0);
        pics = realFolder(temp.file("pics"));
        temp.write("pics/a.jpg", test::testPictureBytes());
        temp.write("pics/B.jpg", test::testPictureBytes());
        temp.write("pics/broken.jpg", "not a picture");
        temp.write("pics/notes.txt", "text");
        temp.write("pics/sub/c.jpg", test::testPictureBytes());
        members = {{"m1.jpg", test::testPictureBytes()}, {"m2.jpg", test::testPictureBytes()}};
        temp.write("pics/game.tarc", test::testArchive(members));
        ASSERT_TRUE(enterFolder(pics));

        form = std::make_unique<TMainForm1>(susie, desktop,
                                            ShellEnvironment{temp.file("exe/"), temp.file("work/")});
        view = std::make_unique<TViewForm1>();
        view->setModalRunner([this](TViewForm1& shown) {
            Preview preview{shown.windowTitle().toStdString(), shown.size(), shown.Image1->size(),
                            shown.pos()};
            QTimer::singleShot(0, &shown, &QDialog::accept);  // the real modal loop, ended at once
            shown.exec();
            preview.horizontalScroll = shown.ScrollBox1->horizontalScrollBar()->maximum();
            preview.verticalScroll = shown.ScrollBox1->verticalScrollBar()->maximum();
            previews.push_back(preview);
        });
        form->attachWindows(nullptr, view.get(), nullptr);
    }
    void TearDown() override {
        form.reset();
        enterFolder(savedFolder);
        unsetenv("XDG_CONFIG_HOME");
    }

    Ui::TMainForm1& c() { return form->controls(); }

    // Chooses the file type whose patterns are exactly these, as the user would.
    void chooseType(const QString& patterns) {
        const int index = c().FilterComboBox1->findData(patterns);
        ASSERT_GE(index, 0) << patterns.toStdString();
        c().FilterComboBox1->setCurrentIndex(index);
    }
    void listEverything() { chooseType(QStringLiteral("*.*")); }

    static Names texts(QListWidget* list) {
        Names out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    }
    static Names ticked(QListWidget* list) {
        Names out;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                out.push_back(list->item(i)->text().toStdString());
        return out;
    }
    std::vector<Names> rows() {
        std::vector<Names> out;
        QTreeWidget* view3 = c().ListView3;
        for (int i = 0; i < view3->topLevelItemCount(); ++i) {
            Names row;
            for (int column = 0; column < 5; ++column)
                row.push_back(view3->topLevelItem(i)->text(column).toStdString());
            out.push_back(row);
        }
        return out;
    }
    static QListWidgetItem* item(QListWidget* list, const std::string& text) {
        const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << text;
        return found.isEmpty() ? nullptr : found.front();
    }

    // A click on the item's check box, where the user clicks.
    static void clickCheckBox(QListWidget* list, const std::string& text) {
        QListWidgetItem* target = item(list, text);
        ASSERT_NE(target, nullptr);
        const QRect rect = list->visualItemRect(target);
        const int indicator = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
        const QPoint at(rect.left() + 3 + indicator / 2, rect.center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    // The space key toggles the selected item.
    static void pressSpaceOn(QListWidget* list, const std::string& text) {
        QListWidgetItem* target = item(list, text);
        ASSERT_NE(target, nullptr);
        list->setCurrentItem(target);
        QTest::keyClick(list, Qt::Key_Space);
    }
    static void doubleClickAt(QWidget* viewport, QPoint at) {
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }
    static void doubleClick(QListWidget* list, const std::string& text) {
        QListWidgetItem* target = item(list, text);
        ASSERT_NE(target, nullptr);
        doubleClickAt(list->viewport(), list->visualItemRect(target).center());
    }
    // Opens a folder of the folder list as the user does, by double-clicking it.
    void openFolder(const std::string& path) {
        QListWidget* list = c().DirectoryListBox1;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toByteArray().toStdString() == path) {
                list->scrollToItem(list->item(i));
                doubleClickAt(list->viewport(), list->visualItemRect(list->item(i)).center());
                return;
            }
        }
        ADD_FAILURE() << "no folder " << path << " in the folder list";
    }

    test::TempFolder temp;
    std::string savedFolder;
    std::string pics;
    std::vector<test::TestMember> members;
    CSusie susie;
    test::FakeDesktop desktop;
    std::unique_ptr<TMainForm1> form;
    std::unique_ptr<TViewForm1> view;
    std::vector<Preview> previews;
};

TEST_F(SelectionWindow, StartsInTheCurrentFolderUnderTheFirstFileType) {
    EXPECT_EQ(c().FilterComboBox1->currentIndex(), 0);
    const std::string patterns = c().FilterComboBox1->itemData(0).toString().toStdString();
    EXPECT_EQ(texts(c().CheckListBox1), listFiles(pics, patterns));
    EXPECT_EQ(texts(c().FileListBox1), texts(c().CheckListBox1));
    EXPECT_FALSE(texts(c().CheckListBox1).empty());
    EXPECT_EQ(c().DriveComboBox1->currentText().toStdString(), driveOf(pics, driveRoots()));
    EXPECT_EQ(c().PageControl1->currentWidget(), c().TabSheet1);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, TickingAPictureAddsItsRowAndUntickingRemovesIt) {
    listEverything();
    EXPECT_EQ(texts(c().CheckListBox1), (Names{"a.jpg", "B.jpg", "broken.jpg", "game.tarc", "notes.txt"}));
    clickCheckBox(c().CheckListBox1, "B.jpg");
    EXPECT_EQ(ticked(c().CheckListBox1), Names{"B.jpg"});
    EXPECT_EQ(c().CheckListBox1->currentItem()->text(), QStringLiteral("B.jpg"));
    // A file nothing reads is added all the same.
    pressSpaceOn(c().CheckListBox1, "broken.jpg");
    EXPECT_EQ(rows(), (std::vector<Names>{{"B.jpg", "0", "0", "", pics + "/B.jpg"},
                                          {"broken.jpg", "0", "0", "", pics + "/broken.jpg"}}));
    clickCheckBox(c().CheckListBox1, "B.jpg");
    EXPECT_EQ(ticked(c().CheckListBox1), Names{"broken.jpg"});
    EXPECT_EQ(rows(), (std::vector<Names>{{"broken.jpg", "0", "0", "", pics + "/broken.jpg"}}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, AnArchiveCannotBeTicked) {
    listEverything();
    clickCheckBox(c().CheckListBox1, "game.tarc");
    EXPECT_TRUE(ticked(c().CheckListBox1).empty());
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, DoubleClickingAnArchiveListsItsMembersAndTheyCanBeTicked) {
    listEverything();
    doubleClick(c().CheckListBox1, "game.tarc");
    EXPECT_EQ(c().PageControl1->currentWidget(), c().TabSheet2);
    EXPECT_EQ(texts(c().CheckListBox2), (Names{"m1.jpg", "m2.jpg"}));
    EXPECT_EQ(form->ArcPath, pics + "/game.tarc");
    EXPECT_TRUE(previews.empty());

    clickCheckBox(c().CheckListBox2, "m2.jpg");
    const auto positions = test::testArchivePositions(members);
    const std::string size = std::to_string(members[1].bytes.size());
    const std::vector<Names> memberRow{
        {"m2.jpg", size, std::to_string(positions[1]), pics + "/game.tarc", "m2.jpg"}};
    EXPECT_EQ(rows(), memberRow);

    // Another folder leaves the members, the archive path and the row as they are; the member
    // row ticks no file there.
    openFolder(pics + "/sub");
    EXPECT_EQ(texts(c().CheckListBox1), Names{"c.jpg"});
    EXPECT_EQ(texts(c().CheckListBox2), (Names{"m1.jpg", "m2.jpg"}));
    EXPECT_EQ(form->ArcPath, pics + "/game.tarc");
    EXPECT_EQ(rows(), memberRow);

    // The member still previews from the archive, captioned with the archive and the member.
    doubleClick(c().CheckListBox2, "m1.jpg");
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].caption, pics + "/game.tarc : m1.jpg");
    EXPECT_EQ(previews[0].image, QSize(3, 2));

    clickCheckBox(c().CheckListBox2, "m2.jpg");
    EXPECT_TRUE(rows().empty());

    // Expanding again lists every member unticked.
    clickCheckBox(c().CheckListBox2, "m1.jpg");
    openFolder(pics);
    doubleClick(c().CheckListBox1, "game.tarc");
    EXPECT_TRUE(ticked(c().CheckListBox2).empty());
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, TicksComeBackWhenTheFolderIsListedAgain) {
    listEverything();
    clickCheckBox(c().CheckListBox1, "a.jpg");
    openFolder(pics + "/sub");
    EXPECT_EQ(currentFolder(), pics + "/sub");
    EXPECT_TRUE(ticked(c().CheckListBox1).empty());
    openFolder(pics);
    EXPECT_EQ(currentFolder(), pics);
    EXPECT_EQ(ticked(c().CheckListBox1), Names{"a.jpg"});
    // Under another file type that lists it, too.
    chooseType(QStringLiteral("*.jpg;*.jpeg"));
    EXPECT_EQ(texts(c().CheckListBox1), (Names{"a.jpg", "B.jpg", "broken.jpg"}));
    EXPECT_EQ(ticked(c().CheckListBox1), Names{"a.jpg"});
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(SelectionWindow, ClearingRemovesEveryRowAndLeavesTheMarks) {
    listEverything();
    clickCheckBox(c().CheckListBox1, "a.jpg");
    clickCheckBox(c().CheckListBox1, "B.jpg");
    ASSERT_EQ(rows().size(), 2u);
    c().PageControl1->setCurrentWidget(c().TabSheet3);
    QTest::mouseClick(c().SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(ticked(c().CheckListBox1), (Names{"a.jpg", "B.jpg"}));
    // Unticking a file whose row is gone removes nothing; ticking it again adds a fresh row.
    clickCheckBox(c().CheckListBox1, "a.jpg");
    EXPECT_TRUE(rows().empty());
    clickCheckBox(c().CheckListBox1, "a.jpg");
    EXPECT_EQ(rows().size(), 1u);
    QTest::mouseClick(c().SpeedButton3, Qt::LeftButton);
    QTest::mouseClick(c().SpeedButton3, Qt::LeftButton);  // on an empty list: nothing
    openFolder(pics);
    EXPECT_TRUE(ticked(c().CheckListBox1).empty());
}

TEST_F(SelectionWindow, DoubleClickWithNothingSelectedDoesNothing) {
    listEverything();
    ASSERT_EQ(c().CheckListBox1->currentItem(), nullptr);
    form->CheckListBox1DblClick();
    form->CheckListBox2DblClick();  // nothing expanded yet
    // Below the last item of the list.
    QListWidget* list = c().CheckListBox1;
    const QPoint below(20, list->visualItemRect(list->item(list->count() - 1)).bottom() + 4);
    ASSERT_LT(below.y(), list->viewport()->height());
    ASSERT_EQ(list->itemAt(below), nullptr);
    doubleClickAt(list->viewport(), below);
    EXPECT_TRUE(previews.empty());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(c().PageControl1->currentWidget(), c().TabSheet1);
    EXPECT_TRUE(form->ArcPath.empty());
}

TEST_F(SelectionWindow, PreviewOfAPictureIsCaptionedWithItsPathAndSizedToIt) {
    listEverything();
    desktop.screenWidth = 800;
    desktop.screenHeight = 600;
    doubleClick(c().CheckListBox1, "a.jpg");
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].caption, pics + "/a.jpg");
    EXPECT_EQ(previews[0].client, QSize(32, 6));  // 3 x 2: at least 32 wide, 4 below
    EXPECT_EQ(previews[0].image, QSize(3, 2));
    EXPECT_EQ(previews[0].place, QPoint(0, 0));
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(c().PageControl1->currentWidget(), c().TabSheet1);
    // Nothing reads this one: no preview, no message.
    doubleClick(c().CheckListBox1, "broken.jpg");
    EXPECT_EQ(previews.size(), 1u);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, APictureLargerThanTheScreenGetsTheScreenAndScrollBars) {
    temp.write("pics/wide.bmp", test::bmpFile(900, 50, 0x336699));
    temp.write("pics/tall.bmp", test::bmpFile(40, 700, 0x336699));
    listEverything();
    desktop.screenWidth = 800;
    desktop.screenHeight = 600;
    doubleClick(c().CheckListBox1, "wide.bmp");
    doubleClick(c().CheckListBox1, "tall.bmp");
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[0].client, QSize(800, 54));
    EXPECT_EQ(previews[0].image, QSize(900, 50));
    EXPECT_GT(previews[0].horizontalScroll, 0);
    EXPECT_EQ(previews[1].client, QSize(44, 600));
    EXPECT_GT(previews[1].verticalScroll, 0);
    EXPECT_EQ(previews[1].caption, pics + "/tall.bmp");
}

TEST_F(SelectionWindow, ChoosingADriveListsItsRoot) {
    listEverything();
    QComboBox* drives = c().DriveComboBox1;
    ASSERT_EQ(drives->itemText(0), QStringLiteral("/"));
    drives->setCurrentIndex(0);
    emit drives->activated(0);  // what a choice in the box's list sends
    EXPECT_EQ(currentFolder(), "/");
    EXPECT_EQ(texts(c().CheckListBox1), listFiles("/", "*.*"));
    ASSERT_NE(c().DirectoryListBox1->currentItem(), nullptr);
    EXPECT_EQ(c().DirectoryListBox1->currentItem()->data(Qt::UserRole).toByteArray(), QByteArray("/"));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SelectionWindow, MovingTheUnseenFileListRebuildsWithTheSameTicks) {
    listEverything();
    clickCheckBox(c().CheckListBox1, "B.jpg");
    ASSERT_NE(c().CheckListBox1->currentItem(), nullptr);
    c().FileListBox1->setCurrentRow(2);
    EXPECT_EQ(c().CheckListBox1->currentItem(), nullptr);
    EXPECT_EQ(texts(c().CheckListBox1), texts(c().FileListBox1));
    EXPECT_EQ(ticked(c().CheckListBox1), Names{"B.jpg"});
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(SelectionWindow, ANameThatIsNotUtf8StillOpensAndTicks) {
    const std::string name = "\xff\xfe.jpg";
    temp.write("pics/" + name, test::testPictureBytes());
    listEverything();
    QListWidget* list = c().CheckListBox1;
    QListWidgetItem* odd = nullptr;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(QChar(0xFFFD))) odd = list->item(i);
    ASSERT_NE(odd, nullptr);
    list->setCurrentItem(odd);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(rows().size(), 1u);
    // The restore compares the row's bytes with the listed bytes: both must be the real name.
    openFolder(pics + "/sub");
    openFolder(pics);
    EXPECT_EQ(ticked(list).size(), 1u);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) odd = list->item(i);
    doubleClickAt(list->viewport(), list->visualItemRect(odd).center());
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].image, QSize(3, 2));  // decoded from the file of that very name
}

TEST_F(SelectionWindow, AVanishedFolderGivesWayToTheOneAboveIt) {
    listEverything();
    ASSERT_EQ(unlink((pics + "/sub/c.jpg").c_str()), 0);
    ASSERT_EQ(rmdir((pics + "/sub").c_str()), 0);
    openFolder(pics + "/sub");  // still in the folder list
    EXPECT_EQ(currentFolder(), pics);
    EXPECT_EQ(texts(c().CheckListBox1), (Names{"a.jpg", "B.jpg", "broken.jpg", "game.tarc", "notes.txt"}));
    EXPECT_TRUE(c().DirectoryListBox1->findItems(QStringLiteral("sub"), Qt::MatchEndsWith).isEmpty());
    EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace obri
