// File and member names that could break a line format or reach a shell, taken through the real
// window: listed, ticked, converted, recorded in the history, numbered for the linker.
#include <filesystem>
#include <string>
#include <vector>

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "hardening/WindowFixture.h"
#include "output/HistoryLog.h"
#include "platform/TextFile.h"
#include "platform/Texts.h"
#include "susie/SusieTestSupport.h"

namespace obri {
namespace {

namespace fs = std::filesystem;

struct NameCase {
    std::string name;     // file name, or member name in the archive
    std::string pmsName;  // "" for a name that makes a failed row
};

// The names a batch must take: blanks, Japanese, quotes, shell syntax, leading dashes, bytes that
// are not UTF-8.
const std::vector<NameCase> kFiles = {
    {"my picture.bmp", "my picture.pms"},
    {"絵 一.bmp", "絵 一.pms"},
    {"it's \"q\".bmp", "it's \"q\".pms"},
    {"a;touch pwned;.bmp", "a;touch pwned;.pms"},
    {"b$(touch pwned)`touch pwned`.bmp", "b$(touch pwned)`touch pwned`.pms"},
    {"-rf.bmp", "-rf.pms"},
    {"--help.bmp", "--help.pms"},
    {"\x82\xa0sjis.bmp", "\x82\xa0sjis.pms"},
    {"tab\there.bmp", ""},
    {"ctl\x01.bmp", ""},
    {"new\nline.bmp", ""},
    {"cr\rret.bmp", ""},
};
// Members keep only their last component; "..", and control characters fail.
const std::vector<NameCase> kMembers = {
    {"../up.bmp", "up.pms"},
    {"dir\\win.bmp", "win.pms"},
    {"-dash.bmp", "-dash.pms"},
    {"line\nbreak.bmp", ""},
    {"..", ""},
    {"semi;colon 'q'.bmp", "semi;colon 'q'.pms"},
};

class HostileNames : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        test::installPlugins(exe(), {"arc"});
        for (const NameCase& file : kFiles) temp.write("pics/" + file.name, test::bmp24(2, 2));
        std::vector<test::TestMember> members;
        for (const NameCase& member : kMembers) members.push_back({member.name, test::bmp24(2, 2)});
        temp.write("pics/game.tarc", test::testArchive(members));
        log = temp.file("argv.log");
        // Records how many arguments it got and the first one, NUL-separated; no shell sees them,
        // nor the tools' own names.
        converter = test::script(temp, "conv it's \"x\";.sh",
                                 "printf '%s\\0%s\\0' \"$#\" \"$1\" >> '" + log +
                                     "'\n"
                                     "cp -- \"$1\" \"${1%.bmp}.pms\"");
        linker = test::script(temp, "-link $(x).sh", "echo ALD > \"$(sed -n 4p \"$1\" | tr -d '\\r')\"");
    }
    void doubleClick(QListWidget* list, const std::string& shown) {
        const auto found = list->findItems(QString::fromStdString(shown), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << shown;
        const QPoint at = list->visualItemRect(found.front()).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    std::vector<std::string> converterCalls() const {
        const std::string bytes = temp.read("argv.log");
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
            fields.push_back(bytes.substr(start, end - start));
        return fields;
    }

    std::string log;
    std::string converter;
    std::string linker;
};

bool holdsLineBreak(const std::string& line) { return line.find_first_of("\r\n") != std::string::npos; }

TEST_F(HostileNames, GoThroughListTicksBatchHistoryAndLinkNumbersWithoutBreakingALine) {
    writeIni(converter, linker, pms(), temp.file("CG_GA.ALD"));
    open();
    // Listed once each, in the listing's order, with the archive among them.
    std::vector<std::string> files;
    for (const NameCase& file : kFiles) files.push_back(file.name);
    files.push_back("game.tarc");
    sortIgnoringCase(files);
    ASSERT_EQ(c().CheckListBox1->count(), static_cast<int>(files.size()));
    tickAllFiles();
    doubleClick(c().CheckListBox1, "game.tarc");
    ASSERT_EQ(c().CheckListBox2->count(), static_cast<int>(kMembers.size()));
    test::WindowFixture::tickAll(c().CheckListBox2);

    // The rows in the order they were ticked.
    std::vector<NameCase> rows;
    for (const std::string& name : files)
        for (const NameCase& file : kFiles)
            if (file.name == name) rows.push_back(file);
    rows.insert(rows.end(), kMembers.begin(), kMembers.end());
    ASSERT_EQ(rowCount(), static_cast<int>(rows.size()));

    c().BitBtn1->click();
    c().BitBtn2->click();

    // What the user was told: the failed rows, one line each, control characters shown as '?'.
    std::string failures = texts::kSomeNotConverted;
    for (const NameCase& row : rows)
        if (row.pmsName.empty()) failures += "\n" + oneLineText(row.name) + " : " + texts::kReasonBadName;
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].kind, "warning");
    EXPECT_EQ(desktop.messages[0].text, failures);
    EXPECT_EQ(desktop.messages[1].text, texts::kAldCreated);

    // The converter got one argument per good row: the work file, which starts with the work folder.
    std::vector<std::string> expectedCalls;
    for (const NameCase& row : rows) {
        if (row.pmsName.empty()) continue;
        expectedCalls.push_back("1");
        expectedCalls.push_back(work() + row.pmsName.substr(0, row.pmsName.size() - 4) + ".bmp");
        EXPECT_TRUE(fs::exists(pms() + row.pmsName)) << row.pmsName;
    }
    EXPECT_EQ(converterCalls(), expectedCalls);
    for (std::size_t i = 1; i < converterCalls().size(); i += 2) EXPECT_EQ(converterCalls()[i].front(), '/');

    // One line per row in the list, the history and the link-number text, whatever the name.
    std::vector<std::string> list, history{""}, numbers{texts::kLinkNumberTitle};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        list.push_back("1," + rows[i].pmsName);
        history.push_back("\t" + oneLineText(rows[i].name) + "->" + rows[i].pmsName);
        numbers.push_back(std::to_string(i + 1) + "=" + rows[i].pmsName);
    }
    EXPECT_EQ(temp.read("pms/OBRI.hed"), textfile::joinLines(list));
    EXPECT_EQ(temp.read("CG_GA.txt"), textfile::joinLines(numbers));
    const std::vector<std::string> written = textfile::loadLines(exe() + "History.txt");
    ASSERT_EQ(written.size(), rows.size() + 3);  // a block of the batch, then one of the build
    for (std::size_t i = 1; i <= rows.size(); ++i) EXPECT_EQ(written[i], history[i]);
    EXPECT_EQ(written.back(), "\t" + temp.file("CG_GA.ALD"));
    for (const std::string& line : written) EXPECT_FALSE(holdsLineBreak(line));

    // Nothing reached a shell, and nothing left the work folder but the PMS files.
    for (const auto& entry : fs::recursive_directory_iterator(temp.path()))
        EXPECT_NE(entry.path().filename(), "pwned") << entry.path();
    EXPECT_TRUE(test::snapshot(work()).empty());
    EXPECT_FALSE(fs::exists(temp.file("up.pms")));
}

}  // namespace
}  // namespace obri
