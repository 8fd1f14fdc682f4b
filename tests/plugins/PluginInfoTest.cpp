#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugins/SpiModule.h"

namespace obri::test {
namespace {

struct InfoCase {
    const char* module;
    int index;
    int buflen;
    const char* text;  // nullptr: no entry, buffer untouched
};

class PluginInfo : public ::testing::TestWithParam<InfoCase> {};

TEST_P(PluginInfo, CutsToTheBufferAndAlwaysTerminates) {
    const InfoCase& c = GetParam();
    SpiModule module(c.module);
    ASSERT_TRUE(module.loaded()) << module.error();
    ASSERT_NE(module.info, nullptr);
    std::vector<char> buf(64, '#');
    int n = module.info(c.index, buf.data(), c.buflen);
    if (c.text == nullptr) {
        EXPECT_EQ(n, 0);
        EXPECT_EQ(buf[0], '#') << "wrote into the buffer without an entry";
        return;
    }
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
    EXPECT_STREQ(buf.data(), c.text);
    EXPECT_EQ(buf[static_cast<size_t>(c.buflen)], '#') << "wrote past buflen";
}

const InfoCase kInfoCases[] = {
    {"obri-image.spi", 0, 20, "00IN"},    {"obri-image.spi", 0, 5, "00IN"},
    {"obri-image.spi", 0, 4, "00I"},      {"obri-image.spi", 0, 2, "0"},
    {"obri-image.spi", 0, 1, ""},         {"obri-image.spi", 0, 0, nullptr},
    {"obri-image.spi", 0, -5, nullptr},   {"obri-image.spi", 2, 20, "*.png"},
    {"obri-image.spi", 3, 20, "PNG"},     {"obri-image.spi", 4, 20, "*.jpg;*.jpeg;*.jpe"},
    {"obri-image.spi", 4, 6, "*.jpg"},    {"obri-image.spi", 5, 20, "JPEG"},
    {"obri-image.spi", 6, 20, nullptr},   {"obri-image.spi", -1, 20, nullptr},
    {"obri-archive.spi", 0, 20, "00AM"},  {"obri-archive.spi", 0, 3, "00"},
    {"obri-archive.spi", 2, 20, "*.zip"}, {"obri-archive.spi", 3, 20, "ZIP archive"},
    {"obri-archive.spi", 6, 20, "*.7z"},  {"obri-archive.spi", 8, 20, "*.lzh;*.lha"},
    {"obri-archive.spi", 0, 0, nullptr},  {"obri-archive.spi", 100, 20, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Shipped, PluginInfo, ::testing::ValuesIn(kInfoCases));

TEST(PluginInfoList, EveryPatternHasADescriptionAndTheListEnds) {
    for (const char* name : {"obri-image.spi", "obri-archive.spi"}) {
        SpiModule module(name);
        ASSERT_TRUE(module.loaded()) << module.error();
        char name1[256];
        EXPECT_GT(module.info(1, name1, sizeof name1), 0) << name;
        int n = 0;
        for (;; ++n) {
            char pattern[256], description[256];
            if (module.info(2 * n + 2, pattern, sizeof pattern) == 0) break;
            EXPECT_EQ(pattern[0], '*') << name;
            EXPECT_GT(module.info(2 * n + 3, description, sizeof description), 0) << name << " " << pattern;
            ASSERT_LT(n, 100);
        }
        EXPECT_GE(n, 2) << name;
    }
}

TEST(PluginExports, EachPluginHasExactlyItsFunctions) {
    SpiModule image("obri-image.spi");
    SpiModule archive("obri-archive.spi");
    ASSERT_TRUE(image.loaded() && archive.loaded());
    EXPECT_TRUE(image.info && image.isSupported && image.getPicture);
    EXPECT_FALSE(image.getArchiveInfo || image.getFile);
    EXPECT_TRUE(archive.info && archive.isSupported && archive.getArchiveInfo && archive.getFile);
    EXPECT_FALSE(archive.getPicture);
}

}  // namespace
}  // namespace obri::test
