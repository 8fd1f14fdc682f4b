// Faults of the disk and of the folders the program writes into, met through the real window:
// what the user is told, and that every file the user had is still there, byte for byte.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>

#include <gtest/gtest.h>

#include "hardening/WindowFixture.h"
#include "platform/Error.h"
#include "platform/ProfileFile.h"
#include "platform/Texts.h"

namespace obri {
namespace {

namespace fs = std::filesystem;
using test::FolderSnapshot;
using test::snapshot;

const std::string kOldHistory = "2001/02/27 13:57:30 下記ﾌｧｲﾙを変換しました。\r\n\told.jpg->old.pms\r\n";
const std::string kOldList = "1,old.pms\r\n";
const std::string kOldPms = "PMS of an earlier batch";

class Faults : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        temp.write("exe/History.txt", kOldHistory);
        temp.write("pms/OBRI.hed", kOldList);
        temp.write("pms/old.pms", kOldPms);
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            temp.write(std::string("pics/") + name, test::bmp24(4, 3));
    }
    void TearDown() override {
        for (const std::string& folder : undo_) test::undoReadOnly(folder);
        WindowFixture::TearDown();
    }
    // The stand-in converter: the PMS beside the BMP, then `hostile` once, while the second row converts.
    std::string converter(const std::string& hostile = "true") {
        const std::string mark = temp.file("converted-once");
        return test::script(temp, "conv.sh",
                            "cp \"$1\" \"${1%.bmp}.pms\" || exit 1\n"
                            "if [ -e '" +
                                mark + "' ]; then if [ ! -e '" + mark + "2' ]; then touch '" + mark + "2'; " +
                                hostile + "; fi; else touch '" + mark + "'; fi");
    }
    void undoLater(const std::string& folder) { undo_.push_back(folder); }
    std::vector<std::string> exceptionTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : messagesOf("exception")) texts.push_back(m.text);
        return texts;
    }

private:
    std::vector<std::string> undo_;
};

// --- QUAV.INI that cannot be written when the window is closed with "X" ---

enum class IniRefusal { FileWithoutWriteBits, FolderOnReadOnlyMount };

class ReadOnlySettings : public Faults, public ::testing::WithParamInterface<IniRefusal> {};

TEST_P(ReadOnlySettings, ExitShowsTheErrorKeepsTheWindowAndLosesNothing) {
    writeIni("/q/conv", "/q/link", pms(), temp.file("CG_GA.ALD"));
    open();
    c().Edit1->setText(QString::fromStdString(temp.file("elsewhere/")));
    const FolderSnapshot before = snapshot(exe());
    std::unique_ptr<test::ReadOnlyFolder> readOnly;
    if (GetParam() == IniRefusal::FileWithoutWriteBits) {
        ::chmod((exe() + "QUAV.INI").c_str(), 0444);
    } else {
        readOnly = std::make_unique<test::ReadOnlyFolder>(temp.file("exe"));
        if (!readOnly->ok()) GTEST_SKIP() << "cannot mount a read-only folder here (needs root)";
    }

    c().SpeedButton1->click();
    EXPECT_EQ(exceptionTexts(),
              std::vector<std::string>{formatText(texts::kCannotWrite, exe() + "QUAV.INI")});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(snapshot(exe()), before);
    // What the user typed is still there to be saved once the file can be written.
    EXPECT_EQ(c().Edit1->text().toStdString(), temp.file("elsewhere/"));

    readOnly.reset();
    ::chmod((exe() + "QUAV.INI").c_str(), 0644);
    c().SpeedButton1->click();
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(ProfileFile(exe() + "QUAV.INI").readString("OBRI", "PMS_DIR", ""), temp.file("elsewhere/"));
    EXPECT_EQ(ProfileFile(exe() + "QUAV.INI").readString("QUAV", "Pmss", ""), "/q/conv");
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ReadOnlySettings,
                         ::testing::Values(IniRefusal::FileWithoutWriteBits,
                                           IniRefusal::FolderOnReadOnlyMount),
                         [](const auto& tested) {
                             return tested.param == IniRefusal::FileWithoutWriteBits
                                        ? "FileWithoutWriteBits"
                                        : "FolderOnReadOnlyMount";
                         });

// --- the PMS folder taken away while the batch runs ---

enum class PmsFolderFault { MadeReadOnly, RenamedAway, ReplacedByAFile };

class PmsFolderMidBatch : public Faults, public ::testing::WithParamInterface<PmsFolderFault> {};

TEST_P(PmsFolderMidBatch, FirstRowKeptLaterRowsFailAndOldFilesStay) {
    const std::string folder = temp.file("pms");
    std::string hostile;
    switch (GetParam()) {
        case PmsFolderFault::MadeReadOnly:
            hostile = test::readOnlyCommand(folder);
            if (hostile.empty()) GTEST_SKIP() << "a read-only mount needs root";
            undoLater(folder);
            break;
        case PmsFolderFault::RenamedAway:
            hostile = "mv '" + folder + "' '" + folder + ".gone'";
            break;
        case PmsFolderFault::ReplacedByAFile:
            hostile = "mv '" + folder + "' '" + folder + ".gone' && echo squatter > '" + folder + "'";
            break;
    }
    writeIni(converter(hostile), "", pms(), "");
    open();
    tickAllFiles();
    ASSERT_EQ(rowCount(), 3);
    FolderSnapshot expected = snapshot(folder);

    c().BitBtn1->click();

    EXPECT_EQ(exceptionTexts(),
              std::vector<std::string>{formatText(texts::kCannotCreate, pms() + "OBRI.hed")});
    EXPECT_EQ(desktop.messages.size(), 1u);
    // The first row's PMS file arrived before the folder went; nothing else changed in it.
    expected["a.pms"] = temp.read("pics/a.bmp");
    const std::string kept = GetParam() == PmsFolderFault::MadeReadOnly ? folder : folder + ".gone";
    EXPECT_EQ(snapshot(kept), expected);
    if (GetParam() == PmsFolderFault::ReplacedByAFile) {
        EXPECT_EQ(temp.read("pms"), "squatter\n");
    } else if (GetParam() == PmsFolderFault::RenamedAway) {
        EXPECT_FALSE(fs::exists(folder));
    }
    EXPECT_TRUE(snapshot(work()).empty());
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
}

INSTANTIATE_TEST_SUITE_P(Faults, PmsFolderMidBatch,
                         ::testing::Values(PmsFolderFault::MadeReadOnly, PmsFolderFault::RenamedAway,
                                           PmsFolderFault::ReplacedByAFile),
                         [](const auto& tested) {
                             switch (tested.param) {
                                 case PmsFolderFault::MadeReadOnly:
                                     return "MadeReadOnly";
                                 case PmsFolderFault::RenamedAway:
                                     return "RenamedAway";
                                 case PmsFolderFault::ReplacedByAFile:
                                     break;
                             }
                             return "ReplacedByAFile";
                         });

// --- a work folder that is a link to someone else's folder ---

// Files of the same names as the work files wait in the folder the link points to.
class PlantedWorkFolder : public Faults {
protected:
    void SetUp() override {
        Faults::SetUp();
        fs::create_directory(temp.file("elsewhere"));
        for (const char* name : {"a.bmp", "a.pms", "b.bmp", "b.pms"})
            temp.write(std::string("elsewhere/") + name, std::string("their ") + name);
        elsewhere = snapshot(temp.file("elsewhere"));
    }
    FolderSnapshot elsewhere;
};

TEST_F(PlantedWorkFolder, BeforeTheStartNothingGoesThroughIt) {
    fs::remove(temp.file("work"));
    fs::create_directory_symlink(temp.file("elsewhere"), temp.file("work"));
    writeIni(converter(), "", pms(), "");
    const FolderSnapshot pmsBefore = snapshot(pms());
    open();
    tickAllFiles();
    c().BitBtn1->click();

    EXPECT_EQ(exceptionTexts(), std::vector<std::string>{formatText(texts::kCannotCreate, work() + "a.bmp")});
    EXPECT_EQ(snapshot(temp.file("elsewhere")), elsewhere);
    EXPECT_EQ(snapshot(pms()), pmsBefore);
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
    EXPECT_FALSE(fs::exists(temp.file("converted-once")));  // the converter never ran
}

// The converter runs with the user's rights for a while: when the work folder it returns to is no
// longer the program's own, nothing is moved out of it or deleted in it.
TEST_F(PlantedWorkFolder, SwappedInWhileTheConverterRunsNothingIsMovedOrDeletedThroughIt) {
    const std::string folder = temp.file("work");
    // The swap happens during the first row's conversion.
    const std::string swapper =
        test::script(temp, "swap.sh",
                     "cp \"$1\" \"${1%.bmp}.pms\" && mv '" + folder + "' '" + folder + ".old' && ln -s '" +
                         temp.file("elsewhere") + "' '" + folder + "'");
    writeIni(swapper, "", pms(), "");
    const FolderSnapshot pmsBefore = snapshot(pms());
    open();
    tickAllFiles();
    c().BitBtn1->click();

    EXPECT_EQ(exceptionTexts(), std::vector<std::string>{formatText(texts::kCannotCreate, work() + "a.bmp")});
    EXPECT_EQ(snapshot(temp.file("elsewhere")), elsewhere);
    EXPECT_EQ(snapshot(pms()), pmsBefore);
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
}

// --- a full disk under the work folder or the PMS folder ---

class FullDisk : public Faults {
protected:
    void SetUp() override {
        Faults::SetUp();
        disk = std::make_unique<test::SmallDisk>(temp.file("disk"), 64 * 1024);
        if (disk->path().empty()) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    void TearDown() override {
        disk.reset();
        Faults::TearDown();
    }
    std::unique_ptr<test::SmallDisk> disk;
};

TEST_F(FullDisk, AWorkFileThatDoesNotFitStopsTheBatchAndLeavesNoPiece) {
    // a.bmp fits, b.bmp (about 120 KB) does not.
    temp.write("pics/b.bmp", test::bmp24(200, 200));
    fs::remove(temp.file("pics/c.bmp"));
    writeIni(converter(), "", pms(), "");
    FolderSnapshot expected = snapshot(pms());
    open(disk->path());
    tickAllFiles();
    ASSERT_EQ(rowCount(), 2);
    c().BitBtn1->click();

    EXPECT_EQ(exceptionTexts(),
              std::vector<std::string>{formatText(texts::kCannotWrite, disk->path() + "b.bmp")});
    expected["a.pms"] = temp.read("pics/a.bmp");
    EXPECT_EQ(snapshot(pms()), expected);
    EXPECT_TRUE(snapshot(disk->path()).empty()) << "a piece of a work file was left on the full disk";
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
}

TEST_F(FullDisk, APmsFileThatDoesNotFitInThePmsFolderFailsItsRowOnly) {
    // The PMS folder is on the small disk, the work folder is not: the move copies across.
    test::writeFile(disk->path() + "OBRI.hed", kOldList);
    temp.write("pics/b.bmp", test::bmp24(120, 120));  // about 43 KB
    writeIni(converter(), "", disk->path(), "");
    open();
    tickAllFiles();
    // Leave room for OBRI.hed and a.pms and c.pms, not for b.pms.
    test::writeFile(disk->path() + "filler", std::string(24 * 1024, 'f'));
    const FolderSnapshot before = snapshot(disk->path());
    c().BitBtn1->click();

    EXPECT_TRUE(exceptionTexts().empty());
    ASSERT_EQ(messagesOf("warning").size(), 1u);
    EXPECT_EQ(messagesOf("warning")[0].text,
              std::string(texts::kSomeNotConverted) + "\nb.bmp : " + texts::kReasonNotMoved);
    FolderSnapshot expected = before;
    expected["a.pms"] = temp.read("pics/a.bmp");
    expected["c.pms"] = temp.read("pics/c.bmp");
    expected["OBRI.hed"] = "1,a.pms\r\n1,b.pms\r\n1,c.pms\r\n";
    EXPECT_EQ(snapshot(disk->path()), expected) << "no piece of b.pms may be left";
    EXPECT_TRUE(snapshot(work()).empty());
}

// --- a history file that cannot be written ---

enum class HistoryMake { Batch, Build };

class UnwritableHistory : public Faults, public ::testing::WithParamInterface<HistoryMake> {};

TEST_P(UnwritableHistory, ShowsTheCreateErrorAndKeepsTheOldHistory) {
    writeIni(converter(), test::script(temp, "link.sh", "echo ALD > \"$(sed -n 4p \"$1\" | tr -d '\\r')\""),
             pms(), temp.file("CG_GA.ALD"));
    ::chmod((exe() + "History.txt").c_str(), 0444);
    open();
    tickAllFiles();
    const FolderSnapshot pmsBefore = snapshot(pms());
    if (GetParam() == HistoryMake::Batch) {
        c().BitBtn1->click();
        // The list is written before the history: the PMS files it names exist.
        EXPECT_EQ(temp.read("pms/OBRI.hed"), "1,a.pms\r\n1,b.pms\r\n1,c.pms\r\n");
        EXPECT_EQ(temp.read("pms/old.pms"), kOldPms);
    } else {
        c().BitBtn2->click();
        EXPECT_EQ(temp.read("CG_GA.ALD"), "ALD\n");
        EXPECT_EQ(snapshot(pms()), pmsBefore);
    }
    EXPECT_EQ(exceptionTexts(),
              std::vector<std::string>{formatText(texts::kCannotCreate, exe() + "History.txt")});
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(temp.read("exe/History.txt"), kOldHistory);
    EXPECT_TRUE(form->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Makes, UnwritableHistory, ::testing::Values(HistoryMake::Batch, HistoryMake::Build),
                         [](const auto& tested) {
                             return tested.param == HistoryMake::Batch ? "Batch" : "Build";
                         });

}  // namespace
}  // namespace obri
