// ReadArchiveList and LoadArchivedPicture over the archive and image test plug-ins.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SusieTestSupport.h"
#include "platform/Bitmap.h"
#include "susie/CSusie.h"

namespace obri::test {
namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;
const Rows kPicture24 = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};
const Rows kPicture8TopDown = {{0xFFFF00, 0x00FFFF}, {0xFF00FF, 0x123456}, {0x123456, 0xFFFF00}};
const std::string kBmp = bmpFile(2, 1, 0x0A0B0C);
const Rows kBmpPixels = {{0x0A0B0C, 0x0A0B0C}};

const std::vector<TestMember> kMembers = {
    {"one.tpic", testPictureBytes()}, {"two.bmp", kBmp}, {"dir/three.txt", "text"}};

class ArchiveFixture : public ::testing::Test {
  protected:
    TempFolder temp;
    PluginCallLog log{temp};
    std::string archive = temp.write("a.tarc", testArchive(kMembers));

    // Whatever happened, no block a plug-in handed over is left behind.
    void TearDown() override { EXPECT_EQ(log.liveHandedBlocks(), 0); }

    static void fillOldRows(CSusie& susie, int rows) {
        for (int i = 0; i < rows; ++i)
            susie.Arc[static_cast<std::size_t>(i)] = ARC{"old" + std::to_string(i), i, i};
    }
    static void expectOldRows(const CSusie& susie, int from, int to) {
        for (int i = from; i < to; ++i)
            EXPECT_EQ(susie.Arc[static_cast<std::size_t>(i)].Name, "old" + std::to_string(i));
    }
    ARC member(int i) const {
        return ARC{kMembers[static_cast<std::size_t>(i)].name,
                   testArchivePositions(kMembers)[static_cast<std::size_t>(i)],
                   static_cast<std::int32_t>(kMembers[static_cast<std::size_t>(i)].bytes.size())};
    }
};

TEST_F(ArchiveFixture, ListWritesRowsFromZeroAndKeepsTheOlderOnes) {
    auto susie = susieWith(temp, {"img_a", "arc"});
    fillOldRows(*susie, 5);
    ASSERT_EQ(susie->ReadArchiveList(archive), 3);
    const auto positions = testArchivePositions(kMembers);
    for (int i = 0; i < 3; ++i) {
        const ARC& row = susie->Arc[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.Name, kMembers[static_cast<std::size_t>(i)].name);
        EXPECT_EQ(row.Position, positions[static_cast<std::size_t>(i)]);
        EXPECT_EQ(row.Size, static_cast<std::int32_t>(kMembers[static_cast<std::size_t>(i)].bytes.size()));
    }
    expectOldRows(*susie, 3, 5);
}

TEST_F(ArchiveFixture, EveryPluginIsAskedFromTheStartOfTheArchive) {
    auto susie = susieWith(temp, {"img_refuses", "img_a", "arc"});
    ASSERT_EQ(susie->ReadArchiveList(archive), 3);
    Bitmap bitmap;
    ASSERT_TRUE(susie->LoadArchivedPicture(archive, member(0), bitmap));
    const auto asked = log.linesWith("IsSupported file");
    ASSERT_EQ(asked.size(), 6u);
    for (const auto& line : asked) EXPECT_NE(line.find(" at 0"), std::string::npos) << line;
}

TEST_F(ArchiveFixture, ListThatEndsAtOnceWritesNothing) {
    auto susie = susieWith(temp, {"arc"});
    fillOldRows(*susie, 2);
    EXPECT_EQ(susie->ReadArchiveList(temp.write("empty.tarc", testArchive({}))), 0);
    expectOldRows(*susie, 0, 2);
}

struct FailingListCase {
    const char* name;
    std::vector<std::string> plugins;
};

void PrintTo(const FailingListCase& c, std::ostream* os) { *os << c.name; }

class FailingListTest : public ArchiveFixture, public ::testing::WithParamInterface<FailingListCase> {};

TEST_P(FailingListTest, ReturnsZeroAndLeavesArcAsItWas) {
    auto susie = susieWith(temp, GetParam().plugins);
    fillOldRows(*susie, 4);
    EXPECT_EQ(susie->ReadArchiveList(archive), 0);
    expectOldRows(*susie, 0, 4);
    EXPECT_EQ(susie->ReadArchiveList(temp.file("missing.tarc")), 0);
    expectOldRows(*susie, 0, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailingListTest,
    ::testing::Values(FailingListCase{"NoPlugin", {}}, FailingListCase{"NobodyTakesIt", {"img_a"}},
                      FailingListCase{"TakerCannotList", {"img_takes_tarc", "arc"}},
                      FailingListCase{"FailsWithLiveBlock", {"arc_fail_live_blocks", "arc"}},
                      FailingListCase{"FailsWithFreedBlock", {"arc_fail_freed"}},
                      FailingListCase{"NullHandle", {"arc_null_handles"}},
                      FailingListCase{"ForeignBlock", {"arc_foreign"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ArchiveFixture, UnterminatedListIsReadAsFarAsTheBlockGoes) {
    auto susie = susieWith(temp, {"arc_unterminated"});
    EXPECT_EQ(susie->ReadArchiveList(archive), 3);
    EXPECT_EQ(susie->Arc[2].Name, "dir/three.txt");
}

TEST_F(ArchiveFixture, LongNamesAreCutAndLongListsStopAtTheTable) {
    std::vector<TestMember> many(CSusie::kMaxArc + 2, TestMember{"m", "x"});
    many[0].name = std::string(250, 'n');
    auto susie = susieWith(temp, {"arc"});
    EXPECT_EQ(susie->ReadArchiveList(temp.write("many.tarc", testArchive(many))), CSusie::kMaxArc);
    EXPECT_EQ(susie->Arc[0].Name, std::string(200, 'n'));
    EXPECT_EQ(susie->Arc.size(), static_cast<std::size_t>(CSusie::kMaxArc));
}

TEST_F(ArchiveFixture, BitmapMemberLoadsFromExactlyItsSize) {
    auto susie = susieWith(temp, {"arc", "img_a"});
    Bitmap bitmap;
    EXPECT_TRUE(susie->LoadArchivedPicture(archive, member(1), bitmap));
    EXPECT_EQ(pixelRows(bitmap), kBmpPixels);

    // Fewer bytes than the bitmap needs: the loader must not see the rest of the block.
    Bitmap cut;
    ARC shorter = member(1);
    shorter.Size -= 3;
    EXPECT_FALSE(susie->LoadArchivedPicture(archive, shorter, cut));
    EXPECT_EQ(cut.width(), 0);
}

TEST_F(ArchiveFixture, MemberGoesToEveryImagePluginAndTheLastPictureStays) {
    Bitmap bitmap;
    auto ab = susieWith(temp, {"arc", "img_a", "img_b"});
    EXPECT_TRUE(ab->LoadArchivedPicture(archive, member(0), bitmap));
    EXPECT_EQ(pixelRows(bitmap), kPicture8TopDown);
    EXPECT_EQ(log.linesWith("GetPicture memory 64").size(), 2u);

    auto ba = susieWith(temp, {"arc", "img_b", "img_a"});
    EXPECT_TRUE(ba->LoadArchivedPicture(archive, member(0), bitmap));
    EXPECT_EQ(pixelRows(bitmap), kPicture24);
}

TEST_F(ArchiveFixture, ALaterFailureLeavesTheEarlierPicture) {
    auto susie = susieWith(temp, {"arc", "img_a", "img_short_bits", "img_throws"});
    Bitmap bitmap;
    EXPECT_TRUE(susie->LoadArchivedPicture(archive, member(0), bitmap));
    EXPECT_EQ(pixelRows(bitmap), kPicture24);
}

TEST_F(ArchiveFixture, APluginWritingOverItsNamesChangesNothingOfTheHost) {
    auto susie = susieWith(temp, {"scribbler", "arc", "scribbler", "img_by_name"});
    ASSERT_EQ(susie->ReadArchiveList(archive), 3);
    EXPECT_EQ(susie->Arc[0].Name, "one.tpic");
    Bitmap bitmap;
    EXPECT_TRUE(susie->LoadArchivedPicture(archive, susie->Arc[0], bitmap));
    EXPECT_EQ(log.linesWith("img_by_name IsSupported memory one.tpic").size(), 1u);
}

TEST_F(ArchiveFixture, ImagePluginsSeeTheMemberNameAnd2048Bytes) {
    auto susie = susieWith(temp, {"arc", "img_by_name"});
    Bitmap bitmap;
    EXPECT_TRUE(susie->LoadArchivedPicture(archive, member(0), bitmap));
    EXPECT_EQ(pixelRows(bitmap), kPicture8TopDown);
    EXPECT_EQ(log.linesWith("IsSupported memory one.tpic").size(), 1u);
    // The text member is not taken by name.
    Bitmap untouched;
    EXPECT_FALSE(susie->LoadArchivedPicture(archive, member(2), untouched));
    EXPECT_EQ(untouched.width(), 0);
}

struct FailingMemberCase {
    const char* name;
    std::vector<std::string> plugins;
    int memberIndex;
    std::int32_t positionDelta;
    std::int32_t sizeDelta = 0;
};

void PrintTo(const FailingMemberCase& c, std::ostream* os) { *os << c.name; }

class FailingMemberTest : public ArchiveFixture, public ::testing::WithParamInterface<FailingMemberCase> {};

TEST_P(FailingMemberTest, LeavesTheBitmapUnchanged) {
    const auto& c = GetParam();
    auto susie = susieWith(temp, c.plugins);
    ARC entry = member(c.memberIndex);
    entry.Position += c.positionDelta;
    entry.Size += c.sizeDelta;
    Bitmap bitmap;
    bitmap.loadFromMemory(reinterpret_cast<const std::uint8_t*>(kBmp.data()), kBmp.size());
    EXPECT_FALSE(susie->LoadArchivedPicture(archive, entry, bitmap));
    EXPECT_EQ(pixelRows(bitmap), kBmpPixels);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailingMemberTest,
    ::testing::Values(
        FailingMemberCase{"NoPlugin", {}, 0, 0}, FailingMemberCase{"NobodyTakesArchive", {"img_a"}, 0, 0},
        FailingMemberCase{"ArchiveTakerCannotExtract", {"img_takes_tarc", "arc", "img_a"}, 0, 0},
        FailingMemberCase{"NoImagePluginTakesMember", {"arc", "img_refuses"}, 0, 0},
        FailingMemberCase{"NoSuchPosition", {"arc", "img_a"}, 0, 1},
        FailingMemberCase{"SizeBeyondTheBlock", {"arc", "img_a"}, 0, 0, 1},
        FailingMemberCase{"SizeWithTopBitSet", {"arc", "img_a"}, 0, 0, INT32_MIN},
        FailingMemberCase{"ShortMember", {"arc_short_member", "img_a"}, 0, 0},
        FailingMemberCase{"ShortBitmapMember", {"arc_short_member", "img_a"}, 1, 0},
        FailingMemberCase{"FailsWithLiveBlock", {"arc_fail_live_blocks", "img_a"}, 0, 0},
        FailingMemberCase{"FailsWithFreedBlock", {"arc_fail_freed", "img_a"}, 0, 0},
        FailingMemberCase{"NullHandle", {"arc_null_handles", "img_a"}, 0, 0},
        FailingMemberCase{"ForeignBlock", {"arc_foreign", "img_a"}, 0, 0},
        FailingMemberCase{"MisbehavingDecoders", {"arc", "img_null_handles", "img_huge_size"}, 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ArchiveFixture, ShortMemberIsNotHandedToTheDecoders) {
    auto susie = susieWith(temp, {"arc_short_member", "img_a"});
    Bitmap bitmap;
    EXPECT_FALSE(susie->LoadArchivedPicture(archive, member(0), bitmap));
    EXPECT_TRUE(log.linesWith("GetPicture").empty());
}

}  // namespace
}  // namespace obri::test
