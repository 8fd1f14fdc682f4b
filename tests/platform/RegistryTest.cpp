#include <cstdlib>
#include <ostream>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/Registry.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

constexpr char kKey[] = "Software\\Tolvarin\\Susie\\InstallRoot";

struct RegCase {
    const char* label;
    std::string text;
    const char* expected;
};
void PrintTo(const RegCase& c, std::ostream* os) { *os << c.label; }

class RegistryText : public ::testing::TestWithParam<RegCase> {};

TEST_P(RegistryText, GivesTheDefaultValueOrEmpty) {
    EXPECT_EQ(registry::parseDefaultValue(GetParam().text, kKey), GetParam().expected);
}

const std::string kHeader = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvarin\\Susie\\InstallRoot]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RegistryText,
    ::testing::Values(
        RegCase{"plain", kHeader + "@=\"/opt/susie/\"\r\n", "/opt/susie/"},
        RegCase{"escapes", kHeader + "@=\"C:\\\\Susie\\\\ \\\"q\\\"\"\r\n", "C:\\Susie\\ \"q\""},
        RegCase{"trailing_backslash", kHeader + "@=\"C:\\\\\"\r\n", "C:\\"},
        RegCase{"empty_value", kHeader + "@=\"\"\r\n", ""},
        RegCase{"missing_value", kHeader + "\"Path\"=\"/x\"\r\n", ""},
        RegCase{"named_value_then_default", kHeader + "\"Path\"=\"/x\"\r\n@=\"/y\"\r\n", "/y"},
        RegCase{"missing_key", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n@=\"/x\"\r\n", ""},
        RegCase{"sub_key_is_another_key", kHeader.substr(0, kHeader.size() - 3) + "\\Sub]\n@=\"/x\"\n", ""},
        RegCase{"parent_key_is_another_key",
                "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Tolvarin\\Susie]\n@=\"/x\"\n", ""},
        RegCase{"key_case_ignored",
                "REGEDIT4\n[hkey_current_user\\SOFTWARE\\tolvarin\\SUSIE\\installroot]\n@=\"/x\"\n", "/x"},
        RegCase{"other_root",
                "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvarin\\Susie\\InstallRoot]\n@=\"/x\"\n", ""},
        RegCase{"lf_bom_blanks",
                "\xEF\xBB\xBFREGEDIT4\n\n  [HKEY_CURRENT_USER\\Software\\Tolvarin\\Susie\\InstallRoot]  \n"
                "\n  @ = \"/x\"  \n",
                "/x"},
        RegCase{"value_in_later_block_replaces",
                kHeader + "@=\"/a\"\r\n[HKEY_CURRENT_USER\\X]\r\n@=\"/b\"\r\n" + kHeader.substr(10) +
                    "@=\"/c\"\r\n",
                "/c"},
        RegCase{"deleted_key", kHeader + "@=\"/a\"\r\n[-HKEY_CURRENT_USER\\Software\\Tolvarin]\r\n", ""},
        RegCase{"deleted_value", kHeader + "@=\"/a\"\r\n@=-\r\n", ""},
        RegCase{"unterminated_string", kHeader + "@=\"/a\r\n", ""},
        RegCase{"expandable_string", kHeader + "@=hex(2):2f,61,00\r\n", "/a"},
        RegCase{"expandable_string_continued", kHeader + "@=hex(2):2f,61,\\\r\n  62,00,00\r\n", "/ab"},
        RegCase{"empty_file", "", ""}),
    [](const auto& row) { return std::string(row.param.label); });

class RegistryType : public ::testing::TestWithParam<const char*> {};

TEST_P(RegistryType, AValueOfAnotherTypeRaisesTheTypeError) {
    try {
        registry::parseDefaultValue(kHeader + "@=" + GetParam() + "\r\n", kKey);
        ADD_FAILURE() << GetParam();
    } catch (const PlatformError& e) {
        EXPECT_STREQ(e.what(), "'' のﾃﾞｰﾀ型が不正です");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RegistryType,
                         ::testing::Values("dword:00000001", "hex:2f,00", "hex(7):2f,00,00,00",
                                           "hex(4):01,00,00,00", "DWORD:1", "garbage"));

TEST(RegistryText, AWrongTypeInAnotherKeyOrValueIsNoError) {
    EXPECT_EQ(registry::parseDefaultValue(kHeader + "\"Size\"=dword:00000001\r\n@=\"/x\"\r\n"
                                                    "[HKEY_CURRENT_USER\\Other]\r\n@=dword:1\r\n",
                                          kKey),
              "/x");
}

class RegistryFile : public ::testing::Test {
  protected:
    test::TempFolder temp;
    std::string saved;
    bool had = false;
    void SetUp() override {
        if (const char* x = std::getenv("XDG_CONFIG_HOME")) had = true, saved = x;
        setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
    }
    void TearDown() override {
        if (had)
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
};

TEST_F(RegistryFile, LivesUnderTheConfigFolder) {
    EXPECT_EQ(registry::currentUserFilePath(), temp.path() + "/registry/HKEY_CURRENT_USER.reg");
    const char* home = std::getenv("HOME");
    if (!home || !*home) GTEST_SKIP() << "HOME is not set";
    for (const char* unset : {"", "relative/config"}) {
        setenv("XDG_CONFIG_HOME", unset, 1);
        EXPECT_EQ(registry::currentUserFilePath(),
                  std::string(home) + "/.config/registry/HKEY_CURRENT_USER.reg");
    }
}

TEST_F(RegistryFile, AMissingFileReadsAsEmptyAndAPresentOneIsRead) {
    EXPECT_EQ(registry::readDefaultValue(kKey), "");
    ASSERT_EQ(mkdir(temp.file("registry").c_str(), 0755), 0);
    temp.write("registry/HKEY_CURRENT_USER.reg", kHeader + "@=\"/opt/プラグイン\"\r\n");
    EXPECT_EQ(registry::readDefaultValue(kKey), "/opt/プラグイン");
    EXPECT_EQ(registry::readDefaultValue("Software\\Missing"), "");
    temp.write("registry/HKEY_CURRENT_USER.reg", kHeader + "@=dword:00000001\r\n");
    EXPECT_THROW(registry::readDefaultValue(kKey), PlatformError);
}

}  // namespace
}  // namespace obri
