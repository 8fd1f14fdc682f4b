#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "selection/CheckedList.h"
#include "selection/CheckedRow.h"

namespace obri {
namespace {

TEST(CheckedRow, PlainFileRowHoldsNameZerosEmptyArchiveAndPath) {
    const CheckedRow row = makeFileRow("title.jpg", "/pics/title.jpg");
    EXPECT_EQ(row, (CheckedRow{"title.jpg", "0", "0", "", "/pics/title.jpg"}));
    EXPECT_FALSE(row.isMember());
    EXPECT_EQ(entryOf(row), std::nullopt);
}

TEST(CheckedRow, MemberRowCarriesEntryAndArchiveAndIsKeyedByItsName) {
    const ARC entry{"bg01.bmp", static_cast<std::int32_t>(0x80000000u),
                    static_cast<std::int32_t>(0xFFFFFFFFu)};
    const CheckedRow row = makeMemberRow(entry, "/a/game.zip");
    EXPECT_EQ(row, (CheckedRow{"bg01.bmp", "-1", "-2147483648", "/a/game.zip", "bg01.bmp"}));
    ASSERT_TRUE(row.isMember());
    const auto back = entryOf(row);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Name, "bg01.bmp");
    EXPECT_EQ(static_cast<std::uint32_t>(back->Position), 0x80000000u);
    EXPECT_EQ(static_cast<std::uint32_t>(back->Size), 0xFFFFFFFFu);
}

TEST(CheckedRow, MemberRowWithMalformedNumbersGivesNoEntry) {
    CheckedRow row = makeMemberRow({"a.png", 5, 7}, "/x.zip");
    row.Size = "7 ";
    EXPECT_EQ(entryOf(row), std::nullopt);
}

struct TextCase {
    std::uint32_t bits;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.text; }

class DecimalText : public ::testing::TestWithParam<TextCase> {};

TEST_P(DecimalText, WritesTheSignedValueAndReadsBackTheSameBits) {
    const auto [bits, text] = GetParam();
    EXPECT_EQ(decimalText(bits), text);
    EXPECT_EQ(decimalText(static_cast<std::int32_t>(bits)), text);
    const auto back = decimalValue(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(static_cast<std::uint32_t>(*back), bits);
}

INSTANTIATE_TEST_SUITE_P(Values, DecimalText,
                         ::testing::Values(TextCase{0, "0"}, TextCase{1, "1"}, TextCase{428, "428"},
                                           TextCase{0x7FFFFFFFu, "2147483647"},
                                           TextCase{0x80000000u, "-2147483648"},
                                           TextCase{0x80000001u, "-2147483647"},
                                           TextCase{0xFFFFFFFFu, "-1"}));

struct ReadCase {
    const char* text;
    std::optional<std::uint32_t> bits;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class DecimalValue : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DecimalValue, AcceptsOnlyPlainDecimalsWithinThirtyTwoBits) {
    const auto [text, bits] = GetParam();
    const auto value = decimalValue(text);
    ASSERT_EQ(value.has_value(), bits.has_value()) << '"' << text << '"';
    if (bits) {
        EXPECT_EQ(static_cast<std::uint32_t>(*value), *bits) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalValue,
    ::testing::Values(ReadCase{"2147483648", 0x80000000u}, ReadCase{"4294967295", 0xFFFFFFFFu},
                      ReadCase{"-0", 0u}, ReadCase{"007", 7u}, ReadCase{"00000000000000000000012", 12u},
                      ReadCase{"", std::nullopt}, ReadCase{"-", std::nullopt}, ReadCase{"+5", std::nullopt},
                      ReadCase{" 5", std::nullopt}, ReadCase{"5 ", std::nullopt},
                      ReadCase{"1,000", std::nullopt}, ReadCase{"0x10", std::nullopt},
                      ReadCase{"12a", std::nullopt}, ReadCase{"--1", std::nullopt},
                      ReadCase{"4294967296", std::nullopt}, ReadCase{"-2147483649", std::nullopt},
                      ReadCase{"99999999999999999999999999", std::nullopt},
                      ReadCase{"\xef\xbc\x91", std::nullopt}));  // full-width digit one

// Records what the list reports, to check a view that follows it ends up with the same rows.
class MirrorView : public CheckedList::Observer {
  public:
    std::vector<CheckedRow> rows;
    void rowAppended(const CheckedRow& row) override { rows.push_back(row); }
    void rowRemoved(std::size_t index) override {
        ASSERT_LT(index, rows.size());
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
    void rowsCleared() override { rows.clear(); }
};

class CheckedListTest : public ::testing::Test {
  protected:
    CheckedListTest() { list.setObserver(&view); }
    void add(const std::vector<std::string>& keys) {
        for (const auto& key : keys) list.append(makeFileRow("n", key));
    }
    std::vector<std::string> keys() const {
        std::vector<std::string> result;
        for (const auto& row : list.rows()) result.push_back(row.FullPathName);
        return result;
    }
    CheckedList list;
    MirrorView view;
};

struct RemoveCase {
    const char* name;
    std::vector<std::string> before;
    std::string key;
    std::vector<std::string> after;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class CheckedListRemove : public CheckedListTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(CheckedListRemove, RemovesEveryExactMatchAndKeepsTheOrderOfTheRest) {
    const RemoveCase& c = GetParam();
    add(c.before);
    const std::size_t removed = list.removeMatching(c.key);
    EXPECT_EQ(keys(), c.after);
    EXPECT_EQ(removed, c.before.size() - c.after.size());
    EXPECT_EQ(view.rows, list.rows());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckedListRemove,
    ::testing::Values(RemoveCase{"Empty", {}, "a", {}}, RemoveCase{"Single", {"a"}, "a", {}},
                      RemoveCase{"Adjacent", {"a", "a", "b", "a", "a"}, "a", {"b"}},
                      RemoveCase{"AdjacentAtEnd", {"b", "a", "a"}, "a", {"b"}},
                      RemoveCase{"OthersKeepOrder", {"c", "a", "b", "a", "d"}, "a", {"c", "b", "d"}},
                      RemoveCase{"CaseCounts", {"/p/A.png", "/p/a.png"}, "/p/a.png", {"/p/A.png"}},
                      RemoveCase{"LengthCounts", {"/p/a.png", "/p/a.png "}, "/p/a.png", {"/p/a.png "}},
                      RemoveCase{
                          "NoPrefixMatch", {"/p/a.png.bak", "/p/a"}, "/p/a.png", {"/p/a.png.bak", "/p/a"}},
                      RemoveCase{"NothingMatches", {"x", "y"}, "z", {"x", "y"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(CheckedListTest, UntickingAMemberRemovesSameNamedMembersOfOtherArchives) {
    list.append(makeMemberRow({"cg01.png", 0, 10}, "/a/one.zip"));
    list.append(makeFileRow("cg01.png", "/pics/cg01.png"));
    list.append(makeMemberRow({"cg01.png", 64, 10}, "/a/two.zip"));
    list.append(makeMemberRow({"cg01.png", 0, 10}, "/a/one.zip"));
    EXPECT_EQ(list.removeMatching("cg01.png"), 3u);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.row(0).FullPathName, "/pics/cg01.png");
    EXPECT_EQ(view.rows, list.rows());
}

TEST_F(CheckedListTest, ViewFollowsAppendRemoveAndClear) {
    add({"a", "b", "c"});
    list.removeAt(1);
    list.removeAt(7);  // past the end: nothing
    EXPECT_EQ(keys(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(view.rows, list.rows());
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(view.rows.empty());
    list.clear();     // clearing an empty list is harmless
    add({"d", "d"});  // identical rows stand side by side
    EXPECT_EQ(view.rows, list.rows());
    EXPECT_EQ(list.size(), 2u);
}

struct TickCase {
    const char* name;
    std::vector<CheckedRow> rows;
    std::string folder;
    std::vector<std::string> listed;
    std::vector<bool> ticked;
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.name; }

class CheckedListTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(CheckedListTicks, TicksExactlyTheListedFilesThatHaveRows) {
    const TickCase& c = GetParam();
    CheckedList list;
    for (const auto& row : c.rows) list.append(row);
    EXPECT_EQ(list.ticks(c.folder, c.listed), c.ticked);

    // Same answer as comparing every listed file with every plain file row.
    std::vector<bool> scan(c.listed.size(), false);
    for (std::size_t i = 0; i < c.listed.size(); ++i)
        for (const auto& row : c.rows)
            if (!row.isMember() && row.FullPathName == c.folder + c.listed[i]) scan[i] = true;
    EXPECT_EQ(scan, c.ticked);
}

const CheckedRow kA = makeFileRow("a.png", "/p/a.png");
const CheckedRow kB = makeFileRow("b.png", "/p/b.png");

INSTANTIATE_TEST_SUITE_P(
    Restore, CheckedListTicks,
    ::testing::Values(
        TickCase{"NoRows", {}, "/p/", {"a.png", "b.png"}, {false, false}},
        TickCase{"NoFiles", {kA}, "/p/", {}, {}},
        TickCase{"OneOfTwo", {kB}, "/p/", {"a.png", "b.png"}, {false, true}},
        TickCase{"CaseCounts", {makeFileRow("A.png", "/p/A.png")}, "/p/", {"a.png"}, {false}},
        TickCase{"FolderCaseCounts", {makeFileRow("a.png", "/P/a.png")}, "/p/", {"a.png"}, {false}},
        TickCase{"DuplicateRowsTickOnce", {kA, kA}, "/p/", {"a.png", "b.png"}, {true, false}},
        TickCase{"ListedTwiceTickedTwice", {kA}, "/p/", {"a.png", "a.png", "b.png"}, {true, true, false}},
        TickCase{"OtherFolder", {kA}, "/q/", {"a.png"}, {false}},
        TickCase{"SubFolderIsNotThisFolder", {makeFileRow("a.png", "/p/s/a.png")}, "/p/", {"a.png"}, {false}},
        TickCase{
            "MemberNeverTicksAFile", {makeMemberRow({"a.png", 0, 1}, "/p/x.zip")}, "/p/", {"a.png"}, {false}},
        TickCase{"MemberNamedLikeAPath",
                 {makeMemberRow({"/p/a.png", 0, 1}, "/p/x.zip")},
                 "/p/",
                 {"a.png"},
                 {false}},
        TickCase{"Root", {makeFileRow("a.png", "/a.png")}, "/", {"a.png", "b.png"}, {true, false}},
        TickCase{"Japanese", {makeFileRow("絵.png", "/写真/絵.png")}, "/写真/", {"絵.png"}, {true}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace obri
