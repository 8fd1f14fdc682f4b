// Rules of the shell that need no window: the ALD name, the chosen PMS folder, the filter entries and
// the launch guard.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/DestinationRules.h"
#include "app/FilterEntries.h"
#include "app/LaunchGuard.h"

namespace obri {
namespace {

struct AldCase {
    std::string chosen;
    std::string expected;
};

class AldNameTest : public ::testing::TestWithParam<AldCase> {};

TEST_P(AldNameTest, AppliesTheSuffixRuleOnBytes) {
    EXPECT_EQ(aldNameWithSuffix(GetParam().chosen), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, AldNameTest,
    ::testing::Values(AldCase{"/Game/CG.ALD", "/Game/CG_GA.ALD"},
                      AldCase{"/Game/CG_GA.ALD", "/Game/CG_GA.ALD"},  // kept
                      AldCase{"/Game/cg_ga.ald", "/Game/cg_ga.ald"},  // kept: either case
                      AldCase{"/Game/CG_gA.ALD", "/Game/CG_gA.ALD"},  // kept
                      AldCase{"/Game/CG_Ga.ALD", "/Game/CG_Ga.ALD"},  // kept
                      AldCase{"/Game/CG.txt", "/Game/CG_GA.ALD"},     // the extension is replaced, not tested
                      AldCase{"/Game/CG_GA.txt", "/Game/CG_GA.txt"},  // only the piece is tested
                      AldCase{"/Game/CG.ALDX", "/Game/CG._GA.ALD"},   // exactly four bytes go
                      AldCase{"/Game/CG-GA.ALD", "/Game/CG-GA_GA.ALD"},      // the underscore is exact
                      AldCase{"/Game/CG_ＧＡ.ALD", "/Game/CG_ＧＡ_GA.ALD"},  // bytes, not characters
                      AldCase{"/Game/画像.ALD", "/Game/画像_GA.ALD"},
                      AldCase{"_ga.x", "_ga.x"},     // short name: the piece starts at the first byte
                      AldCase{"a.ALD", "a_GA.ALD"},  // short name without the piece
                      AldCase{"ab", "_GA.ALD"},      // shorter than four bytes: all of it goes
                      AldCase{"", "_GA.ALD"}));

TEST(AldNameTest, ChoosingTheResultAgainKeepsIt) {
    for (const std::string chosen : {"/Game/CG.ALD", "/x/y.ALDX", "/x/z.txt"}) {
        const std::string once = aldNameWithSuffix(chosen);
        EXPECT_EQ(aldNameWithSuffix(once), once) << chosen;
    }
}

TEST(PmsFolderTest, AppendsOneSeparator) {
    EXPECT_EQ(pmsFolderFromChoice("/"), "//");
    EXPECT_EQ(pmsFolderFromChoice("/home/user/pms"), "/home/user/pms/");
}

struct FilterCase {
    std::string name;
    std::string filter;
    std::vector<FilterEntry> expected;
};

class FilterEntriesTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterEntriesTest, SplitsDescriptionsAndPatterns) {
    EXPECT_EQ(filterEntries(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterEntriesTest,
    ::testing::Values(
        FilterCase{"BitmapOnly", "Bitmap(*.BMP)|*.bmp", {{"Bitmap(*.BMP)", "*.bmp"}}},
        FilterCase{
            "WorkedExample",
            "すべての画像File|*.bmp;*.jpg;*.jpeg;*.png|すべてのFile(*.*)|*.*|JPEG|*.jpg;*.jpeg|PNG and "
            "JPEG|*.png; *.jpg|",
            {{"すべての画像File", "*.bmp;*.jpg;*.jpeg;*.png"},
             {"すべてのFile(*.*)", "*.*"},
             {"JPEG", "*.jpg;*.jpeg"},
             {"PNG and JPEG", "*.png; *.jpg"}}},
        FilterCase{"EmptyCollectedList",
                   "すべての画像File|*.bmp;|すべてのFile(*.*)|*.*|",
                   {{"すべての画像File", "*.bmp;"}, {"すべてのFile(*.*)", "*.*"}}},
        FilterCase{"EmptyPatternPart", "X||Y|*.y|", {{"X", ""}, {"Y", "*.y"}}},
        FilterCase{"DescriptionWithoutPatterns", "A|*.a|B", {{"A", "*.a"}}}, FilterCase{"Empty", "", {}}),
    [](const auto& p) { return p.param.name; });

struct LaunchCase {
    std::string name;
    std::vector<const char*> arguments;  // after the program's name
    std::string text;
    bool starts;
};

class LaunchGuardTest : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchGuardTest, ComparesTheJoinedArgumentsExactly) {
    std::vector<const char*> argv{"/opt/quav/obri"};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    argv.push_back(nullptr);
    const std::string text = argumentText(static_cast<int>(argv.size() - 1), argv.data());
    EXPECT_EQ(text, GetParam().text);
    EXPECT_EQ(launchTokenMatches(text), GetParam().starts);
}

INSTANTIATE_TEST_SUITE_P(Arguments, LaunchGuardTest,
                         ::testing::Values(LaunchCase{"Token", {"MOVAN"}, "MOVAN", true},
                                           LaunchCase{"None", {}, "", false},
                                           LaunchCase{"TrailingBlank", {"MOVAN "}, "MOVAN ", false},
                                           LaunchCase{"LowerCase", {"movan"}, "movan", false},
                                           LaunchCase{"OneLowerLetter", {"MOVAn"}, "MOVAn", false},
                                           LaunchCase{"Quoted", {"\"MOVAN\""}, "\"MOVAN\"", false},
                                           LaunchCase{"SecondWord", {"MOVAN", "x"}, "MOVAN x", false},
                                           LaunchCase{"EmptyArgument", {""}, "", false},
                                           LaunchCase{"SplitToken", {"MO", "VAN"}, "MO VAN", false},
                                           LaunchCase{"EmbeddedTab", {"MOVAN\t"}, "MOVAN\t", false}),
                         [](const auto& p) { return p.param.name; });

TEST(LaunchGuardTest, NoArgumentVector) { EXPECT_EQ(argumentText(0, nullptr), ""); }

}  // namespace
}  // namespace obri
