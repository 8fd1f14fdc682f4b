// The shipped plug-ins as the program uses them: loaded by CSusie from the program's folder.
#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/Bitmap.h"
#include "support/TempFolder.h"
#include "susie/CSusie.h"
#include "tests/plugins/PictureFiles.h"

namespace obri::test {
namespace {

std::string zipOf(const std::vector<std::pair<std::string, std::string>>& members) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    std::vector<char> buffer(4 << 20);
    size_t used = 0;
    archive_write_open_memory(a, buffer.data(), buffer.size(), &used);
    for (const auto& [name, bytes] : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, static_cast<la_int64_t>(bytes.size()));
        archive_write_header(a, e);
        archive_write_data(a, bytes.data(), bytes.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    return std::string(buffer.data(), used);
}

void expectPixelsOf(const Bitmap& bitmap, const std::string& bytes, int tolerance) {
    QImage image = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    ASSERT_FALSE(image.isNull());
    image = image.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bitmap.width(), image.width());
    ASSERT_EQ(bitmap.height(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            uint32_t got = bitmap.pixelRgb(x, y), want = image.pixel(x, y) & 0xFFFFFFu;
            for (int shift : {0, 8, 16}) {
                int d = static_cast<int>((got >> shift) & 255) - static_cast<int>((want >> shift) & 255);
                ASSERT_LE(std::abs(d), tolerance) << x << "," << y;
            }
        }
    }
}

class ShippedThroughHost : public ::testing::Test {
  protected:
    // A folder of their own, so nothing else in the build's bin folder joins in.
    void SetUp() override {
        for (const char* name : {"obri-image.spi", "obri-archive.spi"})
            std::filesystem::copy_file(std::string(OBRI_BIN_DIR) + "/" + name, plugins_.file(name));
        ASSERT_EQ(susie_.LoadPlugins(plugins_.path()), 2);
    }
    void TearDown() override { susie_.FreePlugins(); }
    TempFolder plugins_;
    CSusie susie_;
    TempFolder folder_;
};

TEST_F(ShippedThroughHost, FilterNamesTheShippedPatterns) {
    std::string filter = susie_.BuildFilter();
    for (const char* pattern : {"*.png", "*.jpg", "*.zip", "*.7z"})
        EXPECT_NE(filter.find(pattern), std::string::npos) << pattern << " in " << filter;
}

TEST_F(ShippedThroughHost, PicturesDecodeIntoTheBitmap) {
    std::string png =
        makePng({"", 6, 8, false, false}, 23, 17);  // RGBA, over white as the reference is opaque
    std::string opaque = makePng({"", 2, 8, true, false}, 23, 17);
    std::string jpeg = makeJpeg(JpegKind::Progressive, 31, 9);
    Bitmap bitmap;
    ASSERT_EQ(susie_.LoadPicture(folder_.write("o.png", opaque), bitmap), 0);
    expectPixelsOf(bitmap, opaque, 0);
    ASSERT_EQ(susie_.LoadPicture(folder_.write("p.jpg", jpeg), bitmap), 0);
    expectPixelsOf(bitmap, jpeg, 3);
    EXPECT_EQ(susie_.LoadPicture(folder_.write("a.png", png), bitmap), 0);
    EXPECT_EQ(bitmap.width(), 23);
}

TEST_F(ShippedThroughHost, ArchiveMembersListAndDecode) {
    std::string png = makePng({"", 2, 8, false, false}, 12, 7);
    std::string jpeg = makeJpeg(JpegKind::Baseline, 9, 14);
    std::string zip =
        folder_.write("set.zip", zipOf({{"cg/title.png", png}, {"bg01.jpg", jpeg}, {"note.txt", "x"}}));
    Bitmap bitmap;
    EXPECT_EQ(susie_.LoadPicture(zip, bitmap), 1);
    ASSERT_EQ(susie_.ReadArchiveList(zip), 3);
    EXPECT_EQ(susie_.Arc[0].Name, "title.png");
    EXPECT_EQ(susie_.Arc[0].Size, static_cast<int32_t>(png.size()));
    EXPECT_EQ(susie_.Arc[1].Name, "bg01.jpg");
    ASSERT_TRUE(susie_.LoadArchivedPicture(zip, susie_.Arc[0], bitmap));
    expectPixelsOf(bitmap, png, 0);
    ASSERT_TRUE(susie_.LoadArchivedPicture(zip, susie_.Arc[1], bitmap));
    expectPixelsOf(bitmap, jpeg, 3);
    Bitmap untouched;
    EXPECT_FALSE(susie_.LoadArchivedPicture(zip, susie_.Arc[2], untouched));
}

}  // namespace
}  // namespace obri::test
