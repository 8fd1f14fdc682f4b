// LoadPlugins, FreePlugins and BuildFilter. Order-dependent cases use FakeLoader or OrderedLoader,
// which fix the table order that the folder listing leaves to chance; the rest list real folders.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakePlugin.h"
#include "SusieTestSupport.h"
#include "platform/Bitmap.h"
#include "susie/CSusie.h"

namespace obri::test {
namespace {

constexpr char kWorkedExample[] =
    "すべての画像File|*.bmp;*.jpg;*.jpeg;*.png|すべてのFile(*.*)|*.*|JPEG|*.jpg;*.jpeg|PNG and JPEG|*.png; "
    "*.jpg|";

FakeAnswers patterns(std::map<int, std::string> info) {
    FakeAnswers answers;
    answers.info = std::move(info);
    answers.info.emplace(0, "00IN");
    return answers;
}

std::unique_ptr<CSusie> fakeSusie(const TempFolder& temp, std::vector<FakeAnswers> answers) {
    const std::string folder = temp.file("fake");
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < answers.size(); ++i)
        writeFile(folder + "/p" + std::to_string(i) + ".spi", "");
    const auto count = static_cast<int>(answers.size());
    auto susie = std::make_unique<CSusie>(std::make_unique<FakeLoader>(std::move(answers)));
    EXPECT_EQ(susie->LoadPlugins(folder), count);
    return susie;
}

struct FilterCase {
    const char* name;
    std::vector<FakeAnswers> plugins;
    std::string expected;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

FakeAnswers notLoaded() {
    FakeAnswers answers;
    answers.loaded = false;
    return answers;
}

FakeAnswers withoutInfoFunction() {
    FakeAnswers answers = patterns({{2, "*.hidden"}, {3, "Hidden"}});
    answers.hasInfo = false;
    return answers;
}

std::vector<FilterCase> filterCases() {
    const std::string all = "すべての画像File|*.bmp;";
    const std::string files = "|すべてのFile(*.*)|*.*|";
    return {
        {"WorkedExample",
         {patterns({{2, "*.jpg;*.jpeg"}, {3, "JPEG"}}), patterns({{2, "*.png; *.jpg"}, {3, "PNG and JPEG"}})},
         kWorkedExample},
        {"BmpListedAgain", {patterns({{2, "*.bmp"}, {3, "BMP"}})}, all + "*.bmp" + files + "BMP|*.bmp|"},
        {"LongerFirstSwallowsShorter",
         {patterns({{2, "*.tiff;*.tif"}, {3, "TIFF"}})},
         all + "*.tiff" + files + "TIFF|*.tiff;*.tif|"},
        {"ShorterFirstKeepsLonger",
         {patterns({{2, "*.tif;*.tiff"}, {3, "TIFF"}})},
         all + "*.tif;*.tiff" + files + "TIFF|*.tif;*.tiff|"},
        {"LetterCaseCounts",
         {patterns({{2, "*.TIF;*.tif"}, {3, "T"}})},
         all + "*.TIF;*.tif" + files + "T|*.TIF;*.tif|"},
        {"StarNeverCollected",
         {patterns({{2, "*;*.a;*"}, {3, "Any"}})},
         all + "*.a" + files + "Any|*;*.a;*|"},
        {"EmptyPatternKept",
         {patterns({{2, "*.a;;*.b"}, {3, "AB"}})},
         all + "*.a;;*.b" + files + "AB|*.a;;*.b|"},
        {"EmptyPatternsNeverFound",
         {patterns({{2, "*.a;;;*.b"}, {3, "AB"}})},
         all + "*.a;;;*.b" + files + "AB|*.a;;;*.b|"},
        {"FinalSemicolonGivesNoEmptyToken",
         {patterns({{2, "*.x;"}, {3, "X"}})},
         all + "*.x" + files + "X|*.x;|"},
        {"EmptyListAnswered", {patterns({{2, ""}, {3, "E"}})}, all + files + "E||"},
        {"LeadingControlsTrimmedTrailingKept",
         {patterns({{2, "\t\n *.x ;\x1f*.y"}, {3, "XY"}})},
         all + "*.x ;*.y" + files + "XY|\t\n *.x ;\x1f*.y|"},
        {"NoPatternLists", {patterns({})}, all + files},
        {"DescriptionWithoutPatterns", {patterns({{3, "D"}})}, all + files + "D||"},
        {"TwoListsInIndexOrder",
         {patterns({{2, "*.a"}, {3, "A"}, {4, "*.b"}, {5, "B"}})},
         all + "*.a;*.b" + files + "A|*.a|B|*.b|"},
        {"ListAfterGapNotAsked",
         {patterns({{2, "*.a"}, {3, "A"}, {6, "*.c"}, {7, "C"}})},
         all + "*.a" + files + "A|*.a|"},
        {"SlotsWithoutModuleOrFunctionPassedOver",
         {notLoaded(), withoutInfoFunction(), patterns({{2, "*.a"}, {3, "A"}})},
         all + "*.a" + files + "A|*.a|"},
        {"OnlySlotsThatCannotAnswer", {notLoaded()}, all + files},
    };
}

class BuildFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(BuildFilterTest, GivesTheFilterText) {
    TempFolder temp;
    auto susie = fakeSusie(temp, GetParam().plugins);
    EXPECT_EQ(susie->BuildFilter(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildFilterTest, ::testing::ValuesIn(filterCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BuildFilter, TextsAreCutToTheBufferOfTheCall) {
    TempFolder temp;
    const std::string longList = "*." + std::string(300, 'a');
    auto susie = fakeSusie(temp, {patterns({{2, longList}, {3, "L"}})});
    const std::string cut = longList.substr(0, 255);
    EXPECT_EQ(susie->BuildFilter(),
              "すべての画像File|*.bmp;" + cut + "|すべてのFile(*.*)|*.*|L|" + cut + "|");
}

TEST(BuildFilter, APluginAnsweringEveryIndexDoesNotHangIt) {
    TempFolder temp;
    FakeAnswers endless;
    endless.answersEveryIndex = true;
    auto susie = fakeSusie(temp, {endless});
    const std::string filter = susie->BuildFilter();
    EXPECT_EQ(filter.rfind("すべての画像File|*.bmp;*.x|すべてのFile(*.*)|*.*|*.x|*.x|", 0), 0u);
    EXPECT_EQ(filter.back(), '|');
}

TEST(BuildFilter, WorkedExampleThroughRealModules) {
    TempFolder temp;
    auto susie = susieWith(temp, {"img_a", "img_b"});
    EXPECT_EQ(susie->BuildFilter(), kWorkedExample);
}

TEST(BuildFilter, ToleratesPluginsThatOverrunTheirBuffer) {
    // info_buggy writes its whole 300-byte text into a 256-byte buffer and answers the buffer length.
    TempFolder temp;
    auto susie = susieWith(temp, {"info_buggy"});
    const std::string digits =
        "012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
        "0123456789";
    const std::string longText = digits + digits + digits;
    const std::string pattern = ("*.a" + longText).substr(0, 256);
    const std::string description = ("D" + longText).substr(0, 256);
    EXPECT_EQ(susie->BuildFilter(), "すべての画像File|*.bmp;" + pattern + "|すべてのFile(*.*)|*.*|" +
                                        description + "|" + pattern + "|");
}

class LoadPluginsTest : public ::testing::Test {
  protected:
    TempFolder temp;
    std::string folder = temp.file("plugins");
    void SetUp() override { std::filesystem::create_directories(folder); }
};

TEST_F(LoadPluginsTest, NoPluginAtAllGivesTheBitmapFilter) {
    CSusie susie;
    EXPECT_EQ(susie.LoadPlugins(folder), 0);
    EXPECT_EQ(susie.PluginCount, 0);
    EXPECT_EQ(susie.BuildFilter(), "Bitmap(*.BMP)|*.bmp");
}

TEST_F(LoadPluginsTest, MissingFolderLoadsNothing) {
    CSusie susie;
    EXPECT_EQ(susie.LoadPlugins(temp.file("no such folder")), 0);
    EXPECT_EQ(susie.BuildFilter(), "Bitmap(*.BMP)|*.bmp");
}

TEST_F(LoadPluginsTest, EveryMatchingEntryTakesASlotAndOnlyWorkingOnesAnswer) {
    installPlugins(folder, {"img_a", "no_functions"});
    std::filesystem::create_directory(folder + "/x.spi");
    writeFile(folder + "/not-a-module.spi", "this is text, not a module");
    writeFile(folder + "/.hidden.spi", "");
    writeFile(folder + "/other.txt", "");
    CSusie susie;
    EXPECT_EQ(susie.LoadPlugins(folder), 5);
    int loaded = 0;
    for (int i = 0; i < susie.PluginCount; ++i) loaded += susie.plugin(i).loaded() ? 1 : 0;
    EXPECT_EQ(loaded, 2);
    EXPECT_EQ(susie.BuildFilter(),
              "すべての画像File|*.bmp;*.jpg;*.jpeg|すべてのFile(*.*)|*.*|JPEG|*.jpg;*.jpeg|");
    // The slots that cannot answer are passed over by the decoding operations too.
    Bitmap bitmap;
    EXPECT_EQ(susie.LoadPicture(temp.write("p.tpic", testPictureBytes()), bitmap), kPictureLoaded);
    EXPECT_EQ(bitmap.width(), 3);
    EXPECT_EQ(susie.ReadArchiveList(temp.file("p.tpic")), 0);
}

TEST_F(LoadPluginsTest, AModuleWithoutFunctionsAnswersNothing) {
    auto plugin = makeInProcessPluginLoader()->load(testPluginPath("no_functions"));
    ASSERT_TRUE(plugin->loaded());
    for (auto function :
         {PluginFunction::GetPluginInfo, PluginFunction::IsSupported, PluginFunction::GetPicture,
          PluginFunction::GetArchiveInfo, PluginFunction::GetFile}) {
        EXPECT_FALSE(plugin->has(function));
    }
}

TEST_F(LoadPluginsTest, FolderWithOrWithoutFinalSlashGivesTheSamePaths) {
    for (const std::string& given : {folder, folder + "/"}) {
        writeFile(folder + "/a.spi", "");
        auto loader = std::make_unique<FakeLoader>(std::vector<FakeAnswers>{});
        auto* seen = loader.get();
        CSusie susie(std::move(loader));
        testing::internal::CaptureStderr();
        EXPECT_EQ(susie.LoadPlugins(given), 1);
        const std::string debug = testing::internal::GetCapturedStderr();
        ASSERT_EQ(seen->asked.size(), 1u);
        EXPECT_EQ(seen->asked[0], folder + "/a.spi");
        EXPECT_NE(debug.find(folder + "/a.spi"), std::string::npos) << "each path goes to the debug output";
    }
}

TEST_F(LoadPluginsTest, SecondLoadDoesNothingUntilFreed) {
    installPlugins(folder, {"img_a"});
    CSusie susie;
    ASSERT_EQ(susie.LoadPlugins(folder), 1);
    installPlugins(folder, {"img_b"});
    EXPECT_EQ(susie.LoadPlugins(folder), 1);
    EXPECT_EQ(susie.LoadPlugins(temp.file("elsewhere")), 1);
    EXPECT_EQ(susie.FreePlugins(), 0);
    EXPECT_EQ(susie.PluginCount, 0);
    EXPECT_EQ(susie.BuildFilter(), "Bitmap(*.BMP)|*.bmp");
    EXPECT_EQ(susie.LoadPlugins(folder), 2);
    EXPECT_EQ(susie.FreePlugins(), 0);
    EXPECT_EQ(susie.FreePlugins(), 0);
}

TEST_F(LoadPluginsTest, TableNeverHoldsMoreThanItsSlots) {
    const int files = CSusie::kMaxPlugins + 3;
    for (int i = 0; i < files; ++i) writeFile(folder + "/p" + std::to_string(i) + ".spi", "");
    auto loader = std::make_unique<FakeLoader>(std::vector<FakeAnswers>{});
    auto* seen = loader.get();
    CSusie susie(std::move(loader));
    testing::internal::CaptureStderr();
    EXPECT_EQ(susie.LoadPlugins(folder), CSusie::kMaxPlugins);
    const std::string debug = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen->asked.size(), static_cast<std::size_t>(CSusie::kMaxPlugins));
    int namedAsLeft = 0;
    for (int i = 0; i < files; ++i) {
        const std::string path = folder + "/p" + std::to_string(i) + ".spi";
        const bool loadedIt = std::find(seen->asked.begin(), seen->asked.end(), path) != seen->asked.end();
        if (!loadedIt) {
            ++namedAsLeft;
            EXPECT_NE(debug.find("not loaded: " + path + "\n"), std::string::npos) << path;
        }
    }
    EXPECT_EQ(namedAsLeft, 3);
    EXPECT_EQ(susie.BuildFilter(), "すべての画像File|*.bmp;|すべてのFile(*.*)|*.*|");
}

TEST(CSusieConstruction, StartsWithEmptyTables) {
    CSusie susie;
    EXPECT_EQ(susie.PluginCount, 0);
    ASSERT_EQ(susie.Arc.size(), static_cast<std::size_t>(CSusie::kMaxArc));
    for (const ARC& row : susie.Arc) {
        ASSERT_TRUE(row.Name.empty());
        ASSERT_EQ(row.Position, 0);
        ASSERT_EQ(row.Size, 0);
    }
}

}  // namespace
}  // namespace obri::test
