// The two "..." choosers, driven through a scripted desktop.
#include <optional>
#include <string>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ShellFixture.h"

namespace obri::test {
namespace {

struct FolderRow {
    std::string name;
    std::string ini;
    std::optional<std::string> answer;  // nullopt: cancelled
    std::string edit1;
    bool bitBtn1;
};

class FolderPickerTest : public ShellTest, public ::testing::WithParamInterface<FolderRow> {};

TEST_P(FolderPickerTest, SetsTheFolderWithItsSeparator) {
    const FolderRow& row = GetParam();
    writeIni(row.ini);
    open();
    const bool enabledBefore = c().BitBtn1->isEnabled();
    desktop.folderAnswers.push_back(row.answer);
    QTest::mouseClick(c().Button1, Qt::LeftButton);
    ASSERT_EQ(desktop.folderStarts.size(), 1u);
    EXPECT_EQ(c().Edit1->text(), QString::fromUtf8(row.edit1));
    EXPECT_EQ(form->PmsDir, row.edit1);
    EXPECT_EQ(c().BitBtn1->isEnabled(), row.answer ? row.bitBtn1 : enabledBefore);
    EXPECT_TRUE(desktop.messages.empty());
}

const std::string kWithConverter = "[QUAV]\r\nPmss=/q/pms\r\n[OBRI]\r\nPMS_DIR=/start/\r\n";

INSTANTIATE_TEST_SUITE_P(
    Choices, FolderPickerTest,
    ::testing::Values(FolderRow{"Cancelled", kWithConverter, std::nullopt, "/start/", true},
                      FolderRow{"Folder", kWithConverter, "/home/user/pms", "/home/user/pms/", true},
                      FolderRow{"Root", kWithConverter, "/", "//", true},
                      FolderRow{"Japanese", kWithConverter, "/ゲーム", "/ゲーム/", true},
                      FolderRow{"NoConverter", "[OBRI]\r\nPMS_DIR=\r\n", "/out", "/out/", false},
                      FolderRow{"SameFolderAgain", kWithConverter, "/start", "/start/", true}),
    [](const auto& p) { return p.param.name; });

TEST_F(ShellTest, FolderPickerOpensOnTheEditBoxText) {
    open();
    c().Edit1->setText("/typed/by/hand");
    QTest::mouseClick(c().Button1, Qt::LeftButton);
    ASSERT_EQ(desktop.folderStarts.size(), 1u);
    EXPECT_EQ(desktop.folderStarts[0], "/typed/by/hand");
    EXPECT_EQ(form->PmsDir, "/typed/by/hand");  // cancelled: typed text stays as typed
}

struct FileRow {
    std::string name;
    std::optional<std::string> answer;
    std::string edit2;
};

class FilePickerTest : public ShellTest, public ::testing::WithParamInterface<FileRow> {};

TEST_P(FilePickerTest, AppliesTheAldNameRule) {
    const FileRow& row = GetParam();
    writeIni("[QUAV]\r\nLink=/q/link\r\n[OBRI]\r\nALD_FILE=/start/OLD_GA.ALD\r\n");
    open();
    desktop.saveAnswers.push_back(row.answer);
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    ASSERT_EQ(desktop.saveInitials.size(), 1u);
    EXPECT_EQ(desktop.saveInitials[0], "/start/OLD_GA.ALD");
    EXPECT_EQ(c().Edit2->text(), QString::fromUtf8(row.edit2));
    EXPECT_EQ(form->AldFile, row.edit2);
    EXPECT_TRUE(c().BitBtn2->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Choices, FilePickerTest,
                         ::testing::Values(FileRow{"Cancelled", std::nullopt, "/start/OLD_GA.ALD"},
                                           FileRow{"Plain", "/Game/CG.ALD", "/Game/CG_GA.ALD"},
                                           FileRow{"Kept", "/Game/cg_ga.ald", "/Game/cg_ga.ald"},
                                           FileRow{"OtherExtension", "/Game/CG.txt", "/Game/CG_GA.ALD"},
                                           FileRow{"FourBytesGo", "/Game/CG.ALDX", "/Game/CG._GA.ALD"},
                                           FileRow{"SameAsBefore", "/start/OLD_GA.ALD", "/start/OLD_GA.ALD"}),
                         [](const auto& p) { return p.param.name; });

TEST_F(ShellTest, ChoosingAnAldFileEnablesItsButtonWhenTheLinkerIsSet) {
    writeIni("[QUAV]\r\nLink=/q/link\r\n");
    open();
    ASSERT_FALSE(c().BitBtn2->isEnabled());
    desktop.saveAnswers.push_back("/g/CG.ALD");
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_TRUE(c().BitBtn2->isEnabled());
    EXPECT_EQ(form->AldFile, "/g/CG_GA.ALD");

    // The same file chosen again is not extended a second time.
    desktop.saveAnswers.push_back(form->AldFile);
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_EQ(form->AldFile, "/g/CG_GA.ALD");
}

TEST_F(ShellTest, ChoosingAnAldFileWithoutTheLinkerLeavesItsButtonDisabled) {
    open();
    desktop.saveAnswers.push_back("/g/CG.ALD");
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_EQ(form->AldFile, "/g/CG_GA.ALD");
    EXPECT_FALSE(c().BitBtn2->isEnabled());
}

TEST_F(ShellTest, ChosenNameKeepsBytesThatAreNotUtf8) {
    open();
    const std::string chosen = "/g/\x82\xa0.ALD";
    desktop.saveAnswers.push_back(chosen);
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_EQ(form->AldFile, "/g/\x82\xa0_GA.ALD");
    desktop.folderAnswers.push_back("/p\x82\xa0");
    QTest::mouseClick(c().Button1, Qt::LeftButton);
    EXPECT_EQ(form->PmsDir, "/p\x82\xa0/");
}

}  // namespace
}  // namespace obri::test
