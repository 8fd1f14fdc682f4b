#include <filesystem>

#include <gtest/gtest.h>

#include "output/AldBuild.h"
#include "output/OutputTestSupport.h"
#include "platform/Error.h"
#include "platform/Texts.h"

namespace obri {
namespace {

namespace fs = std::filesystem;
using test::crlfLines;

class AldBuildTest : public ::testing::Test {
  protected:
    test::TempFolder tmp;
    AldBuildInput input;
    MakeServices services;
    int linkerRuns = 0;

    void SetUp() override {
        for (const char* folder : {"pms", "exe", "game", "capture"}) fs::create_directory(tmp.file(folder));
        input.PmsDir = tmp.file("pms/");
        input.AldFile = tmp.file("game/CG_GA.ALD");
        input.ExeDir = tmp.file("exe/");
        input.historyPath = tmp.file("exe/History.txt");
        // Keeps a copy of the directive file and writes the ALD file its fourth line names.
        input.LinkerPath = linker("cp \"$1\" '" + tmp.file("capture/directive") +
                                  "' && ald=$(sed -n 4p \"$1\" | tr -d '\\r') && echo ALD > \"$ald\"");
        services.run = [this](const std::string& program, const std::string& argument,
                              const std::function<void()>& whileWaiting) {
            ++linkerRuns;
            EXPECT_EQ(argument, input.ExeDir + "OBRI_DIR.HED");
            return runAndWait(program, argument, whileWaiting);
        };
    }
    std::string linker(const std::string& body) {
        static int count = 0;
        return test::writeScript(tmp, "link" + std::to_string(++count) + ".sh", body);
    }
    AldBuildReport run() { return runAldBuild(input, services); }
};

TEST_F(AldBuildTest, BuildsFromTheListOfTheExample) {
    const std::string realLinker = std::string(OBRI_BIN_DIR) + "/aldlink";
    const bool real = fs::exists(realLinker);
    if (real) input.LinkerPath = realLinker;
    tmp.write("pms/OBRI.hed", "1,title.pms\r\n1,bg01.pms\r\n");
    tmp.write("pms/title.pms", "T");
    tmp.write("pms/bg01.pms", "B");

    const AldBuildReport report = run();

    EXPECT_EQ(report.result, AldBuildReport::Result::Built);
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Information);
    EXPECT_EQ(report.message().text, "ALDファイルを作成しました。");
    EXPECT_EQ(tmp.read("game/CG_GA.txt"), "CGリンク番号\r\n1=title.pms\r\n2=bg01.pms\r\n");
    EXPECT_TRUE(fs::exists(input.AldFile));
    EXPECT_FALSE(fs::exists(tmp.file("exe/OBRI_DIR.HED"))) << "the directive file is deleted";
    if (!real) {
        EXPECT_EQ(tmp.read("capture/directive"), "#NL\r\n" + input.PmsDir + "OBRI.hed\r\n" + input.PmsDir +
                                                     "\r\n" + input.AldFile + "\r\nAUTO\r\n");
    }
    const auto history = crlfLines(tmp.read("exe/History.txt"));
    ASSERT_EQ(history.size(), 2u);
    EXPECT_TRUE(test::isHistoryHeader(history[0], " 下記を作成しました。")) << history[0];
    EXPECT_EQ(history[1], "\t" + input.AldFile);
    EXPECT_EQ(linkerRuns, 1);
}

TEST_F(AldBuildTest, NoListOnlyWarns) {
    const AldBuildReport report = run();
    EXPECT_EQ(report.result, AldBuildReport::Result::NoPmsList);
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Warning);
    EXPECT_EQ(report.message().text, "PMSファイルが作成されていません。");
    EXPECT_EQ(linkerRuns, 0);
    EXPECT_TRUE(fs::is_empty(tmp.file("game")));
    EXPECT_TRUE(fs::is_empty(tmp.file("exe")));
}

struct ListCase {
    const char* name;
    const char* list;
    const char* linkText;
};

class LinkNumberText : public AldBuildTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(LinkNumberText, NumbersEveryLineOfTheList) {
    tmp.write("pms/OBRI.hed", GetParam().list);
    run();
    EXPECT_EQ(tmp.read("game/CG_GA.txt"), GetParam().linkText);
    EXPECT_EQ(linkerRuns, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkNumberText,
    ::testing::Values(
        ListCase{"Empty", "", "CGリンク番号\r\n"},
        ListCase{"ThreeLines", "1,a.pms\r\n1,b.pms\r\n1,c.pms\r\n",
                 "CGリンク番号\r\n1=a.pms\r\n2=b.pms\r\n3=c.pms\r\n"},
        ListCase{"NotStartingOneComma", "2,x.pms\r\n", "CGリンク番号\r\n1=x.pms\r\n"},
        ListCase{"BlankLine", "1,a.pms\r\n\r\n1,b.pms\r\n", "CGリンク番号\r\n1=a.pms\r\n2=\r\n3=b.pms\r\n"},
        ListCase{"ShortLineAndNoLastEnd", "1\r\n1,", "CGリンク番号\r\n1=\r\n2=\r\n"},
        ListCase{"LoneLineEnds", "1,a.pms\n1,b.pms\r", "CGリンク番号\r\n1=a.pms\r\n2=b.pms\r\n"},
        ListCase{"TwoBytesOfAWideCharacter", "写真.pms\r\n", "CGリンク番号\r\n1=\x99\xe7\x9c\x9f.pms\r\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(AldBuildTest, AnAldFileWithoutExtensionGetsTxtAppended) {
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n");
    input.AldFile = tmp.file("game/CG");
    tmp.write("game/CG.txt", "old");
    run();
    EXPECT_EQ(tmp.read("game/CG.txt"), "CGリンク番号\r\n1=a.pms\r\n");
}

TEST_F(AldBuildTest, BuildingTwiceReplacesTheTextAndAddsTwoBlocks) {
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n1,b.pms\r\n");
    EXPECT_EQ(run().result, AldBuildReport::Result::Built);
    tmp.write("pms/OBRI.hed", "1,c.pms\r\n");
    EXPECT_EQ(run().result, AldBuildReport::Result::Built);
    EXPECT_EQ(tmp.read("game/CG_GA.txt"), "CGリンク番号\r\n1=c.pms\r\n");
    EXPECT_FALSE(fs::exists(tmp.file("exe/OBRI_DIR.HED")));
    const auto history = crlfLines(tmp.read("exe/History.txt"));
    ASSERT_EQ(history.size(), 4u);
    EXPECT_TRUE(test::isHistoryHeader(history[2], texts::kHistoryCreated));
    EXPECT_EQ(history[3], "\t" + input.AldFile);
    EXPECT_EQ(linkerRuns, 2);
}

struct LinkerCase {
    const char* name;
    const char* script;  // nullptr: no such program
};

class LinkerFailure : public AldBuildTest, public ::testing::WithParamInterface<LinkerCase> {};

TEST_P(LinkerFailure, WarnsWritesNoHistoryAndStillDeletesTheDirective) {
    input.LinkerPath = GetParam().script ? linker(GetParam().script) : tmp.file("no-such-linker");
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n");
    tmp.write("exe/History.txt", "old\r\n");

    const AldBuildReport report = run();

    EXPECT_EQ(report.result, AldBuildReport::Result::LinkerFailed);
    EXPECT_EQ(report.message().kind, ClosingMessage::Kind::Warning);
    EXPECT_EQ(report.message().text, "ALDファイルを作成できませんでした。");
    EXPECT_EQ(tmp.read("exe/History.txt"), "old\r\n");
    EXPECT_FALSE(fs::exists(tmp.file("exe/OBRI_DIR.HED")));
    EXPECT_EQ(tmp.read("game/CG_GA.txt"), "CGリンク番号\r\n1=a.pms\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkerFailure,
    ::testing::Values(LinkerCase{"Missing", nullptr}, LinkerCase{"ExitsNonZero", "exit 2"},
                      LinkerCase{"WritesButFails",
                                 "ald=$(sed -n 4p \"$1\" | tr -d '\\r'); echo x > \"$ald\"; exit 1"},
                      LinkerCase{"Killed", "kill -9 $$"}, LinkerCase{"MakesNoAld", "exit 0"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(AldBuildTest, FilesThatCannotBeCreatedStopTheBuildAtThatStep) {
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n");
    input.AldFile = tmp.file("nowhere/CG.ALD");
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, tmp.file("nowhere/CG.txt")));
    }
    EXPECT_EQ(linkerRuns, 0);
    EXPECT_TRUE(fs::is_empty(tmp.file("exe")));

    input.AldFile = tmp.file("game/CG.ALD");
    input.ExeDir = tmp.file("gone/");
    input.historyPath = tmp.file("gone/History.txt");
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, tmp.file("gone/OBRI_DIR.HED")));
    }
    EXPECT_EQ(linkerRuns, 0);
    EXPECT_EQ(tmp.read("game/CG.txt"), "CGリンク番号\r\n1=a.pms\r\n") << "files of earlier steps stay";
}

// As it always was: the save raises before the deletion, so the directive file stays.
TEST_F(AldBuildTest, AHistoryThatCannotBeSavedRaisesAndLeavesTheDirective) {
    tmp.write("pms/OBRI.hed", "1,a.pms\r\n");
    fs::create_directory(input.historyPath);
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, input.historyPath));
    }
    EXPECT_EQ(linkerRuns, 1);
    EXPECT_TRUE(fs::exists(tmp.file("exe/OBRI_DIR.HED")));
}

TEST_F(AldBuildTest, AListThatCannotBeReadRaisesTheOpenError) {
    test::makeUnreadableFile(tmp.file("pms/OBRI.hed"));
    try {
        run();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotOpen, tmp.file("pms/OBRI.hed")));
    }
    EXPECT_EQ(linkerRuns, 0);
    EXPECT_FALSE(fs::exists(tmp.file("game/CG_GA.txt")));
}

}  // namespace
}  // namespace obri
