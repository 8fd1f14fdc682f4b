#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "platform/Diagnostics.h"
#include "platform/FileSearch.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

// 2001-02-27 13:57:30 in the zone set for the test.
std::time_t sampleTime() {
    std::tm parts{};
    parts.tm_year = 101;
    parts.tm_mon = 1;
    parts.tm_mday = 27;
    parts.tm_hour = 13;
    parts.tm_min = 57;
    parts.tm_sec = 30;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

TEST(Diagnostics, DateAndTimeInThePlainLocalesUseTheFixedForms) {
    for (const char* locale : {"C", "POSIX", "C.UTF-8"}) {
        if (!std::setlocale(LC_TIME, locale)) continue;
        EXPECT_EQ(localDateText(sampleTime()), "2001/02/27") << locale;
        EXPECT_EQ(localTimeText(sampleTime()), "13:57:30") << locale;
    }
    std::setlocale(LC_TIME, "C");
}

TEST(Diagnostics, DateAndTimeFollowAnotherLocale) {
    if (!std::setlocale(LC_TIME, "en_US.UTF-8") && !std::setlocale(LC_TIME, "ja_JP.UTF-8"))
        GTEST_SKIP() << "no locale other than C installed";
    EXPECT_FALSE(localDateText(sampleTime()).empty());
    EXPECT_NE(localTimeText(sampleTime()).find("57"), std::string::npos);
    std::setlocale(LC_TIME, "C");
}

TEST(Diagnostics, DebugOutputIsOneLineOnStandardError) {
    ::testing::internal::CaptureStderr();
    debugOutput("/opt/susie/ifpng.spi");
    debugOutput("two\nlines");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "/opt/susie/ifpng.spi\ntwo lines\n");
}

struct MaskCase {
    const char* name;
    const char* mask;
    bool matches;
};
void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name << " ~ " << c.mask; }

class Mask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(Mask, MatchesAsWindowsDoes) {
    EXPECT_EQ(matchesMask(GetParam().name, GetParam().mask), GetParam().matches)
        << GetParam().name << " ~ " << GetParam().mask;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Mask,
    ::testing::Values(MaskCase{"a.bmp", "*.bmp", true}, MaskCase{"A.BMP", "*.bmp", true},
                      MaskCase{"x.bmpx", "*.bmp", false}, MaskCase{"bmp", "*.bmp", false},
                      MaskCase{".bmp", "*.bmp", true}, MaskCase{"a.b.bmp", "*.bmp", true},
                      MaskCase{"noext", "*.*", true}, MaskCase{"a.b", "*.*", true}, MaskCase{"", "*", true},
                      MaskCase{"title", "title.*", true}, MaskCase{"title.jpg", "title.*", true},
                      MaskCase{"title2", "title.*", false}, MaskCase{"ab.png", "a?.png", true},
                      MaskCase{"a.png", "a?.png", false}, MaskCase{"abc.png", "a?.png", false},
                      MaskCase{"cg01.pms", "CG*.PMS", true},
                      MaskCase{"aaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false},
                      MaskCase{"画像.bmp", "*.BMP", true}, MaskCase{"a.jpeg", "*.jpg", false}),
    [](const auto& row) { return "case" + std::to_string(row.index); });

TEST(FileSearch, FindsFilesFoldersAndHiddenEntriesButNotDots) {
    test::TempFolder temp;
    temp.write("a.bmp", "");
    temp.write("B.BMP", "");
    temp.write(".hidden.bmp", "");
    temp.write("c.png", "");
    ASSERT_EQ(std::system(("mkdir '" + temp.path() + "dir.bmp'").c_str()), 0);
    auto found = findEntries(temp.path(), "*.bmp");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{".hidden.bmp", "B.BMP", "a.bmp", "dir.bmp"}));
    EXPECT_EQ(findEntries(temp.path(), "*.*").size(), 5u);
    EXPECT_TRUE(findEntries(temp.file("missing"), "*.*").empty());
}

}  // namespace
}  // namespace obri
