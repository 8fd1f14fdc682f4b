#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"
#include "output/PmsBatch.h"
#include "platform/Error.h"
#include "platform/Texts.h"

namespace obri {
namespace {

namespace fs = std::filesystem;
using test::crlfLines;

const std::vector<std::uint32_t> kPalette8 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF};
const std::vector<std::uint32_t> kPalette4 = {0x000000, 0xFFFFFF, 0x808080, 0x102030};

class PmsBatchTest : public ::testing::Test {
  protected:
    test::TempFolder tmp;
    std::shared_ptr<test::FakeMembers> members = std::make_shared<test::FakeMembers>();
    std::unique_ptr<CSusie> susie;
    PmsBatchInput input;
    MakeServices services;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::pair<std::string, std::string>> runs;

    void SetUp() override {
        for (const char* folder : {"work", "pms", "capture", "pics"}) fs::create_directory(tmp.file(folder));
        fs::permissions(tmp.file("work"), fs::perms::owner_all);
        susie = test::makeSusieWithFakeArchives(tmp, members);
        input.TempDir = tmp.file("work/");
        input.PmsDir = tmp.file("pms/");
        input.historyPath = tmp.file("History.txt");
        // Keeps a copy of every BMP it is given, then makes the PMS file beside it.
        input.ConverterPath =
            converter("cp \"$1\" '" + tmp.file("capture/") + "' && cp \"$1\" \"${1%.bmp}.pms\"");
        services.run = [this](const std::string& program, const std::string& argument,
                              const std::function<void()>& whileWaiting) {
            runs.emplace_back(program, argument);
            return runAndWait(program, argument, whileWaiting);
        };
        services.progress = [this](int maximum, int position) { progress.emplace_back(maximum, position); };
    }

    std::string converter(const std::string& body) {
        static int count = 0;
        return test::writeScript(tmp, "conv" + std::to_string(++count) + ".sh", body);
    }
    CheckedRow fileRow(const std::string& name, const std::string& bytes) {
        return makeFileRow(name, tmp.write("pics/" + name, bytes));
    }
    CheckedRow memberRow(const std::string& name, std::uint32_t position, const std::string& bytes) {
        (*members)[position] = bytes;
        if (!fs::exists(tmp.file("pics.arc"))) tmp.write("pics.arc", "archive");
        return makeMemberRow(
            ARC{name, static_cast<std::int32_t>(position), static_cast<std::int32_t>(bytes.size())},
            tmp.file("pics.arc"));
    }
    std::vector<std::string> entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(tmp.file(folder)))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    PmsBatchReport run() { return runPmsBatch(input, *susie, services); }
};

std::string picture24() { return test::makeBmp(5, 3, 24); }

TEST_F(PmsBatchTest, ExampleRowsGiveTheListTheHistoryAndThePmsFiles) {
    const std::string realConverter = std::string(OBRI_BIN_DIR) + "/pmsconv";
    if (fs::exists(realConverter)) input.ConverterPath = realConverter;
    input.rows = {fileRow("title.jpg", picture24()),
                  memberRow("bg01.bmp", 4096, test::makeBmp(4, 4, 8, kPalette8))};

    const PmsBatchReport report = run();

    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Information);
    EXPECT_EQ(report.message().text, "PMSファイルを作成しました。");
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,bg01.pms\r\n");
    EXPECT_EQ(entries("pms"), (std::vector<std::string>{"OBRI.hed", "bg01.pms", "title.pms"}));
    EXPECT_FALSE(tmp.read("pms/title.pms").empty());
    EXPECT_TRUE(entries("work").empty()) << "work files are deleted";
    const auto history = crlfLines(tmp.read("History.txt"));
    ASSERT_EQ(history.size(), 3u);
    EXPECT_TRUE(test::isHistoryHeader(history[0], " 下記ﾌｧｲﾙを変換しました。")) << history[0];
    EXPECT_EQ(history[1], "\ttitle.jpg->title.pms");
    EXPECT_EQ(history[2], "\tbg01.bmp->bg01.pms");
    // One argument each: the BMP work file.
    EXPECT_EQ(runs, (std::vector<std::pair<std::string, std::string>>{
                        {input.ConverterPath, input.TempDir + "title.bmp"},
                        {input.ConverterPath, input.TempDir + "bg01.bmp"}}));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
}

TEST_F(PmsBatchTest, NoRowsTouchesNothing) {
    tmp.write("pms/OBRI.hed", "1,old.pms\r\n");
    const PmsBatchReport report = run();
    EXPECT_TRUE(report.noRows);
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Warning);
    EXPECT_EQ(report.message().text, "ファイルが選択されていません。");
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,old.pms\r\n");
    EXPECT_FALSE(fs::exists(input.historyPath));
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(progress.empty());
}

TEST_F(PmsBatchTest, OneRowRangesTheBarFromZeroToZero) {
    input.rows = {fileRow("title", picture24())};
    run();
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n");
    EXPECT_EQ(crlfLines(tmp.read("History.txt")).size(), 2u);
}

struct NameCase {
    const char* fileName;
    bool member;
    bool safe;
    const char* bmpName;
    const char* pmsName;
};

class RowNameRules : public ::testing::TestWithParam<NameCase> {};

TEST_P(RowNameRules, NamesStayInTheirFolder) {
    const NameCase& c = GetParam();
    CheckedRow row{c.fileName, "1", "0", c.member ? "/a/pics.arc" : "", "/p/x"};
    const RowNames names = rowNames(row);
    EXPECT_EQ(names.safe, c.safe);
    EXPECT_EQ(names.bmpName, c.bmpName);
    EXPECT_EQ(names.pmsName, c.pmsName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowNameRules,
    ::testing::Values(NameCase{"title.jpg", false, true, "title.bmp", "title.pms"},
                      NameCase{"title", false, true, "title.bmp", "title.pms"},
                      NameCase{"a.b.jpg", false, true, "a.b.bmp", "a.b.pms"},
                      NameCase{"写真.png", false, true, "写真.bmp", "写真.pms"},
                      // A plain file's name may hold a backslash on this platform; it stays.
                      NameCase{"a\\b.jpg", false, true, "a\\b.bmp", "a\\b.pms"},
                      NameCase{"cg/sub/bg01.png", true, true, "bg01.bmp", "bg01.pms"},
                      NameCase{"cg\\bg02.png", true, true, "bg02.bmp", "bg02.pms"},
                      NameCase{"../../evil.png", true, true, "evil.bmp", "evil.pms"},
                      NameCase{"..\\..\\evil", true, true, "evil.bmp", "evil.pms"},
                      NameCase{"dir.d/noext", true, true, "noext.bmp", "noext.pms"},
                      NameCase{"..", true, false, "", ""}, NameCase{".", true, false, "", ""},
                      NameCase{"a/..", true, false, "", ""}, NameCase{"a\\.", true, false, "", ""},
                      NameCase{"folder/", true, false, "", ""}, NameCase{"", false, false, "", ""},
                      NameCase{"a\nb.png", true, false, "", ""}, NameCase{"a\rb.png", false, false, "", ""},
                      NameCase{"tab\t.png", true, false, "", ""}));

TEST_F(PmsBatchTest, MemberNamesNeverLeaveThePmsFolderAndUnsafeOnesFail) {
    input.rows = {memberRow("../../evil.bmp", 10, picture24()), memberRow("sub\\dir\\x.bmp", 20, picture24()),
                  memberRow("..", 30, picture24()), memberRow("a\nb.bmp", 40, picture24())};
    const PmsBatchReport report = run();

    EXPECT_EQ(entries("pms"), (std::vector<std::string>{"OBRI.hed", "evil.pms", "x.pms"}));
    EXPECT_FALSE(fs::exists(tmp.file("evil.pms")));
    EXPECT_FALSE(fs::exists(tmp.file("../evil.pms")));
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,evil.pms\r\n1,x.pms\r\n1,\r\n1,\r\n");
    const auto history = crlfLines(tmp.read("History.txt"));
    ASSERT_EQ(history.size(), 5u);
    EXPECT_EQ(history[1], "\t../../evil.bmp->evil.pms");
    EXPECT_EQ(history[2], "\tsub\\dir\\x.bmp->x.pms");
    EXPECT_EQ(history[3], "\t..->");
    EXPECT_EQ(history[4], "\ta?b.bmp->");
    ASSERT_EQ(report.failed.size(), 2u);
    EXPECT_EQ(report.failed[0].reason, texts::kReasonBadName);
    EXPECT_EQ(
        report.message().text,
        "次のファイルは変換できませんでした。\n.. : ファイル名が不正です\na?b.bmp : ファイル名が不正です");
    EXPECT_EQ(runs.size(), 2u);
}

struct FormatCase {
    const char* name;
    int bits;
    std::vector<std::uint32_t> palette;
    int workBits;
};

class WorkFileFormat : public PmsBatchTest, public ::testing::WithParamInterface<FormatCase> {};

// Eight bits stay eight with their own palette; everything else becomes 24 bits.
TEST_P(WorkFileFormat, FollowsThePixelFormatRule) {
    const FormatCase& c = GetParam();
    const std::string bmp = test::makeBmp(7, 3, c.bits, c.palette);
    input.rows = {fileRow("pic.bmp", bmp)};
    run();
    const std::string work = tmp.read("capture/pic.bmp");
    EXPECT_EQ(test::bmpBits(work), c.workBits);
    EXPECT_EQ(test::bmpWidth(work), 7);
    if (c.workBits == 8) {
        EXPECT_EQ(test::bmpPalette(work), c.palette);
    } else {
        EXPECT_TRUE(test::bmpPalette(work).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkFileFormat,
                         ::testing::Values(FormatCase{"Bits8", 8, kPalette8, 8},
                                           FormatCase{"Bits4", 4, kPalette4, 24},
                                           FormatCase{"Bits24", 24, {}, 24},
                                           FormatCase{"Bits32", 32, {}, 24}),
                         [](const auto& param) { return std::string(param.param.name); });

// No row takes over the picture, format or palette of the row before: a row that cannot be decoded
// is not converted at all, and a picture a plug-in draws after an 8-bit one is 24 bits.
TEST_F(PmsBatchTest, EveryRowIsDecodedIntoAFreshBitmap) {
    CheckedRow badSize = memberRow("d.bmp", 70, picture24());
    badSize.Size = "x";
    input.rows = {fileRow("a.bmp", test::makeBmp(4, 4, 8, kPalette8)),
                  memberRow("p.png", 40, test::fakePicture(6, 5)),
                  makeFileRow("b.bmp", tmp.file("pics/missing.bmp")),
                  memberRow("c.bmp", 50, picture24()),
                  fileRow("e.bmp", "BM not really a bitmap"),
                  memberRow("f.bmp", 60, ""),
                  badSize};
    members->erase(60);  // the plug-in does not know this member

    const PmsBatchReport report = run();

    EXPECT_EQ(entries("capture"), (std::vector<std::string>{"a.bmp", "c.bmp", "p.bmp"}));
    EXPECT_EQ(test::bmpBits(tmp.read("capture/a.bmp")), 8);
    EXPECT_EQ(test::bmpBits(tmp.read("capture/p.bmp")), 24);
    EXPECT_EQ(test::bmpWidth(tmp.read("capture/p.bmp")), 6);
    EXPECT_EQ(test::bmpBits(tmp.read("capture/c.bmp")), 24);
    EXPECT_EQ(entries("pms"), (std::vector<std::string>{"OBRI.hed", "a.pms", "c.pms", "p.pms"}));
    ASSERT_EQ(report.failed.size(), 4u);
    for (const FailedRow& row : report.failed)
        EXPECT_EQ(row.reason, texts::kReasonNotDecoded) << row.FileName;
    EXPECT_EQ(report.failed[0].FileName, "b.bmp");
    // Every row keeps its line, so link numbers stay stable.
    EXPECT_EQ(tmp.read("pms/OBRI.hed"),
              "1,a.pms\r\n1,p.pms\r\n1,b.pms\r\n1,c.pms\r\n1,e.pms\r\n1,f.pms\r\n1,d.pms\r\n");
    EXPECT_EQ(crlfLines(tmp.read("History.txt")).size(), 8u);
    EXPECT_EQ(progress.back(), std::make_pair(6, 6));
}

struct ConverterCase {
    const char* name;
    const char* script;  // nullptr: no such program
    const char* reason;
};

class ConverterFailure : public PmsBatchTest, public ::testing::WithParamInterface<ConverterCase> {};

TEST_P(ConverterFailure, FailsTheRowKeepsItsLinesAndCleansTheWorkFolder) {
    const ConverterCase& c = GetParam();
    input.ConverterPath = c.script ? converter(c.script) : tmp.file("no-such-converter");
    input.rows = {fileRow("title.jpg", picture24()), fileRow("next.bmp", picture24())};

    const PmsBatchReport report = run();

    ASSERT_EQ(report.failed.size(), 2u);
    EXPECT_EQ(report.failed[0].FileName, "title.jpg");
    EXPECT_EQ(report.failed[0].reason, std::string(c.reason));
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Warning);
    EXPECT_EQ(report.message().text, std::string("次のファイルは変換できませんでした。\ntitle.jpg : ") +
                                         c.reason + "\nnext.bmp : " + c.reason);
    EXPECT_EQ(entries("pms"), std::vector<std::string>{"OBRI.hed"});
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,next.pms\r\n");
    EXPECT_TRUE(entries("work").empty());
    EXPECT_EQ(crlfLines(tmp.read("History.txt")).size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConverterFailure,
    ::testing::Values(ConverterCase{"Missing", nullptr, texts::kReasonConverterNotStarted},
                      ConverterCase{"ExitsNonZero", "exit 3", texts::kReasonConverterFailed},
                      ConverterCase{"ExitsNonZeroAfterWriting", "cp \"$1\" \"${1%.bmp}.pms\"; exit 1",
                                    texts::kReasonConverterFailed},
                      ConverterCase{"Killed", "kill -9 $$", texts::kReasonConverterFailed},
                      ConverterCase{"MakesNoPms", "exit 0", texts::kReasonNoPmsMade}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PmsBatchTest, AnExistingPmsFileIsKeptAndReported) {
    tmp.write("pms/title.pms", "OLD");
    input.rows = {fileRow("title.jpg", picture24()), fileRow("bg.png", picture24()),
                  fileRow("bg.bmp", picture24())};

    const PmsBatchReport report = run();

    EXPECT_EQ(tmp.read("pms/title.pms"), "OLD");
    EXPECT_NE(tmp.read("pms/bg.pms"), "");
    ASSERT_EQ(report.failed.size(), 2u);
    EXPECT_EQ(report.failed[0].FileName, "title.jpg");
    EXPECT_EQ(report.failed[0].reason, texts::kReasonPmsExists);
    EXPECT_EQ(report.failed[1].FileName, "bg.bmp")
        << "the second row of one base name finds the first's file";
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,bg.pms\r\n1,bg.pms\r\n");
    EXPECT_TRUE(entries("work").empty());
}

TEST_F(PmsBatchTest, ConvertingTwiceKeepsTheFirstFilesAndAddsASecondBlock) {
    input.rows = {fileRow("title.jpg", picture24()), memberRow("bg01.bmp", 1, picture24())};
    EXPECT_TRUE(run().failed.empty());
    const std::string first = tmp.read("pms/title.pms");
    input.rows[0] = fileRow("title.jpg", test::makeBmp(9, 9, 24));

    const PmsBatchReport second = run();

    EXPECT_EQ(tmp.read("pms/title.pms"), first);
    EXPECT_EQ(second.failed.size(), 2u);
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n1,bg01.pms\r\n");
    const auto history = crlfLines(tmp.read("History.txt"));
    ASSERT_EQ(history.size(), 6u);
    EXPECT_TRUE(test::isHistoryHeader(history[3], texts::kHistoryConverted));
    EXPECT_EQ(history[5], "\tbg01.bmp->bg01.pms");
}

TEST_F(PmsBatchTest, AMissingPmsFolderFailsEveryMoveThenRaisesOnTheList) {
    input.PmsDir = tmp.file("nowhere/");
    input.rows = {fileRow("title.jpg", picture24()), fileRow("b.bmp", picture24())};
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, tmp.file("nowhere/OBRI.hed")));
    }
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_TRUE(entries("work").empty());
    EXPECT_FALSE(fs::exists(input.historyPath));
}

TEST_F(PmsBatchTest, AWorkFolderThatIsNotOursIsMissing) {
    fs::create_directory(tmp.file("elsewhere"));
    fs::create_directory_symlink(tmp.file("elsewhere"), tmp.file("link"));
    for (const std::string& tempDir : {tmp.file("link/"), tmp.file("gone/")}) {
        input.TempDir = tempDir;
        input.rows = {fileRow("title.jpg", picture24())};
        try {
            run();
            FAIL() << "no error for " << tempDir;
        } catch (const PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, tempDir + "title.bmp"));
        }
    }
    EXPECT_TRUE(entries("elsewhere").empty());
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(fs::exists(tmp.file("pms/OBRI.hed")));
    EXPECT_FALSE(fs::exists(input.historyPath));
}

TEST_F(PmsBatchTest, AHistoryThatCannotBeSavedRaisesAfterTheList) {
    fs::create_directory(tmp.file("History.txt"));
    input.rows = {fileRow("title.jpg", picture24())};
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, input.historyPath));
    }
    EXPECT_EQ(tmp.read("pms/OBRI.hed"), "1,title.pms\r\n");
}

}  // namespace
}  // namespace obri
