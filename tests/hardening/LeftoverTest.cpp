// Work files left behind by an earlier run that was killed (power cut, crash) must not pass for
// the output of this run's converter.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "hardening/FaultSupport.h"
#include "output/PmsBatch.h"
#include "platform/Texts.h"
#include "selection/CheckedRow.h"
#include "support/TempFolder.h"
#include "susie/CSusie.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

struct LeftoverCase {
    const char* name;
    std::string converter;    // body of the stand-in converter
    const char* reason;       // why the row failed, or nullptr when it converts
    std::string expectedPms;  // what pms/title.pms then holds, "" for no file
};

class Leftover : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(Leftover, AStalePmsWorkFileIsNeverTakenForTheConvertersOutput) {
    test::TempFolder temp;
    for (const char* folder : {"work", "pms"}) fs::create_directory(temp.file(folder));
    fs::permissions(temp.file("work"), fs::perms::owner_all);
    temp.write("work/title.pms", "stale PMS of a killed run");
    temp.write("work/title.bmp", "stale BMP of a killed run");
    PmsBatchInput input;
    input.rows = {makeFileRow("title.bmp", temp.write("title.bmp", test::bmp24(2, 2)))};
    input.TempDir = temp.file("work/");
    input.PmsDir = temp.file("pms/");
    input.ConverterPath = test::script(temp, "conv.sh", GetParam().converter);
    input.historyPath = temp.file("History.txt");
    CSusie susie;
    const PmsBatchReport report = runPmsBatch(input, susie, MakeServices{});

    if (GetParam().reason) {
        ASSERT_EQ(report.failed.size(), 1u);
        EXPECT_EQ(report.failed[0].reason, std::string(GetParam().reason));
    } else {
        EXPECT_TRUE(report.failed.empty());
    }
    EXPECT_EQ(temp.read("pms/title.pms"), GetParam().expectedPms);
    EXPECT_TRUE(test::snapshot(temp.file("work")).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Converters, Leftover,
    ::testing::Values(LeftoverCase{"MakesNothing", "exit 0", texts::kReasonNoPmsMade, ""},
                      LeftoverCase{"Converts", "cp \"$1\" \"${1%.bmp}.pms\"", nullptr, test::bmp24(2, 2)}),
    [](const auto& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace obri
