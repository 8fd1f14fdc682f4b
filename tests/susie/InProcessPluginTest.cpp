// The guards around every call into a dlopen'ed plug-in.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SusieTestSupport.h"
#include "susie/Plugin.h"

namespace obri::test {
namespace {

std::unique_ptr<Plugin> load(const std::string& variant) {
    auto plugin = makeInProcessPluginLoader()->load(testPluginPath(variant));
    EXPECT_TRUE(plugin->loaded()) << variant;
    return plugin;
}

TEST(InProcessPlugin, AFileThatIsNoModuleGivesAnUnloadedSlotThatAnswersNothing) {
    TempFolder temp;
    auto plugin = makeInProcessPluginLoader()->load(temp.write("text.spi", "not a module"));
    EXPECT_FALSE(plugin->loaded());
    EXPECT_EQ(plugin->path(), temp.file("text.spi"));
    EXPECT_FALSE(plugin->has(PluginFunction::GetPluginInfo));
    EXPECT_EQ(plugin->pluginInfo(0, 20), std::nullopt);
    EXPECT_FALSE(plugin->isSupportedMemory("x", reinterpret_cast<const std::uint8_t*>("TPIC"), 4));
    OwnedBlock info, bits, list;
    EXPECT_EQ(plugin->getPictureFile(temp.file("text.spi"), 0, info, bits), PluginResult::NotImplemented);
    EXPECT_EQ(plugin->getArchiveInfo(temp.file("text.spi"), list), PluginResult::NotImplemented);
    EXPECT_EQ(plugin->getFile(temp.file("text.spi"), 0, list), PluginResult::NotImplemented);
}

TEST(InProcessPlugin, ImageAndArchivePluginsHaveTheirFunctions) {
    auto image = load("img_a");
    auto archive = load("arc");
    EXPECT_TRUE(image->has(PluginFunction::GetPicture));
    EXPECT_FALSE(image->has(PluginFunction::GetFile));
    EXPECT_TRUE(archive->has(PluginFunction::GetArchiveInfo));
    EXPECT_TRUE(archive->has(PluginFunction::GetFile));
    EXPECT_FALSE(archive->has(PluginFunction::GetPicture));
    OwnedBlock info, bits;
    EXPECT_EQ(archive->getPictureMemory(reinterpret_cast<const std::uint8_t*>("TPIC"), 4, info, bits),
              PluginResult::NotImplemented);
}

TEST(InProcessPlugin, PluginInfoTakesTheTextInsideTheDocumentedBuffer) {
    auto plugin = load("info_buggy");  // writes its whole text whatever the length, answers the length
    const std::string digits =
        "012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678"
        "9";
    EXPECT_EQ(plugin->pluginInfo(0, 20), "00IN");
    EXPECT_EQ(plugin->pluginInfo(1, 20), digits.substr(0, 20));
    EXPECT_EQ(plugin->pluginInfo(1, 256), (digits + digits + digits).substr(0, 256));
    EXPECT_EQ(plugin->pluginInfo(4, 256), std::nullopt);
    EXPECT_EQ(plugin->pluginInfo(1, 0), std::nullopt);
    EXPECT_EQ(plugin->pluginInfo(1, -5), std::nullopt);
}

TEST(InProcessPlugin, EveryFileQuestionStartsAtOffsetZero) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto plugin = load("img_a");
    const std::string path = temp.write("p.tpic", testPictureBytes());
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 30, SEEK_SET), 30);
    EXPECT_TRUE(plugin->isSupportedFile(path, fd));
    EXPECT_TRUE(plugin->isSupportedFile(path, fd)) << "the plug-in left the offset moved";
    ::close(fd);
    EXPECT_EQ(log.linesWith("IsSupported file").size(), 2u);
    EXPECT_EQ(log.linesWith("at 0").size(), 2u);
    EXPECT_FALSE(plugin->isSupportedFile(path, -1));
}

TEST(InProcessPlugin, MemoryQuestionsSeeAtLeast2048Bytes) {
    // The plug-in reads 2048 bytes whatever the size; the sanitizer catches a short buffer.
    auto plugin = load("img_a");
    for (std::size_t size :
         {std::size_t{0}, std::size_t{4}, std::size_t{2047}, std::size_t{2048}, std::size_t{5000}}) {
        std::vector<std::uint8_t> exact(size, 'x');
        if (size >= 4) std::copy_n("TPIC", 4, exact.begin());
        EXPECT_EQ(plugin->isSupportedMemory("m.bin", size ? exact.data() : nullptr, size), size >= 4) << size;
    }
}

struct PictureFaultCase {
    const char* variant;
    PluginResult result;
    bool infoValid;
    bool bitsValid;
};

void PrintTo(const PictureFaultCase& c, std::ostream* os) { *os << c.variant; }

class PictureFaults : public ::testing::TestWithParam<PictureFaultCase> {};

// Blocks of a failed call are released (the leak checker would tell) and never handed on.
TEST_P(PictureFaults, CallerGetsOnlyBlocksOfASuccessfulCall) {
    const auto& c = GetParam();
    TempFolder temp;
    PluginCallLog log(temp);
    auto plugin = load(c.variant);
    const std::string path = temp.write("p.tpic", testPictureBytes());
    const std::string bytes = testPictureBytes();
    for (bool memory : {false, true}) {
        OwnedBlock info, bits;
        const PluginResult result =
            memory ? plugin->getPictureMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                              bytes.size(), info, bits)
                   : plugin->getPictureFile(path, 0, info, bits);
        EXPECT_EQ(result, c.result) << memory;
        EXPECT_EQ(info.valid(), c.infoValid) << memory;
        EXPECT_EQ(bits.valid(), c.bitsValid) << memory;
    }
    EXPECT_EQ(log.liveHandedBlocks(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureFaults,
    ::testing::Values(PictureFaultCase{"img_a", PluginResult::Success, true, true},
                      PictureFaultCase{"img_fail_live_blocks", PluginResult::UnknownFormat, false, false},
                      PictureFaultCase{"img_fail_freed", PluginResult::MemoryError, false, false},
                      PictureFaultCase{"img_null_handles", PluginResult::Success, false, false},
                      PictureFaultCase{"img_foreign", PluginResult::Success, false, false},
                      PictureFaultCase{"img_same_block", PluginResult::Success, true, false},
                      PictureFaultCase{"img_throws", PluginResult::Threw, false, false}),
    [](const auto& param) { return std::string(param.param.variant); });

TEST(InProcessPlugin, GetFileHandsThePositionBackZeroExtended) {
    TempFolder temp;
    PluginCallLog log(temp);
    auto plugin = load("arc");
    const std::string path = temp.write("a.tarc", testArchive({{"m", "bytes"}}));
    OwnedBlock member;
    EXPECT_EQ(plugin->getFile(path, 0x80000000u, member), PluginResult::InternalError);
    EXPECT_FALSE(member.valid());
    EXPECT_EQ(log.linesWith("GetFile 2147483648").size(), 1u);
    EXPECT_EQ(
        plugin->getFile(path, static_cast<std::uint32_t>(testArchivePositions({{"m", "bytes"}})[0]), member),
        PluginResult::Success);
    ASSERT_TRUE(member.valid());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(member.data()), member.size()), "bytes");
}

struct ArchiveFaultCase {
    const char* variant;
    PluginResult result;  // of both calls
    bool blocksValid;
};

void PrintTo(const ArchiveFaultCase& c, std::ostream* os) { *os << c.variant; }

class ArchiveFaults : public ::testing::TestWithParam<ArchiveFaultCase> {};

TEST_P(ArchiveFaults, CallerGetsOnlyBlocksOfASuccessfulCall) {
    const auto& c = GetParam();
    TempFolder temp;
    PluginCallLog log(temp);
    auto plugin = load(c.variant);
    const std::vector<TestMember> members{{"m", "bytes"}};
    const std::string path = temp.write("a.tarc", testArchive(members));
    OwnedBlock list, member;
    EXPECT_EQ(plugin->getArchiveInfo(path, list), c.result);
    EXPECT_EQ(list.valid(), c.blocksValid);
    EXPECT_EQ(plugin->getFile(path, static_cast<std::uint32_t>(testArchivePositions(members)[0]), member),
              c.result);
    EXPECT_EQ(member.valid(), c.blocksValid);
    list.reset();
    member.reset();
    EXPECT_EQ(log.liveHandedBlocks(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArchiveFaults,
    ::testing::Values(ArchiveFaultCase{"arc", PluginResult::Success, true},
                      ArchiveFaultCase{"arc_fail_live_blocks", PluginResult::BrokenData, false},
                      ArchiveFaultCase{"arc_fail_freed", PluginResult::MemoryError, false},
                      ArchiveFaultCase{"arc_null_handles", PluginResult::Success, false},
                      ArchiveFaultCase{"arc_foreign", PluginResult::Success, false}),
    [](const auto& param) { return std::string(param.param.variant); });

}  // namespace
}  // namespace obri::test
