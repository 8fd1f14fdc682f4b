#include <ostream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/ProfileFile.h"
#include "platform/TextFile.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

using Lines = std::vector<std::string>;
using test::readFile;
using test::TempFolder;

struct ReadCase {
    const char* label;
    Lines lines;
    const char* section;
    const char* key;
    const char* expected;  // with default "dflt"
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FollowsTheWindowsRules) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(profileRead(c.lines, c.section, c.key, "dflt"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRead,
    ::testing::Values(
        ReadCase{"plain", {"[QUAV]", "Pmss=C:/q/pms.exe"}, "QUAV", "Pmss", "C:/q/pms.exe"},
        ReadCase{"section_case_ignored", {"[quav]", "Pmss=x"}, "QUAV", "Pmss", "x"},
        ReadCase{"key_case_ignored", {"[QUAV]", "PMSS=x"}, "QUAV", "pmss", "x"},
        ReadCase{"blanks_around_key_and_value", {"[QUAV]", "  Pmss \t=  a b  "}, "QUAV", "Pmss", "a b"},
        ReadCase{"blanks_inside_brackets", {"[ QUAV ]", "Pmss=x"}, "QUAV", "Pmss", "x"},
        ReadCase{"indented_section", {"  [QUAV]", "Pmss=x"}, "QUAV", "Pmss", "x"},
        ReadCase{"double_quotes", {"[S]", "k=\" a \""}, "S", "k", " a "},
        ReadCase{"single_quotes", {"[S]", "k='b'"}, "S", "k", "b"},
        ReadCase{"unmatched_quotes_kept", {"[S]", "k=\"b'"}, "S", "k", "\"b'"},
        ReadCase{"lone_quote_kept", {"[S]", "k=\""}, "S", "k", "\""},
        ReadCase{"empty_value", {"[S]", "k="}, "S", "k", ""},
        ReadCase{"equals_in_value", {"[S]", "k=a=b"}, "S", "k", "a=b"},
        ReadCase{"comment_line_ignored", {"[S]", ";k=c", "k=v"}, "S", "k", "v"},
        ReadCase{"commented_key_only", {"[S]", "; k=c"}, "S", "k", "dflt"},
        ReadCase{"first_key_wins", {"[S]", "k=1", "k=2"}, "S", "k", "1"},
        ReadCase{"first_section_wins", {"[S]", "a=1", "[S]", "k=2"}, "S", "k", "dflt"},
        ReadCase{"key_of_other_section", {"[A]", "k=1", "[B]", "j=2"}, "B", "k", "dflt"},
        ReadCase{"key_before_any_section", {"k=1", "[S]"}, "S", "k", "dflt"},
        ReadCase{"missing_section", {"[A]", "k=1"}, "S", "k", "dflt"},
        ReadCase{"no_lines", {}, "S", "k", "dflt"},
        ReadCase{"line_without_equals", {"[S]", "k"}, "S", "k", "dflt"},
        ReadCase{"unclosed_bracket_is_not_a_section", {"[S]", "[T", "k=1"}, "S", "k", "1"},
        ReadCase{"byte_order_mark", {"\xEF\xBB\xBF[S]", "k=1"}, "S", "k", "1"},
        ReadCase{"japanese_value", {"[OBRI]", "PMS_DIR=/ゲーム/CG/"}, "OBRI", "PMS_DIR", "/ゲーム/CG/"}),
    [](const auto& row) { return std::string(row.param.label); });

struct WriteCase {
    const char* label;
    Lines before;
    const char* section;
    const char* key;
    const char* value;
    Lines after;
};
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.label; }

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheLineItMust) {
    const WriteCase& c = GetParam();
    Lines lines = c.before;
    profileWrite(lines, c.section, c.key, c.value);
    EXPECT_EQ(lines, c.after);
    EXPECT_EQ(profileRead(lines, c.section, c.key, "dflt"), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileWrite,
    ::testing::Values(
        WriteCase{"replace_in_place",
                  {"[OBRI]", "PMS_DIR = old ", "ALD_FILE=a"},
                  "OBRI",
                  "PMS_DIR",
                  "new",
                  {"[OBRI]", "PMS_DIR=new", "ALD_FILE=a"}},
        WriteCase{"replace_keeps_file_spelling",
                  {"[obri]", "pms_dir=old"},
                  "OBRI",
                  "PMS_DIR",
                  "n",
                  {"[obri]", "pms_dir=n"}},
        WriteCase{"empty_value", {"[OBRI]", "PMS_DIR=old"}, "OBRI", "PMS_DIR", "", {"[OBRI]", "PMS_DIR="}},
        WriteCase{"append_after_last_non_blank",
                  {"[OBRI]", "PMS_DIR=a", "", "", "[QUAV]", "Pmss=p"},
                  "OBRI",
                  "ALD_FILE",
                  "b",
                  {"[OBRI]", "PMS_DIR=a", "ALD_FILE=b", "", "", "[QUAV]", "Pmss=p"}},
        WriteCase{
            "append_to_empty_section", {"[OBRI]", "[QUAV]"}, "OBRI", "K", "v", {"[OBRI]", "K=v", "[QUAV]"}},
        WriteCase{"append_section",
                  {"[QUAV]", "Pmss=p"},
                  "OBRI",
                  "PMS_DIR",
                  "d",
                  {"[QUAV]", "Pmss=p", "", "[OBRI]", "PMS_DIR=d"}},
        WriteCase{
            "append_section_after_blank", {"[QUAV]", ""}, "OBRI", "K", "v", {"[QUAV]", "", "[OBRI]", "K=v"}},
        WriteCase{"first_line_of_file", {}, "OBRI", "K", "", {"[OBRI]", "K="}},
        WriteCase{"commented_key_untouched", {"[S]", ";k=old"}, "S", "k", "v", {"[S]", ";k=old", "k=v"}},
        WriteCase{"value_with_blanks_kept", {"[S]"}, "S", "k", "a b", {"[S]", "k=a b"}}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(ProfileWrite, ALineEndInTheValueCannotPlantLines) {
    Lines lines{"[QUAV]", "Pmss=p"};
    profileWrite(lines, "OBRI", "PMS_DIR", "/a\r\n[QUAV]\r\nPmss=evil");
    EXPECT_EQ(lines, (Lines{"[QUAV]", "Pmss=p", "", "[OBRI]", "PMS_DIR=/a"}));
}

constexpr char kQuavIni[] =
    "; settings of the editor\r\n"
    "[QUAV]\r\n"
    "Pmss = \"C:/QUAV/pms conv.exe\"  \r\n"
    "LINK=C:/QUAV/link.exe\r\n"
    "\r\n"
    "[Window]\r\n"
    "Left=10\r\n";

TEST(ProfileFile, WritingObriLeavesEveryQuavByteAsItWas) {
    TempFolder temp;
    std::string path = temp.write("QUAV.INI", kQuavIni);
    ProfileFile ini(path);
    EXPECT_EQ(ini.readString("quav", "pmss", ""), "C:/QUAV/pms conv.exe");
    EXPECT_EQ(ini.readString("QUAV", "Link", ""), "C:/QUAV/link.exe");
    ini.writeString("OBRI", "PMS_DIR", "");
    ini.writeString("OBRI", "ALD_FILE", "/game/CG_GA.ALD");
    EXPECT_EQ(readFile(path),
              std::string(kQuavIni) + "\r\n[OBRI]\r\nPMS_DIR=\r\nALD_FILE=/game/CG_GA.ALD\r\n");
    EXPECT_EQ(ini.readString("OBRI", "PMS_DIR", "dflt"), "");
}

TEST(ProfileFile, AMissingFileReadsAsDefaultAndIsCreatedOnWrite) {
    TempFolder temp;
    ProfileFile ini(temp.file("QUAV.INI"));
    EXPECT_EQ(ini.readString("OBRI", "PMS_DIR", "d"), "d");
    ini.writeString("OBRI", "PMS_DIR", "/pms/");
    EXPECT_EQ(temp.read("QUAV.INI"), "[OBRI]\r\nPMS_DIR=/pms/\r\n");
}

TEST(ProfileFile, AnUnreadableFileReadsAsDefault) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.file("QUAV.INI").c_str(), 0755), 0);
    EXPECT_EQ(ProfileFile(temp.file("QUAV.INI")).readString("QUAV", "Pmss", "d"), "d");
}

class ProfileWriteError : public ::testing::Test {
  protected:
    TempFolder temp;
    void expectWriteError(const std::string& path) {
        try {
            ProfileFile(path).writeString("OBRI", "PMS_DIR", "x");
            ADD_FAILURE() << "no error for " << path;
        } catch (const PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
        }
    }
};

TEST_F(ProfileWriteError, ReadOnlyFileRaisesAndStaysAsItWas) {
    std::string path = temp.write("QUAV.INI", kQuavIni);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    expectWriteError(path);
    EXPECT_EQ(readFile(path), kQuavIni);
}

TEST_F(ProfileWriteError, VanishedFolderOrAFolderInItsPlaceRaises) {
    expectWriteError(temp.file("gone/QUAV.INI"));
    ASSERT_EQ(mkdir(temp.file("dir.ini").c_str(), 0755), 0);
    expectWriteError(temp.file("dir.ini"));
}

}  // namespace
}  // namespace obri
