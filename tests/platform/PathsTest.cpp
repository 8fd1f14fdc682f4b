#include <cstdlib>
#include <ostream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

using test::readFile;
using test::TempFolder;

struct ExtCase {
    const char* name;
    const char* ext;      // extractFileExt
    const char* bmpName;  // changeFileExt(name, ".bmp")
};
void PrintTo(const ExtCase& c, std::ostream* os) { *os << c.name; }

class Extension : public ::testing::TestWithParam<ExtCase> {};

TEST_P(Extension, IsTakenFromTheLastDotAfterTheLastSeparator) {
    const ExtCase& c = GetParam();
    EXPECT_EQ(paths::extractFileExt(c.name), c.ext);
    EXPECT_EQ(paths::changeFileExt(c.name, ".bmp"), c.bmpName);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Extension,
    ::testing::Values(ExtCase{"title.jpg", ".jpg", "title.bmp"}, ExtCase{"title", "", "title.bmp"},
                      ExtCase{"a.b.jpg", ".jpg", "a.b.bmp"}, ExtCase{"/x.y/title", "", "/x.y/title.bmp"},
                      ExtCase{"/x.y/title.png", ".png", "/x.y/title.bmp"},
                      ExtCase{"title.", ".", "title.bmp"}, ExtCase{".hidden", ".hidden", ".bmp"},
                      ExtCase{"/dir/", "", "/dir/.bmp"}, ExtCase{"TITLE.BMP", ".BMP", "TITLE.bmp"},
                      ExtCase{"", "", ".bmp"}));

TEST(Extension, ReplacingWithOtherExtensionsFollowsTheSameRule) {
    EXPECT_EQ(paths::changeFileExt("/game/CG_GA.ALD", ".txt"), "/game/CG_GA.txt");
    EXPECT_EQ(paths::changeFileExt("/game/CG", ".txt"), "/game/CG.txt");
    EXPECT_EQ(paths::changeFileExt("/tmp/Obri-0/title.bmp", ".pms"), "/tmp/Obri-0/title.pms");
    EXPECT_EQ(paths::changeFileExt("a.jpg", ""), "a");
}

struct DirCase {
    const char* path;
    const char* dir;
    const char* name;
};
void PrintTo(const DirCase& c, std::ostream* os) { *os << c.path; }

class FolderPart : public ::testing::TestWithParam<DirCase> {};

TEST_P(FolderPart, DropsTheSeparatorExceptAtTheRoot) {
    EXPECT_EQ(paths::extractFileDir(GetParam().path), GetParam().dir);
    EXPECT_EQ(paths::extractFileName(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Table, FolderPart,
                         ::testing::Values(DirCase{"/usr/bin/obri", "/usr/bin", "obri"},
                                           DirCase{"/obri", "/", "obri"}, DirCase{"obri", "", "obri"},
                                           DirCase{"/a/b/", "/a/b", ""}, DirCase{"/", "/", ""},
                                           DirCase{"rel/x.txt", "rel", "x.txt"}));

TEST(Paths, FullPathAddsNoSecondSeparatorAtTheRoot) {
    EXPECT_EQ(paths::fullPath("/", "a.bmp"), "/a.bmp");
    EXPECT_EQ(paths::fullPath("/home/u", "a.bmp"), "/home/u/a.bmp");
    EXPECT_TRUE(paths::isRoot("/"));
    EXPECT_FALSE(paths::isRoot("/home"));
    EXPECT_FALSE(paths::isRoot(""));
}

TEST(Paths, ExecutableFolderEndsWithOneSeparatorAndHoldsThisTest) {
    std::string dir = paths::executableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_NE(dir.substr(0, dir.size() - 1).back(), '/');
    EXPECT_TRUE(paths::folderExists(dir));
}

class WorkFolder : public ::testing::Test {
  protected:
    TempFolder temp;
    std::string savedTmp;
    bool hadTmp = false;
    void SetUp() override {
        if (const char* t = std::getenv("TMPDIR")) hadTmp = true, savedTmp = t;
        setenv("TMPDIR", temp.path().c_str(), 1);  // with its trailing '/'
    }
    void TearDown() override {
        if (hadTmp)
            setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::string expected() const { return temp.path() + "Obri-" + std::to_string(getuid()) + "/"; }
};

TEST_F(WorkFolder, IsCreatedPrivateUnderTmpdir) {
    std::string path = paths::workFolderPath();
    EXPECT_EQ(path, expected());
    ASSERT_TRUE(paths::createWorkFolder(path));
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(paths::createWorkFolder(path)) << "an existing own folder is used as it is";
}

TEST_F(WorkFolder, FallsBackToTmpWithoutTmpdir) {
    unsetenv("TMPDIR");
    EXPECT_EQ(paths::workFolderPath(), "/tmp/Obri-" + std::to_string(getuid()) + "/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(paths::workFolderPath(), "/tmp/Obri-" + std::to_string(getuid()) + "/");
}

TEST_F(WorkFolder, ALinkOrAPlainFilePlantedInItsPlaceIsRefused) {
    std::string path = paths::workFolderPath();
    std::string name = path.substr(0, path.size() - 1);
    std::string elsewhere = temp.file("elsewhere");
    ASSERT_TRUE(paths::createFolder(elsewhere));
    ASSERT_EQ(symlink(elsewhere.c_str(), name.c_str()), 0);
    EXPECT_FALSE(paths::createWorkFolder(path));
    EXPECT_FALSE(paths::isUsableWorkFolder(path));

    ASSERT_EQ(unlink(name.c_str()), 0);
    temp.write("Obri-" + std::to_string(getuid()), "x");
    EXPECT_FALSE(paths::createWorkFolder(path));
    EXPECT_FALSE(paths::isUsableWorkFolder(path));
}

TEST_F(WorkFolder, AFolderOfAnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hand a folder to another user";
    std::string path = paths::workFolderPath();
    ASSERT_TRUE(paths::createWorkFolder(path));
    ASSERT_EQ(chown(path.c_str(), 54321, 54321), 0);
    EXPECT_FALSE(paths::isUsableWorkFolder(path));
    EXPECT_FALSE(paths::createWorkFolder(path));
}

TEST(Paths, ExistenceTellsFilesFromFolders) {
    TempFolder temp;
    std::string file = temp.write("f.txt", "x");
    EXPECT_TRUE(paths::fileExists(file));
    EXPECT_FALSE(paths::folderExists(file));
    EXPECT_FALSE(paths::fileExists(temp.path()));
    EXPECT_TRUE(paths::folderExists(temp.path()));
    EXPECT_FALSE(paths::fileExists(temp.file("missing")));
    EXPECT_FALSE(paths::fileExists(""));

    EXPECT_TRUE(paths::createFolder(temp.file("sub")));
    EXPECT_FALSE(paths::createFolder(temp.file("sub"))) << "exists already";
    EXPECT_FALSE(paths::createFolder(temp.file("a/b"))) << "single level only";
    EXPECT_FALSE(paths::folderExists(temp.file("a")));

    EXPECT_TRUE(paths::deleteFile(file));
    EXPECT_FALSE(paths::fileExists(file));
    EXPECT_FALSE(paths::deleteFile(file));
}

TEST(MoveFile, MovesWithinAFileSystem) {
    TempFolder temp;
    std::string from = temp.write("a.pms", "picture");
    EXPECT_EQ(paths::moveFile(from, temp.file("b.pms")), paths::MoveResult::Moved);
    EXPECT_FALSE(paths::fileExists(from));
    EXPECT_EQ(temp.read("b.pms"), "picture");
}

TEST(MoveFile, NeverReplacesAnExistingFile) {
    TempFolder temp;
    std::string from = temp.write("a.pms", "new");
    std::string to = temp.write("b.pms", "old");
    EXPECT_EQ(paths::moveFile(from, to), paths::MoveResult::TargetExists);
    EXPECT_EQ(readFile(from), "new");
    EXPECT_EQ(readFile(to), "old");
}

TEST(MoveFile, ReportsAMissingSourceOrTargetFolder) {
    TempFolder temp;
    EXPECT_EQ(paths::moveFile(temp.file("none"), temp.file("b")), paths::MoveResult::SourceMissing);
    std::string from = temp.write("a", "x");
    EXPECT_EQ(paths::moveFile(from, temp.file("no/such/b")), paths::MoveResult::Failed);
    EXPECT_EQ(readFile(from), "x");
}

class MoveAcross : public ::testing::Test {
  protected:
    void SetUp() override {
        struct stat a {
        }, b{};
        if (stat("/dev/shm", &a) != 0 || stat(here.path().c_str(), &b) != 0 || a.st_dev == b.st_dev ||
            access("/dev/shm", W_OK) != 0)
            GTEST_SKIP() << "/dev/shm is not a writable file system apart from the temporary folder";
        char pattern[] = "/dev/shm/obri-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        there = pattern;
    }
    void TearDown() override {
        if (!there.empty()) std::system(("rm -rf '" + there + "'").c_str());
    }
    TempFolder here;
    std::string there;
};

TEST_F(MoveAcross, CopiesKeepsTheModeAndRemovesTheSource) {
    std::string content(300000, 'p');
    content[12345] = '\0';
    std::string from = here.write("big.pms", content);
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    std::string to = there + "/big.pms";
    EXPECT_EQ(paths::moveFile(from, to), paths::MoveResult::Moved);
    EXPECT_FALSE(paths::fileExists(from));
    EXPECT_EQ(readFile(to), content);
    struct stat info {};
    ASSERT_EQ(stat(to.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + there + "' | grep -v big.pms)\"").c_str()), 0)
        << "no temporary file left behind";
}

TEST_F(MoveAcross, NeverReplacesAndLeavesNoTemporaryFile) {
    std::string from = here.write("a.pms", "new");
    std::string to = there + "/a.pms";
    test::writeFile(to, "old");
    EXPECT_EQ(paths::moveFile(from, to), paths::MoveResult::TargetExists);
    EXPECT_EQ(readFile(from), "new");
    EXPECT_EQ(readFile(to), "old");
    EXPECT_EQ(std::system(("test \"$(ls -A '" + there + "')\" = a.pms").c_str()), 0);
}

TEST_F(MoveAcross, APipeIsNotCopiedAndNeverBlocks) {
    std::string from = here.file("pipe.pms");
    ASSERT_EQ(mkfifo(from.c_str(), 0644), 0);
    EXPECT_EQ(paths::moveFile(from, there + "/pipe.pms"), paths::MoveResult::Failed);
    struct stat info {};
    EXPECT_EQ(lstat(from.c_str(), &info), 0);
    EXPECT_NE(lstat((there + "/pipe.pms").c_str(), &info), 0);
}

}  // namespace
}  // namespace obri
