#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "selection/FolderListing.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

using Names = std::vector<std::string>;

// A folder with pictures in several cases, a name without a dot, a hidden file, folders whose
// names look like pictures, and links to a file, to a folder and to nothing.
class PictureFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name :
             {"a.png", "B.PNG", "c.jpg", "noext", ".hidden.png", "Zeta.Png", "a.png.bak", "絵.png"})
            temp.write(name, "x");
        ASSERT_EQ(mkdir(temp.file("dir.png").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(temp.file(".cache").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(temp.file("Sub").c_str(), 0700), 0);
        ASSERT_EQ(symlink("a.png", temp.file("link.png").c_str()), 0);
        ASSERT_EQ(symlink("dir.png", temp.file("ldir.png").c_str()), 0);
        ASSERT_EQ(symlink("missing", temp.file("dead.png").c_str()), 0);
    }
    std::string folder() const { return temp.path().substr(0, temp.path().size() - 1); }
    test::TempFolder temp;
};

struct ListCase {
    const char* name;
    const char* patterns;
    Names listed;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class FileList : public PictureFolder, public ::testing::WithParamInterface<ListCase> {};

TEST_P(FileList, ListsMatchingFilesOncePerMaskSortedWithoutRegardToCase) {
    EXPECT_EQ(listFiles(folder(), GetParam().patterns), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, FileList,
    ::testing::Values(
        ListCase{"OneMaskAnyCase", "*.png", {"a.png", "B.PNG", "link.png", "Zeta.Png", "絵.png"}},
        ListCase{"UpperMask", "*.PNG", {"a.png", "B.PNG", "link.png", "Zeta.Png", "絵.png"}},
        ListCase{"StarDotStarTakesNamesWithoutDot",
                 "*.*",
                 {"a.png", "a.png.bak", "B.PNG", "c.jpg", "link.png", "noext", "Zeta.Png", "絵.png"}},
        ListCase{
            "Star", "*", {"a.png", "a.png.bak", "B.PNG", "c.jpg", "link.png", "noext", "Zeta.Png", "絵.png"}},
        ListCase{"TwoMasks", "*.jpg;?.png", {"a.png", "B.PNG", "c.jpg"}},
        ListCase{"MatchingTwoMasksListsTwice",
                 "*.png;a*",
                 {"a.png", "a.png", "a.png.bak", "B.PNG", "link.png", "Zeta.Png", "絵.png"}},
        ListCase{"SameMaskTwice", "c.*;C.JPG", {"c.jpg", "c.jpg"}},
        ListCase{"BlanksAndEmptyPieces", " *.jpg ;;", {"c.jpg"}}, ListCase{"NoneOfTheType", "*.bmp", {}},
        ListCase{"EmptyPatterns", "", {}}, ListCase{"ExactName", "noext", {"noext"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PictureFolder, MissingOrUnreadableFolderListsNothing) {
    EXPECT_TRUE(listFiles(temp.file("nothere"), "*.*").empty());
    EXPECT_TRUE(listFiles(temp.file("a.png"), "*.*").empty());  // a file, not a folder
    EXPECT_TRUE(subFolders(temp.file("nothere")).empty());
}

TEST_F(PictureFolder, SubFoldersLeaveOutHiddenOnesAndFollowLinks) {
    EXPECT_EQ(subFolders(folder()), (Names{"dir.png", "ldir.png", "Sub"}));
}

TEST_F(PictureFolder, FolderItemsShowAncestorsThenSubFolders) {
    const std::string sub = folder() + "/Sub";
    ASSERT_EQ(mkdir((sub + "/b").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((sub + "/A").c_str(), 0700), 0);
    const std::vector<FolderItem> items = folderItems(sub, "/");
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items.front(), (FolderItem{"/", "/", 0, true}));
    const FolderItem& self = items[items.size() - 3];
    EXPECT_EQ(self.path, sub);
    EXPECT_EQ(self.label, "Sub");
    EXPECT_TRUE(self.open);
    EXPECT_EQ(items[items.size() - 2], (FolderItem{"A", sub + "/A", self.depth + 1, false}));
    EXPECT_EQ(items.back(), (FolderItem{"b", sub + "/b", self.depth + 1, false}));
    for (std::size_t i = 1; i + 2 < items.size(); ++i) {
        EXPECT_EQ(items[i].depth, static_cast<int>(i));
        EXPECT_EQ(items[i].path, paths::fullPath(items[i - 1].path, items[i].label));
    }
}

TEST_F(PictureFolder, FolderItemsStartAtTheDriveRoot) {
    const std::string root = folder();
    const std::vector<FolderItem> items = folderItems(root + "/Sub", root);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], (FolderItem{root, root, 0, true}));
    EXPECT_EQ(items[1], (FolderItem{"Sub", root + "/Sub", 1, true}));
    // A root that does not hold the folder falls back to "/".
    EXPECT_EQ(folderItems(root, "/media/elsewhere").front().path, "/");
}

TEST(FolderListing, RootFolderListsItsFilesWithoutDoubleSeparator) {
    EXPECT_EQ(folderWithSeparator("/"), "/");
    EXPECT_EQ(folderWithSeparator("/pics"), "/pics/");
    for (const std::string& name : listFiles("/", "*.*")) {
        EXPECT_NE(name.front(), '.');
        EXPECT_TRUE(paths::fileExists(folderWithSeparator("/") + name)) << name;
    }
    for (const FolderItem& item : folderItems("/", "/")) EXPECT_NE(item.path.substr(0, 2), "//");
}

TEST(FolderListing, SortIsCaseBlindWithABytewiseTieBreak) {
    Names names{"b", "a", "B", "A", "ab", "_x", "Ab", "a b", "1"};
    sortIgnoringCase(names);
    EXPECT_EQ(names, (Names{"1", "_x", "A", "a", "a b", "Ab", "ab", "B", "b"}));
}

TEST(FolderListing, SplitsMasks) {
    EXPECT_EQ(splitMasks("*.bmp;"), (Names{"*.bmp"}));
    EXPECT_EQ(splitMasks("*.png;*.jpg;*.jpeg"), (Names{"*.png", "*.jpg", "*.jpeg"}));
    EXPECT_EQ(splitMasks(" ; ;"), Names{});
}

TEST(FolderListing, EnteringAFolderMakesItCurrent) {
    test::TempFolder temp;
    const std::string before = currentFolder();
    const std::string target = temp.path().substr(0, temp.path().size() - 1);
    ASSERT_TRUE(enterFolder(target));
    char resolved[4096];
    ASSERT_NE(realpath(target.c_str(), resolved), nullptr);
    EXPECT_EQ(currentFolder(), resolved);
    EXPECT_FALSE(enterFolder(temp.file("nothere")));
    EXPECT_EQ(currentFolder(), resolved);
    ASSERT_TRUE(enterFolder(before));
}

TEST(DriveRoots, RootFirstPseudoFileSystemsLeftOut) {
    const char* mounts =
        "overlay / overlay rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /dev tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "sysfs /sys sysfs ro 0 0\n"
        "cgroup /sys/fs/cgroup cgroup2 ro 0 0\n"
        "shm /dev/shm tmpfs rw 0 0\n"
        "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "binfmt_misc /proc/sys/fs/binfmt_misc binfmt_misc rw 0 0\n"
        "garbage\n"
        "\n";
    EXPECT_EQ(parseDriveRoots(mounts), (Names{"/", "/home", "/media/usb stick", "/tmp"}));
    EXPECT_EQ(parseDriveRoots(""), Names{"/"});
}

TEST(DriveRoots, RunningSystemHasTheRootFirst) {
    const Names roots = driveRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "/");
    for (const std::string& root : roots) EXPECT_TRUE(paths::folderExists(root)) << root;
}

TEST(DriveRoots, DriveOfAFolderIsTheLongestRootHoldingIt) {
    const Names roots{"/", "/home", "/home/u/usb", "/media"};
    EXPECT_EQ(driveOf("/home/u/usb/pics", roots), "/home/u/usb");
    EXPECT_EQ(driveOf("/home/u", roots), "/home");
    EXPECT_EQ(driveOf("/homework", roots), "/");
    EXPECT_EQ(driveOf("/media", roots), "/media");
    EXPECT_EQ(driveOf("/", roots), "/");
}

}  // namespace
}  // namespace obri
