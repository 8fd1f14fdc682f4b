#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/FileCalls.h"
#include "platform/Module.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

TEST(Module, LoadsLooksUpAndUnloads) {
    Module module = Module::open(std::string(OBRI_BIN_DIR) + "/libobrilocalmem.so");
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_NE(module.symbol("LocalAlloc"), nullptr);
    EXPECT_EQ(module.symbol("NoSuchFunction"), nullptr);
    EXPECT_EQ(module.symbol(nullptr), nullptr);

    Module moved = std::move(module);
    EXPECT_FALSE(module.loaded());
    EXPECT_EQ(module.symbol("LocalAlloc"), nullptr);
    EXPECT_TRUE(moved.loaded());
    moved.unload();
    EXPECT_FALSE(moved.loaded());
    EXPECT_EQ(moved.symbol("LocalAlloc"), nullptr);
}

TEST(Module, AFileThatIsNoModuleIsNotLoadedAndSaysWhy) {
    test::TempFolder temp;
    for (const std::string& path : {temp.file("missing.spi"), temp.write("text.spi", "not a module")}) {
        Module module = Module::open(path);
        EXPECT_FALSE(module.loaded()) << path;
        EXPECT_FALSE(module.error().empty()) << path;
        EXPECT_EQ(module.symbol("GetPluginInfo"), nullptr);
    }
}

TEST(ReadOnlyFile, ReadsRewindsAndCloses) {
    test::TempFolder temp;
    std::string path = temp.write("p.png", "BM0123456789");
    ReadOnlyFile file(path);
    ASSERT_TRUE(file.isOpen());
    EXPECT_GE(file.handle(), 0);
    char head[2];
    EXPECT_EQ(file.read(head, 2), 2u);
    EXPECT_EQ(std::string(head, 2), "BM");
    char rest[64];
    EXPECT_EQ(file.read(rest, sizeof rest), 10u) << "a short read at the end";
    EXPECT_EQ(file.read(rest, sizeof rest), 0u);
    EXPECT_TRUE(file.rewind());
    EXPECT_EQ(file.read(head, 2), 2u);

    ReadOnlyFile other = std::move(file);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.read(head, 2), 0u);
    EXPECT_FALSE(file.rewind());
    other.close();
    EXPECT_FALSE(other.isOpen());
    EXPECT_FALSE(ReadOnlyFile(temp.file("missing")).isOpen());
}

TEST(ReadOnlyFile, APipeOrAFolderIsNotOpenedAndNeverBlocks) {
    test::TempFolder temp;
    std::string pipe = temp.file("pipe.png");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(ReadOnlyFile(pipe).isOpen());
    EXPECT_FALSE(ReadOnlyFile(temp.path()).isOpen());
}

}  // namespace
}  // namespace obri
