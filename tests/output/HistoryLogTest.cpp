#include <gtest/gtest.h>

#include "output/HistoryLog.h"
#include "output/OutputTestSupport.h"
#include "platform/Error.h"
#include "platform/Texts.h"

namespace obri {
namespace {

using test::crlfLines;
using test::isHistoryHeader;

struct RepairCase {
    const char* name;
    const char* existing;
    std::vector<std::string> kept;
};

class HistoryRepair : public ::testing::TestWithParam<RepairCase> {};

// Old lines come back with CR LF whatever their ends were, and the new block starts on its own line.
TEST_P(HistoryRepair, OldLinesKeptWithCrLfAndNewBlockOnItsOwnLine) {
    test::TempFolder tmp;
    const std::string path = tmp.file("History.txt");
    if (GetParam().existing) tmp.write("History.txt", GetParam().existing);

    HistoryLog history(path);
    history.open();
    history.addHeader(texts::kHistoryCreated, 0);
    history.addDetail("/g/CG.ALD");
    history.save();

    const std::string saved = tmp.read("History.txt");
    std::string expectedTail;
    for (const std::string& line : GetParam().kept) expectedTail += line + "\r\n";
    ASSERT_EQ(saved.compare(0, expectedTail.size(), expectedTail), 0) << saved;
    const auto lines = crlfLines(saved.substr(expectedTail.size()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(isHistoryHeader(lines[0], texts::kHistoryCreated)) << lines[0];
    EXPECT_EQ(lines[1], "\t/g/CG.ALD");
    EXPECT_EQ(saved.substr(saved.size() - 2), "\r\n");
    // No lone CR or LF is left anywhere.
    std::size_t crlf = 0, cr = 0, lf = 0;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved.compare(i, 2, "\r\n") == 0)
            ++crlf, ++i;
        else if (saved[i] == '\r')
            ++cr;
        else if (saved[i] == '\n')
            ++lf;
    }
    EXPECT_EQ(cr + lf, 0u);
    EXPECT_EQ(crlf, GetParam().kept.size() + 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryRepair,
                         ::testing::Values(RepairCase{"Missing", nullptr, {}}, RepairCase{"Empty", "", {}},
                                           RepairCase{"CrLf", "a\r\n\tb\r\n", {"a", "\tb"}},
                                           RepairCase{"NoLastLineEnd", "a\r\n\tb", {"a", "\tb"}},
                                           RepairCase{"LoneCr", "a\r\tb\r", {"a", "\tb"}},
                                           RepairCase{"LoneLf", "a\n\tb\n", {"a", "\tb"}},
                                           RepairCase{"Mixed", "a\n\r\n\tb\rc", {"a", "", "\tb", "c"}}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(HistoryLog, HeaderIsDateBlankTimeThenTheSentence) {
    test::TempFolder tmp;
    HistoryLog history(tmp.file("History.txt"));
    history.open();
    history.addHeader(texts::kHistoryConverted, 983282250);  // 2001-02-27 13:57:30 UTC
    history.addDetail("title.jpg->title.pms");
    ASSERT_EQ(history.lines().size(), 2u);
    EXPECT_TRUE(isHistoryHeader(history.lines()[0], " 下記ﾌｧｲﾙを変換しました。")) << history.lines()[0];
    EXPECT_EQ(history.lines()[1], "\ttitle.jpg->title.pms");
    EXPECT_EQ(tmp.read("History.txt"), "") << "nothing is written before save";
}

TEST(HistoryLog, SaveThatCannotCreateRaisesAndOpenThatCannotReadRaises) {
    test::TempFolder tmp;
    HistoryLog missingFolder(tmp.file("no/History.txt"));
    missingFolder.open();
    missingFolder.addDetail("x");
    try {
        missingFolder.save();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotCreate, tmp.file("no/History.txt")));
    }
    const std::string locked = tmp.file("History.txt");
    test::makeUnreadableFile(locked);
    HistoryLog history(locked);
    try {
        history.open();
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), formatText(texts::kCannotOpen, locked));
    }
}

TEST(HistoryLog, OneLineTextReplacesControlCharacters) {
    EXPECT_EQ(oneLineText("a\r\nb\tc\x7f"
                          "d"),
              "a??b?c?d");
    EXPECT_EQ(oneLineText("写真.jpg"), "写真.jpg");
}

}  // namespace
}  // namespace obri
