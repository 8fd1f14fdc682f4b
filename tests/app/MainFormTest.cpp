// The main window: its controls, the settings it reads and writes, the make buttons' enabling, the
// plug-in folder and the file-type filter.
#include <filesystem>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <unistd.h>

#include "ShellFixture.h"
#include "platform/ProfileFile.h"

namespace obri::test {
namespace {

struct ControlRow {
    const char* name;
    const char* className;
    const char* parent;
    QRect geometry;
    const char* text;
    const char* hint;
};

// Every control of the window, with its place within its parent's client area.
const std::vector<ControlRow> kControls = {
    {"SpeedButton1", "QToolButton", "TMainForm1", {336, 8, 41, 17}, "X", "終了"},
    {"SpeedButton2", "QToolButton", "TMainForm1", {336, 32, 41, 17}, "Abort", "Abort"},
    {"SpeedButton4",
     "QToolButton",
     "TMainForm1",
     {336, 56, 41, 17},
     "履歴",
     "過去にPMS及びALDファイルを作成した履歴"},
    {"GroupBox1", "QGroupBox", "TMainForm1", {0, 0, 329, 233}, "使用する画像", ""},
    {"DriveComboBox1", "QComboBox", "GroupBox1", {8, 16, 137, 18}, nullptr, ""},
    {"DirectoryListBox1", "QListWidget", "GroupBox1", {8, 40, 137, 185}, nullptr, ""},
    {"FilterComboBox1", "QComboBox", "GroupBox1", {152, 16, 169, 20}, nullptr, ""},
    {"FileListBox1", "QListWidget", "GroupBox1", {176, 56, 81, 89}, nullptr, ""},
    {"PageControl1", "QTabWidget", "GroupBox1", {152, 40, 169, 185}, nullptr, ""},
    {"CheckListBox1",
     "QListWidget",
     "TabSheet1",
     {0, 0, 161, 137},
     nullptr,
     "チェックボックスOnでリストに追加。ダブルクリックで画像を閲覧　or アーカーブ展開"},
    {"CheckListBox2", "QListWidget", "TabSheet2", {0, 0, 161, 137}, nullptr, ""},
    {"ListView3", "QTreeWidget", "TabSheet3", {0, 0, 161, 113}, nullptr, "チェックされた項目"},
    {"SpeedButton3",
     "QToolButton",
     "TabSheet3",
     {0, 112, 161, 33},
     "すべての選択解除",
     "チェックされたものをすべて消します"},
    {"GroupBox2", "QGroupBox", "TMainForm1", {0, 232, 377, 81}, "", ""},
    {"Label1", "QLabel", "GroupBox2", {8, 16, 65, 17}, "PMS保存先", ""},
    {"Edit1", "QLineEdit", "GroupBox2", {72, 16, 209, 20}, nullptr, "PMSファイルを作成するフォルダ"},
    {"Button1", "QPushButton", "GroupBox2", {288, 16, 25, 25}, "...", ""},
    {"BitBtn1", "QPushButton", "GroupBox2", {320, 16, 49, 25}, "作成", "PMSを作成"},
    {"ProgressBar1", "QProgressBar", "GroupBox2", {8, 40, 361, 9}, nullptr, ""},
    {"Label2", "QLabel", "GroupBox2", {8, 48, 65, 17}, "ALD作成先", ""},
    {"Edit2", "QLineEdit", "GroupBox2", {72, 48, 209, 20}, nullptr, "ALDファイルを作成する場所"},
    {"Button2", "QPushButton", "GroupBox2", {288, 48, 25, 25}, "...", ""},
    {"BitBtn2", "QPushButton", "GroupBox2", {320, 48, 49, 25}, "作成", "ALDを作成"},
};

QString textOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title();
    return {};
}

TEST_F(ShellTest, EveryControlSitsWhereItBelongsWithItsTextAndHint) {
    TMainForm1& window = open();
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        auto* widget = window.findChild<QWidget*>(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.className);
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.parent);
        EXPECT_EQ(widget->geometry(), row.geometry);
        if (row.text) {
            EXPECT_EQ(textOf(widget), QString::fromUtf8(row.text));
        }
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.hint));
    }
}

TEST_F(ShellTest, WindowIsTheSmallCaptionedToolWindow) {
    TMainForm1& window = open();
    EXPECT_EQ(window.windowTitle(), "OBRI");
    EXPECT_EQ(window.geometry(), QRect(192, 107, 387, 345));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Window));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    for (Qt::WindowType button : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                  Qt::WindowMaximizeButtonHint, Qt::WindowSystemMenuHint})
        EXPECT_FALSE(flags.testFlag(button)) << button;
    EXPECT_NE(window.maximumSize(), window.minimumSize());  // sizeable
    EXPECT_EQ(window.font().families().value(0), "IPAPGothic");
    EXPECT_EQ(window.font().pixelSize(), 12);
    if (QFontDatabase::families().contains("IPAPGothic")) {
        EXPECT_EQ(QFontInfo(c().Label1->font()).family(), "IPAPGothic");
    }
    EXPECT_EQ(c().Edit1->font().pixelSize(), 12);
    EXPECT_TRUE(c().SpeedButton1->font().bold());
    EXPECT_EQ(c().SpeedButton1->font().pixelSize(), 15);
    EXPECT_TRUE(c().SpeedButton2->font().bold());
    EXPECT_FALSE(c().SpeedButton4->font().bold());
    for (QToolButton* flat : {c().SpeedButton1, c().SpeedButton2, c().SpeedButton3, c().SpeedButton4}) {
        EXPECT_TRUE(flat->autoRaise()) << flat->objectName().toStdString();
        EXPECT_EQ(flat->focusPolicy(), Qt::NoFocus) << flat->objectName().toStdString();
    }
}

TEST_F(ShellTest, PagesOpenOnFileNameAndTheCheckedListShowsOnlyNames) {
    open();
    QTabWidget* pages = c().PageControl1;
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "FileName");
    EXPECT_EQ(pages->tabText(1), "Arc-File");
    EXPECT_EQ(pages->tabText(2), "CheckList");
    EXPECT_EQ(pages->widget(0), c().TabSheet1);
    EXPECT_EQ(pages->currentWidget(), c().TabSheet1);

    QTreeWidget* list = c().ListView3;
    ASSERT_EQ(list->columnCount(), 5);
    const QStringList headers{"FileName", "Size", "Position", "ArcName", "FullPathName"};
    for (int column = 0; column < 5; ++column) EXPECT_EQ(list->headerItem()->text(column), headers[column]);
    EXPECT_TRUE(list->headerItem()->textAlignment(1) & Qt::AlignRight);
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(list->header()->stretchLastSection());
    EXPECT_EQ(list->columnWidth(0), 140);
    for (int column = 1; column < 5; ++column) EXPECT_EQ(list->header()->sectionSize(column), 0) << column;
}

TEST_F(ShellTest, HiddenFileListLiesUnderThePagesAndKeepsItsTabPlace) {
    open();
    const QObjectList& children = c().GroupBox1->children();
    EXPECT_LT(children.indexOf(c().FileListBox1), children.indexOf(c().PageControl1));
    // The named controls in the order the Tab key visits them.
    QStringList order;
    const QStringList named{"DriveComboBox1",  "DirectoryListBox1",
                            "FilterComboBox1", "FileListBox1",
                            "PageControl1",    "CheckListBox1",
                            "CheckListBox2",   "ListView3",
                            "Edit1",           "Button1",
                            "BitBtn1",         "Edit2",
                            "Button2",         "BitBtn2"};
    for (QWidget* w = form->nextInFocusChain(); w != form.get(); w = w->nextInFocusChain())
        if (named.contains(w->objectName()) && !order.contains(w->objectName())) order << w->objectName();
    EXPECT_EQ(order, named);
}

TEST_F(ShellTest, ArchiveListKeepsItsHintWithoutShowingIt) {
    open();
    EXPECT_TRUE(c().CheckListBox2->toolTip().isEmpty());
    EXPECT_EQ(c().CheckListBox2->property("hint").toString(),
              QString::fromUtf8("アーカイブ内のファイルリスト"));
}

TEST_F(ShellTest, BottomBlockHasItsGlyphsAndAThinSilentProgressBar) {
    open();
    EXPECT_EQ(c().ProgressBar1->minimum(), 0);
    EXPECT_EQ(c().ProgressBar1->maximum(), 100);
    EXPECT_FALSE(c().ProgressBar1->isTextVisible());
    const QImage pms = c().BitBtn1->icon().pixmap(16, 16).toImage();
    const QImage ald = c().BitBtn2->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(pms.size(), QSize(16, 16));
    EXPECT_EQ(ald.size(), QSize(16, 16));
    EXPECT_NE(pms, ald);
    EXPECT_FALSE(form->windowIcon().isNull());
}

// --- settings and the make buttons' enabling ---

struct EnablingRow {
    std::string name;
    std::string ini;  // "" writes no QUAV.INI at all
    std::string edit1, edit2;
    bool bitBtn1, bitBtn2;
};

class EnablingTest : public ShellTest, public ::testing::WithParamInterface<EnablingRow> {};

TEST_P(EnablingTest, StartStateFollowsTheSettings) {
    const EnablingRow& row = GetParam();
    if (!row.ini.empty()) writeIni(row.ini);
    open();
    EXPECT_EQ(c().Edit1->text(), QString::fromUtf8(row.edit1));
    EXPECT_EQ(c().Edit2->text(), QString::fromUtf8(row.edit2));
    EXPECT_EQ(form->PmsDir, row.edit1);
    EXPECT_EQ(form->AldFile, row.edit2);
    EXPECT_EQ(c().BitBtn1->isEnabled(), row.bitBtn1);
    EXPECT_EQ(c().BitBtn2->isEnabled(), row.bitBtn2);
    EXPECT_TRUE(desktop.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EnablingTest,
    ::testing::Values(
        EnablingRow{"NoSettingsFile", "", "", "", false, false},
        EnablingRow{
            "AllSet",
            "[QUAV]\r\nPmss=/q/pms\r\nLink=/q/link\r\n[OBRI]\r\nPMS_DIR=/out/\r\nALD_FILE=/g/CG_GA.ALD\r\n",
            "/out/", "/g/CG_GA.ALD", true, true},
        EnablingRow{"ConverterMissing",
                    "[OBRI]\r\nPMS_DIR=/out/\r\nALD_FILE=/g/a.ALD\r\n[QUAV]\r\nLink=/q/link\r\n", "/out/",
                    "/g/a.ALD", false, true},
        EnablingRow{"OutputsMissing", "[QUAV]\r\nPmss=/q/pms\r\nLink=/q/link\r\n", "", "", false, false},
        EnablingRow{"NamesIgnoreCase",
                    "[quav]\r\nPMSS=/q/pms\r\nlink=/q/link\r\n[Obri]\r\npms_dir=/o/\r\nald_file=/a\r\n",
                    "/o/", "/a", true, true},
        EnablingRow{"BlanksCountAsSet",
                    "[QUAV]\r\nPmss=\" \"\r\nLink=/l\r\n[OBRI]\r\nPMS_DIR=\" \"\r\nALD_FILE=\"  \"\r\n", " ",
                    "  ", true, true},
        EnablingRow{"JapaneseFolder", "[QUAV]\r\nPmss=/q/p\r\n[OBRI]\r\nPMS_DIR=/ゲーム/画像/\r\n",
                    "/ゲーム/画像/", "", true, false}),
    [](const auto& p) { return p.param.name; });

TEST_F(ShellTest, FormCreateReadsBothSectionsAndBuildsTheFolders) {
    writeIni("[QUAV]\r\nPmss=/q/pms\r\nLink=/q/link\r\n[OBRI]\r\nPMS_DIR=/out\r\nALD_FILE=/g/x.ALD\r\n");
    open();
    EXPECT_EQ(form->ExeDir, exe.path());
    EXPECT_EQ(form->TempDir, work.path() + "Obri/");
    EXPECT_EQ(form->ConverterPath, "/q/pms");
    EXPECT_EQ(form->LinkerPath, "/q/link");
    EXPECT_EQ(form->PmsDir, "/out");  // kept as typed: no separator added
    EXPECT_EQ(form->AldFile, "/g/x.ALD");
    EXPECT_TRUE(form->ArcPath.empty());
    EXPECT_TRUE(std::filesystem::is_directory(form->TempDir));
}

TEST_F(ShellTest, WorkFolderWithoutItsParentIsLeftMissing) {
    form =
        std::make_unique<TMainForm1>(*susie, desktop, ShellEnvironment{exe.path(), work.path() + "no/Obri/"});
    EXPECT_FALSE(std::filesystem::exists(work.path() + "no"));
    EXPECT_TRUE(desktop.messages.empty());
}

struct TypingRow {
    std::string name;
    std::string ini;
    int box;                        // 1 or 2
    std::vector<std::string> keys;  // text typed, or "\b" for one backspace
    std::vector<bool> enabledAfter;
};

class TypingTest : public ShellTest, public ::testing::WithParamInterface<TypingRow> {};

TEST_P(TypingTest, MakeButtonFollowsTheEditBox) {
    const TypingRow& row = GetParam();
    if (!row.ini.empty()) writeIni(row.ini);
    open();
    QLineEdit* edit = row.box == 1 ? c().Edit1 : c().Edit2;
    QPushButton* make = row.box == 1 ? c().BitBtn1 : c().BitBtn2;
    for (std::size_t i = 0; i < row.keys.size(); ++i) {
        if (row.keys[i] == "\b")
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, QString::fromStdString(row.keys[i]));
        EXPECT_EQ(make->isEnabled(), row.enabledAfter[i]) << "after key " << i;
        EXPECT_EQ(row.box == 1 ? form->PmsDir : form->AldFile, edit->text().toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TypingTest,
    ::testing::Values(
        TypingRow{"NoSettingsFileStaysDisabled", "", 1, {"a", "b", "\b", "\b"}, {false, false, false, false}},
        TypingRow{"FirstCharacterEnablesLastDisables",
                  "[QUAV]\r\nPmss=/q/pms\r\n",
                  1,
                  {"/", "x", "\b", "\b", "y"},
                  {true, true, true, false, true}},
        TypingRow{"BlankEnables", "[QUAV]\r\nPmss=/q/pms\r\n", 1, {" "}, {true}},
        TypingRow{"LinkerSide", "[QUAV]\r\nLink=/q/link\r\n", 2, {"a", "\b"}, {true, false}},
        TypingRow{"LinkerMissing", "[QUAV]\r\nPmss=/q/pms\r\n", 2, {"a"}, {false}},
        TypingRow{"DeletingASetFolder",
                  "[QUAV]\r\nPmss=/p\r\n[OBRI]\r\nPMS_DIR=ab\r\n",
                  1,
                  {"\b", "\b", "c"},
                  {true, false, true}}),
    [](const auto& p) { return p.param.name; });

// --- "X" and closing ---

TEST_F(ShellTest, ExitWritesBothSettingsAndLeavesTheHostSectionByteForByte) {
    const std::string host = "; host editor\r\n[QUAV]\r\nPmss = /q/pms \r\nLink=/q/link\r\nOther=1\r\n\r\n";
    writeIni(host + "[OBRI]\r\nPMS_DIR=/old/\r\n");
    givePluginFile(exe, "a.spi");
    open();
    form->show();
    ASSERT_EQ(susie->PluginCount, 1);
    c().Edit1->setText("/new/");
    c().Edit2->setText("/g/CG_GA.ALD");
    QTest::mouseClick(c().SpeedButton1, Qt::LeftButton);

    const std::string after = ini();
    EXPECT_EQ(after.substr(0, host.size()), host);
    ProfileFile settings(exe.file("QUAV.INI"));
    EXPECT_EQ(settings.readString("OBRI", "PMS_DIR", "?"), "/new/");
    EXPECT_EQ(settings.readString("OBRI", "ALD_FILE", "?"), "/g/CG_GA.ALD");
    EXPECT_EQ(susie->PluginCount, 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ShellTest, ExitWithNothingSetCreatesTheFileWithEmptyKeys) {
    open();
    form->show();
    QTest::mouseClick(c().SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(ini(), "[OBRI]\r\nPMS_DIR=\r\nALD_FILE=\r\n");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ShellTest, ExitKeepsBytesThatAreNotUtf8) {
    // A folder written by an older tool in another code page must come back unchanged.
    const std::string folder = "/ga\x82\xa0me/";
    writeIni("[OBRI]\r\nPMS_DIR=" + folder + "\r\n");
    open();
    EXPECT_EQ(form->PmsDir, folder);
    form->show();
    QTest::mouseClick(c().SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(ProfileFile(exe.file("QUAV.INI")).readString("OBRI", "PMS_DIR", ""), folder);
}

TEST_F(ShellTest, ClosingByOtherMeansSavesLikeExit) {
    givePluginFile(exe, "a.spi");
    open();
    form->show();
    c().Edit2->setText("/g/x.ALD");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ProfileFile(exe.file("QUAV.INI")).readString("OBRI", "ALD_FILE", ""), "/g/x.ALD");
    EXPECT_EQ(susie->PluginCount, 0);
}

// The three ways the settings file can refuse a write; in each the window stays and the plug-ins
// stay loaded.
enum class Refusal { ReadOnlyFile, FolderGone, PathIsAFolder };

class ExitRefusedTest : public ShellTest, public ::testing::WithParamInterface<std::tuple<Refusal, bool>> {};

TEST_P(ExitRefusedTest, ShowsTheWriteErrorAndKeepsTheWindow) {
    const auto [refusal, byExitButton] = GetParam();
    const std::string original = "[QUAV]\r\nPmss=/q\r\n[OBRI]\r\nPMS_DIR=/keep/\r\n";
    const std::string exeDir = exe.path() + "bin/";
    std::filesystem::create_directory(exeDir);
    std::filesystem::create_directory(exeDir + "plugins");
    writeRegistry("\"" + exeDir + "plugins\"");
    writeFile(exeDir + "plugins/a.spi", "x");
    if (refusal == Refusal::PathIsAFolder)
        std::filesystem::create_directory(exeDir + "QUAV.INI");
    else
        writeFile(exeDir + "QUAV.INI", original);
    if (refusal == Refusal::ReadOnlyFile) {
        if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files; the other refusals cover the path";
        std::filesystem::permissions(exeDir + "QUAV.INI", std::filesystem::perms::owner_read);
    }
    open(exeDir);
    form->show();
    c().Edit1->setText("/changed/");
    if (refusal == Refusal::FolderGone) {
        std::filesystem::rename(exeDir + "plugins", exe.path() + "plugins");
        std::filesystem::remove_all(exeDir);
    }

    if (byExitButton)
        QTest::mouseClick(c().SpeedButton1, Qt::LeftButton);
    else
        EXPECT_FALSE(form->close());

    EXPECT_EQ(exceptions(), std::vector<std::string>{exeDir + "QUAV.INI に書き込めません"});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(susie->PluginCount, 1);
    if (refusal == Refusal::ReadOnlyFile) {
        EXPECT_EQ(readFile(exeDir + "QUAV.INI"), original);
    }
    if (refusal == Refusal::PathIsAFolder) {
        EXPECT_TRUE(std::filesystem::is_directory(exeDir + "QUAV.INI"));
    }
}

std::string refusalName(const ::testing::TestParamInfo<std::tuple<Refusal, bool>>& info) {
    static const char* const kNames[] = {"ReadOnlyFile", "FolderGone", "PathIsAFolder"};
    return std::string(kNames[static_cast<int>(std::get<0>(info.param))]) +
           (std::get<1>(info.param) ? "_ByExitButton" : "_ByClosing");
}

INSTANTIATE_TEST_SUITE_P(Refusals, ExitRefusedTest,
                         ::testing::Combine(::testing::Values(Refusal::ReadOnlyFile, Refusal::FolderGone,
                                                              Refusal::PathIsAFolder),
                                            ::testing::Bool()),
                         refusalName);

// --- plug-in folder and filter ---

TEST_F(ShellTest, RegistryFolderIsUsedAndGetsItsSeparator) {
    TempFolder plugins;
    givePluginFile(plugins, "b.spi");
    givePluginFile(exe, "a.spi");
    std::string folder = plugins.path();
    folder.pop_back();
    writeRegistry("\"" + folder + "\"");
    open();
    EXPECT_EQ(loaded, std::vector<std::string>{plugins.file("b.spi")});
}

struct FallbackRow {
    std::string name;
    std::string registry;  // "" writes no registry file
};

class PluginFallbackTest : public ShellTest, public ::testing::WithParamInterface<FallbackRow> {};

TEST_P(PluginFallbackTest, LoadsFromTheExecutableFolder) {
    if (!GetParam().registry.empty()) writeRegistryFile(GetParam().registry);
    givePluginFile(exe, "a.spi");
    open();
    EXPECT_EQ(loaded, std::vector<std::string>{exe.file("a.spi")});
    EXPECT_TRUE(desktop.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PluginFallbackTest,
    ::testing::Values(
        FallbackRow{"NoRegistryFile", ""},
        FallbackRow{"EmptyValue", std::string("REGEDIT4\r\n\r\n") + kPluginKeyHeader + "@=\"\"\r\n"},
        FallbackRow{"KeyMissing", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n@=\"/x\"\r\n"},
        FallbackRow{"OnlyANamedValue",
                    std::string("REGEDIT4\r\n\r\n") + kPluginKeyHeader + "\"Path\"=\"/x\"\r\n"}),
    [](const auto& p) { return p.param.name; });

TEST_F(ShellTest, RegistryValueOfWrongTypeIsShownAndNothingLoads) {
    writeRegistry("dword:00000001");
    givePluginFile(exe, "a.spi");
    writeIni("[QUAV]\r\nPmss=/q\r\n[OBRI]\r\nPMS_DIR=/o/\r\n");
    open();
    EXPECT_EQ(exceptions(), std::vector<std::string>{"'' のﾃﾞｰﾀ型が不正です"});
    EXPECT_TRUE(loaded.empty());
    EXPECT_EQ(susie->PluginCount, 0);
    EXPECT_EQ(c().FilterComboBox1->count(), 0);
    // The steps before the registry still ran, and the window opens.
    EXPECT_EQ(c().Edit1->text(), "/o/");
    EXPECT_TRUE(c().BitBtn1->isEnabled());
    EXPECT_EQ(c().PageControl1->currentWidget(), c().TabSheet1);
    form->show();
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ShellTest, FilterBoxOffersTheBuiltFilter) {
    givePluginFile(exe, "a.spi");
    open();
    QComboBox* box = c().FilterComboBox1;
    ASSERT_EQ(box->count(), 3);
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"すべての画像File", "*.bmp;*.xyz"}, {"すべてのFile(*.*)", "*.*"}, {"XYZ picture", "*.xyz"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(box->itemText(i), QString::fromUtf8(expected[static_cast<std::size_t>(i)].first));
        EXPECT_EQ(box->itemData(i).toString(),
                  QString::fromUtf8(expected[static_cast<std::size_t>(i)].second));
    }
    EXPECT_EQ(box->currentIndex(), 0);
}

TEST_F(ShellTest, FilterBoxWithoutPluginsOffersBitmapsOnly) {
    open();
    ASSERT_EQ(c().FilterComboBox1->count(), 1);
    EXPECT_EQ(c().FilterComboBox1->itemText(0), "Bitmap(*.BMP)");
    EXPECT_EQ(c().FilterComboBox1->itemData(0).toString(), "*.bmp");
}

}  // namespace
}  // namespace obri::test
