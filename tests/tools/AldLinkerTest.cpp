#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include "tests/tools/ToolRunner.h"

namespace obri::test {
namespace {

// A PMS folder with two files and the list the program writes, CR LF line ends.
class AldLinker : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(pms());
        writeFile(pms() + "title.pms", "TITLE-BYTES");
        writeFile(pms() + "bg01.pms", std::string("BG\0\n01", 6));
        writeFile(pms() + "OBRI.hed", "1,title.pms\r\n1,bg01.pms\r\n");
    }
    std::string pms() const { return folder_.file("pms/"); }
    std::string ald() const { return folder_.file("CG_GA.ALD"); }
    std::string directive(const std::string& list, const std::string& end = "\r\n") const {
        return "#NL" + end + list + end + pms() + end + ald() + end + "AUTO" + end;
    }
    ToolRun link(const std::string& text) {
        return runTool("aldlink", {folder_.write("OBRI_DIR.HED", text)}, logs_);
    }

    TempFolder folder_;
    TempFolder logs_;
};

const std::string kTwoEntries = std::string("OBRI-ALD-STANDIN 1\nentries 2\n") +
                                "1 title.pms 11\nTITLE-BYTES\n" + "2 bg01.pms 6\n" +
                                std::string("BG\0\n01", 6) + "\n";

TEST_F(AldLinker, PacksTheListedFilesInListOrder) {
    struct Case {
        const char* name;
        std::string listName;
        std::string lineEnd;
    } cases[] = {
        {"crlf", "OBRI.hed", "\r\n"},
        {"lf", "OBRI.hed", "\n"},
        {"no_last_line_end", "OBRI.hed", ""},
        {"list_named_in_other_case", "OBRI.Hed", "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(ald());
        std::string text = directive(pms() + c.listName, c.lineEnd.empty() ? "\n" : c.lineEnd);
        if (c.lineEnd.empty()) text.pop_back();
        ToolRun run = link(text);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(readFile(ald()), kTwoEntries);
    }
}

TEST_F(AldLinker, EmptyListAndRepeatedNamesAreLinkedAsListed) {
    writeFile(pms() + "OBRI.hed", "");
    ASSERT_EQ(link(directive(pms() + "OBRI.hed")).status, 0);
    EXPECT_EQ(readFile(ald()), "OBRI-ALD-STANDIN 1\nentries 0\n");
    writeFile(pms() + "OBRI.hed", "1,title.pms\r\n1,title.pms\r\n");
    ASSERT_EQ(link(directive(pms() + "OBRI.hed")).status, 0);
    EXPECT_EQ(readFile(ald()),
              "OBRI-ALD-STANDIN 1\nentries 2\n1 title.pms 11\nTITLE-BYTES\n2 title.pms 11\nTITLE-BYTES\n");
}

TEST_F(AldLinker, APmsFolderWithoutTrailingSlashStillWorks) {
    std::string folder = pms();
    folder.pop_back();
    ToolRun run = link("#NL\r\n" + pms() + "OBRI.hed\r\n" + folder + "\r\n" + ald() + "\r\nAUTO\r\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(ald()), kTwoEntries);
}

TEST_F(AldLinker, BadInputExitsNonZeroWithAMessageAndNeverLeavesAPartialAld) {
    std::string list = pms() + "OBRI.hed";
    struct Case {
        const char* name;
        std::string directiveText;
        std::string listText;  // empty: keep the good list
    } cases[] = {
        {"four_lines", "#NL\r\n" + list + "\r\n" + pms() + "\r\n" + ald() + "\r\n", ""},
        {"six_lines", directive(list) + "EXTRA\r\n", ""},
        {"no_nl_marker", "#XX\r\n" + list + "\r\n" + pms() + "\r\n" + ald() + "\r\nAUTO\r\n", ""},
        {"no_auto", "#NL\r\n" + list + "\r\n" + pms() + "\r\n" + ald() + "\r\nMANUAL\r\n", ""},
        {"empty_directive", "", ""},
        {"missing_list", directive(pms() + "nothing.hed"), ""},
        {"listed_pms_missing", directive(list), "1,title.pms\r\n1,gone.pms\r\n"},
        {"name_with_slash", directive(list), "1,../secret.pms\r\n"},
        {"name_dot_dot", directive(list), "1,..\r\n"},
        {"line_without_comma", directive(list), "title.pms\r\n"},
        {"blank_line", directive(list), "1,title.pms\r\n\r\n1,bg01.pms\r\n"},
        {"ald_folder_missing",
         "#NL\r\n" + list + "\r\n" + pms() + "\r\n" + folder_.file("no/such/x.ald") + "\r\nAUTO\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(pms() + "OBRI.hed", c.listText.empty() ? "1,title.pms\r\n1,bg01.pms\r\n" : c.listText);
        writeFile(ald(), "EARLIER");
        ToolRun run = link(c.directiveText);
        EXPECT_NE(run.status, 0);
        EXPECT_FALSE(run.errors.empty());
        EXPECT_EQ(readFile(ald()), "EARLIER") << "an earlier ALD was touched";
        for (const auto& e : std::filesystem::directory_iterator(folder_.path()))
            EXPECT_EQ(e.path().filename().string().find("CG_GA.ALD."), std::string::npos)
                << "temporary file left";
    }
}

TEST_F(AldLinker, WrongArgumentCountsAreRefused) {
    EXPECT_NE(runTool("aldlink", {}, logs_).status, 0);
    EXPECT_NE(runTool("aldlink", {"a", "b"}, logs_).status, 0);
    EXPECT_NE(runTool("aldlink", {folder_.file("missing.hed")}, logs_).status, 0);
}

}  // namespace
}  // namespace obri::test
