#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

using Lines = std::vector<std::string>;
using test::readFile;
using test::TempFolder;

struct SplitCase {
    const char* label;
    std::string text;
    Lines lines;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.label; }

class LineEnds : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LineEnds, EndLinesAsTheOriginalLoaderDoes) {
    EXPECT_EQ(textfile::splitLines(GetParam().text), GetParam().lines);
    // Saving and loading again gives the same lines.
    EXPECT_EQ(textfile::splitLines(textfile::joinLines(GetParam().lines)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineEnds,
    ::testing::Values(SplitCase{"crlf", "a\r\nb\r\n", {"a", "b"}}, SplitCase{"lone_cr", "a\rb\r", {"a", "b"}},
                      SplitCase{"lone_lf", "a\nb\n", {"a", "b"}},
                      SplitCase{"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      SplitCase{"last_line_without_end", "a\r\nlast", {"a", "last"}},
                      SplitCase{"empty_file", "", {}}, SplitCase{"two_empty_lines", "\r\n\r\n", {"", ""}},
                      SplitCase{"lf_cr_is_two_ends", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"only_cr", "\r", {""}},
                      SplitCase{"blank_line_kept", "a\r\n\r\nb", {"a", "", "b"}},
                      SplitCase{"nul_byte_kept", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(TextFile, JoinEndsEveryLineWithCrLf) {
    EXPECT_EQ(textfile::joinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(textfile::joinLines({}), "");
}

TEST(TextFile, SavesWithCrLfAndLoadsBack) {
    TempFolder temp;
    std::string path = temp.file("History.txt");
    textfile::saveLines(path, {"2001/02/27", "", "title.pms"});
    EXPECT_EQ(readFile(path), "2001/02/27\r\n\r\ntitle.pms\r\n");
    EXPECT_EQ(textfile::loadLines(path), (Lines{"2001/02/27", "", "title.pms"}));
    textfile::saveLines(path, {"short"});
    EXPECT_EQ(readFile(path), "short\r\n") << "replaced whole";
}

TEST(TextFile, LoadingAMissingFileAFolderOrAPipeRaisesTheOpenError) {
    TempFolder temp;
    ASSERT_EQ(mkfifo(temp.file("pipe.ini").c_str(), 0644), 0);
    for (const std::string& path : {temp.file("none.txt"), temp.path(), temp.file("pipe.ini")}) {
        try {
            textfile::loadLines(path);
            ADD_FAILURE() << path;
        } catch (const PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " は開けません");
        }
    }
}

class SaveFailure : public ::testing::Test {
  protected:
    TempFolder temp;
    void expectCreateError(const std::string& path) {
        try {
            textfile::saveLines(path, Lines(3000, std::string(40, 'n')));
            ADD_FAILURE() << "no error for " << path;
        } catch (const PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " を作成できません");
        }
    }
};

TEST_F(SaveFailure, ReadOnlyFileRaisesAndKeepsItsContent) {
    std::string path = temp.write("ro.txt", "old\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    expectCreateError(path);
    EXPECT_EQ(readFile(path), "old\r\n");
}

TEST_F(SaveFailure, AFolderInThePlaceOfTheFileOrAMissingFolderRaises) {
    ASSERT_EQ(mkdir(temp.file("dir").c_str(), 0755), 0);
    expectCreateError(temp.file("dir"));
    expectCreateError(temp.file("missing/file.txt"));
    expectCreateError("");
}

TEST_F(SaveFailure, ALoopOfLinksIsRefusedAndStaysAsItWas) {
    std::string a = temp.file("a.txt"), b = temp.file("b.txt");
    ASSERT_EQ(symlink("b.txt", a.c_str()), 0);
    ASSERT_EQ(symlink("a.txt", b.c_str()), 0);
    expectCreateError(a);
    struct stat info {};
    ASSERT_EQ(lstat(a.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(SaveFailure, ADeviceInThePlaceOfTheFileIsRefused) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    std::string link = temp.file("full.txt");
    ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
    expectCreateError(link);
}

// A tiny file system of its own, filled up; needs the right to mount one.
class FullDisk : public SaveFailure {
  protected:
    std::string disk;
    void SetUp() override {
        disk = temp.file("disk");
        ASSERT_EQ(mkdir(disk.c_str(), 0755), 0);
        if (geteuid() != 0 ||
            std::system(("mount -t tmpfs -o size=64k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0) {
            disk.clear();
            GTEST_SKIP() << "cannot mount a small file system here";
        }
    }
    void TearDown() override {
        if (!disk.empty()) std::system(("umount '" + disk + "'").c_str());
    }
};

TEST_F(FullDisk, KeepsTheOldContentAndLeavesNoTemporaryFile) {
    std::string path = disk + "/History.txt";
    std::string old(20000, 'o');
    test::writeFile(path, old);
    // Fill what is left.
    std::string filler = disk + "/filler";
    std::FILE* f = std::fopen(filler.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
    expectCreateError(path);
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(std::system(
                  ("test \"$(ls -A '" + disk + "' | sort | tr '\\n' ' ')\" = 'History.txt filler '").c_str()),
              0);
}

TEST(TextFile, SavingKeepsPermissionsAndFollowsALink) {
    TempFolder temp;
    std::string real = temp.write("real.ini", "old\r\n");
    ASSERT_EQ(chmod(real.c_str(), 0604), 0);
    std::string link = temp.file("link.ini");
    ASSERT_EQ(symlink("real.ini", link.c_str()), 0);
    textfile::saveLines(link, {"new"});
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
    EXPECT_EQ(readFile(real), "new\r\n");
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
}

TEST(TextFile, ANewFileGetsTheModeTheUmaskAllows) {
    TempFolder temp;
    for (mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        mode_t old = umask(mask);
        std::string path = temp.file("new" + std::to_string(mask));
        textfile::saveLines(path, {"x"});
        umask(old);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << std::oct << mask;
    }
}

TEST(TextFile, SavingLeavesNoTemporaryFileBehind) {
    TempFolder temp;
    std::string path = temp.write("a.txt", "x");
    textfile::saveLines(path, {"1", "2"});
    EXPECT_EQ(std::system(("test \"$(ls -A '" + temp.path() + "')\" = a.txt").c_str()), 0);
}

TEST(TextFile, AFileWithSeveralNamesIsWrittenThroughAllOfThem) {
    TempFolder temp;
    std::string path = temp.write("a.txt", "old");
    ASSERT_EQ(link(path.c_str(), temp.file("b.txt").c_str()), 0);
    textfile::saveLines(path, {"new"});
    EXPECT_EQ(temp.read("b.txt"), "new\r\n");
}

}  // namespace
}  // namespace obri
