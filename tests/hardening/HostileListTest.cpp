// What the ALD build reads and writes when the converted-image list or the paths it names hold
// bytes that could break a line: the link-number text keeps one line per list line, and no
// directive line is ever split.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/FaultSupport.h"
#include "output/AldBuild.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/Texts.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

class HostileBuild : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"exe", "pms", "game"}) fs::create_directory(temp.file(folder));
        input.PmsDir = temp.file("pms/");
        input.AldFile = temp.file("game/CG_GA.ALD");
        input.ExeDir = temp.file("exe/");
        input.historyPath = temp.file("exe/History.txt");
        // Makes the ALD named on line 4 and notes that it ran.
        input.LinkerPath = test::script(temp, "link.sh",
                                        "echo ran >> '" + temp.file("linker-ran") +
                                            "'\nprintf ALD > \"$(sed -n 4p \"$1\" | tr -d '\\r')\"");
        temp.write("exe/History.txt", "old\r\n");
    }
    test::TempFolder temp;
    AldBuildInput input;
};

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> numbers;  // the link-number text after its title
};

class HostileList : public HostileBuild, public ::testing::WithParamInterface<ListCase> {};

TEST_P(HostileList, GivesOneNumberedLinePerListLine) {
    temp.write("pms/OBRI.hed", GetParam().list);
    EXPECT_EQ(runAldBuild(input, MakeServices{}).result, AldBuildReport::Result::Built);
    std::vector<std::string> expected{texts::kLinkNumberTitle};
    expected.insert(expected.end(), GetParam().numbers.begin(), GetParam().numbers.end());
    EXPECT_EQ(temp.read("game/CG_GA.txt"), textfile::joinLines(expected));
}

const std::string kLong(100000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lists, HostileList,
    ::testing::Values(ListCase{"NulBytes",
                               std::string("1,a\0b.pms\r\n1,\0\r\n", 15),
                               {std::string("1=a\0b.pms", 9), std::string("2=\0", 3)}},
                      ListCase{"MixedLineEnds",
                               "1,a.pms\r1,b.pms\n1,c.pms\r\n\r\n1,d.pms",
                               {"1=a.pms", "2=b.pms", "3=c.pms", "4=", "5=d.pms"}},
                      ListCase{"ShortAndLongLines", "1\r\n1," + kLong + "\r\n", {"1=", "2=" + kLong}},
                      ListCase{"NotUtf8", "1,\x82\xa0\xff.pms\r\n", {"1=\x82\xa0\xff.pms"}}),
    [](const auto& tested) { return std::string(tested.param.name); });

// A directive line that would be split in two could hand the linker a file it was never meant to
// write: the build stops before the directive file, the linker never runs.
struct PathCase {
    const char* name;
    std::string pmsFolder;  // relative to the temporary folder
    std::string aldFile;
};

class LineBreakingPath : public HostileBuild, public ::testing::WithParamInterface<PathCase> {};

TEST_P(LineBreakingPath, StopsTheBuildBeforeTheLinkerRuns) {
    fs::create_directories(temp.file(GetParam().pmsFolder));
    input.PmsDir = temp.file(GetParam().pmsFolder) + "/";
    input.AldFile = temp.file(GetParam().aldFile);
    temp.write(GetParam().pmsFolder + "/OBRI.hed", "1,a.pms\r\n");
    const test::FolderSnapshot before = test::snapshot(temp.path());
    try {
        runAldBuild(input, MakeServices{});
        FAIL() << "the build went on";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, input.ExeDir + "OBRI_DIR.HED"));
    }
    EXPECT_FALSE(fs::exists(temp.file("linker-ran")));
    // Only the link-number text, written before the directive as always, is new.
    test::FolderSnapshot after = test::snapshot(temp.path());
    after.erase(fs::relative(paths::changeFileExt(input.AldFile, ".txt"), temp.path()).string());
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Paths, LineBreakingPath,
                         ::testing::Values(PathCase{"NewlineInAldFile", "pms", "game/CG\n.ALD"},
                                           PathCase{"CarriageReturnInAldFile", "pms", "game/CG\r.ALD"},
                                           PathCase{"NewlineInPmsFolder", "pm\ns", "game/CG_GA.ALD"}),
                         [](const auto& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace obri
