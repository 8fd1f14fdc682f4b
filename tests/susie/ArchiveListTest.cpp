// Reading archive list records from a block into ARC rows.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "susie/ArchiveList.h"
#include "susie/SusieAbi.h"

namespace obri {
namespace {

constexpr std::size_t kRecord = sizeof(SusieArchiveRecord);

SusieArchiveRecord record(const std::string& name, std::uint32_t position, std::uint32_t size) {
    SusieArchiveRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.method, "LZH5", 4);
    r.position = position;
    r.filesize = size;
    std::memcpy(r.filename, name.data(), std::min(name.size(), sizeof r.filename));
    return r;
}

std::vector<std::uint8_t> block(const std::vector<SusieArchiveRecord>& records, bool terminated = true) {
    std::vector<std::uint8_t> bytes(records.size() * kRecord + (terminated ? kRecord : 0), 0);
    for (std::size_t i = 0; i < records.size(); ++i)
        std::memcpy(bytes.data() + i * kRecord, &records[i], kRecord);
    return bytes;
}

TEST(ArchiveRecords, TakesNamePositionAndSizeOnly) {
    auto r = record("member.png", 0x12345678, 4096);
    std::memset(r.path, 'p', sizeof r.path);  // other fields are not read
    r.compsize = 7;
    r.timestamp = 99;
    r.crc = 0xFFFFFFFF;
    auto bytes = block({r, record("second", 0xFFFFFFFF, 0x80000000)});
    std::vector<ARC> rows(4);
    ASSERT_EQ(readArchiveRecords(bytes.data(), bytes.size(), rows), 2u);
    EXPECT_EQ(rows[0].Name, "member.png");
    EXPECT_EQ(rows[0].Position, 0x12345678);
    EXPECT_EQ(rows[0].Size, 4096);
    EXPECT_EQ(rows[1].Name, "second");
    EXPECT_EQ(static_cast<std::uint32_t>(rows[1].Position), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<std::uint32_t>(rows[1].Size), 0x80000000u);
}

TEST(ArchiveRecords, RowsAfterTheListKeepWhatTheyHeld) {
    std::vector<ARC> rows(3, ARC{"old", 1, 2});
    auto bytes = block({record("new", 5, 6)});
    ASSERT_EQ(readArchiveRecords(bytes.data(), bytes.size(), rows), 1u);
    EXPECT_EQ(rows[0].Name, "new");
    EXPECT_EQ(rows[1].Name, "old");
    EXPECT_EQ(rows[2].Position, 1);
}

struct LimitCase {
    const char* name;
    std::size_t records;
    bool terminated;
    std::size_t cutBytes;  // taken off the end of the block
    std::size_t rows;
    std::size_t expected;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ArchiveRecordLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ArchiveRecordLimits, ReadsOnlyWholeRecordsInsideTheBlockAndTheRows) {
    const auto& c = GetParam();
    std::vector<SusieArchiveRecord> records;
    for (std::size_t i = 0; i < c.records; ++i) records.push_back(record("m" + std::to_string(i), i, i));
    auto bytes = block(records, c.terminated);
    bytes.resize(bytes.size() - c.cutBytes);
    // An exactly-sized copy, so that a read past the end is caught by the sanitizer.
    std::vector<std::uint8_t> exact(bytes);
    std::vector<ARC> rows(c.rows);
    EXPECT_EQ(readArchiveRecords(exact.empty() ? nullptr : exact.data(), exact.size(), rows), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveRecordLimits,
                         ::testing::Values(LimitCase{"EndsAtOnce", 0, true, 0, 10, 0},
                                           LimitCase{"EmptyBlock", 0, false, 0, 10, 0},
                                           LimitCase{"Terminated", 3, true, 0, 10, 3},
                                           LimitCase{"Unterminated", 3, false, 0, 10, 3},
                                           LimitCase{"LastRecordCutShort", 3, false, 1, 10, 2},
                                           LimitCase{"TerminatorCutShort", 3, true, 427, 10, 3},
                                           LimitCase{"BlockSmallerThanARecord", 1, false, 1, 10, 0},
                                           LimitCase{"MoreRecordsThanRows", 5, true, 0, 4, 4},
                                           LimitCase{"NoRows", 2, true, 0, 0, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ArchiveRecords, NameWithoutItsZeroIsCutAt200Bytes) {
    auto r = record(std::string(250, 'n'), 1, 1);
    r.crc = 0x41414141;  // what an uncut name would run into
    auto bytes = block({r}, false);
    std::vector<ARC> rows(1);
    ASSERT_EQ(readArchiveRecords(bytes.data(), bytes.size(), rows), 1u);
    EXPECT_EQ(rows[0].Name, std::string(200, 'n'));
}

TEST(ArchiveRecords, NullBlockGivesNothing) {
    std::vector<ARC> rows(1);
    EXPECT_EQ(readArchiveRecords(nullptr, 5000, rows), 0u);
}

}  // namespace
}  // namespace obri
