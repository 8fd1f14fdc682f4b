#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include "tests/plugins/PictureFiles.h"
#include "tests/plugins/SpiModule.h"

namespace obri::test {
namespace {

struct Member {
    std::string path;  // as stored; a trailing '/' makes a folder entry
    std::string bytes;
};

constexpr time_t kStamp = 1700000000;

// The program runs in a UTF-8 locale (Qt sets it from the environment); libarchive converts names by it.
const bool kUtf8Locale = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

std::vector<Member> sampleMembers() {
    std::string big;
    for (uint32_t i = 0; i < 300000; ++i) big.push_back(static_cast<char>((i * 7919u) >> 3));
    return {
        {"readme.txt", "hello archive\n"},
        {"pictures/", ""},
        {"pictures/title.png", makePng({"", 2, 8, false, false}, 16, 16)},
        {"pictures/deep/bg01.bin", big},
        {"empty.dat", ""},
        {"日本語/名前.txt", "utf-8 names"},
    };
}

struct Format {
    const char* name;
    int format;  // ARCHIVE_FORMAT_*
    int filter;  // ARCHIVE_FILTER_*
    const char* method;
};

std::string writeArchive(const Format& f, const std::vector<Member>& members) {
    EXPECT_TRUE(kUtf8Locale);
    archive* a = archive_write_new();
    archive_write_set_format(a, f.format);
    if (f.filter != ARCHIVE_FILTER_NONE) archive_write_add_filter(a, f.filter);
    std::vector<char> buffer(8 << 20);
    size_t used = 0;
    EXPECT_EQ(archive_write_open_memory(a, buffer.data(), buffer.size(), &used), ARCHIVE_OK)
        << archive_error_string(a);
    for (const Member& m : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname_utf8(e, m.path.c_str());
        bool folder = !m.path.empty() && m.path.back() == '/';
        archive_entry_set_filetype(e, folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(e, folder ? 0755 : 0644);
        archive_entry_set_size(e, static_cast<la_int64_t>(m.bytes.size()));
        archive_entry_set_mtime(e, kStamp, 0);
        EXPECT_EQ(archive_write_header(a, e), ARCHIVE_OK) << archive_error_string(a);
        if (!m.bytes.empty()) archive_write_data(a, m.bytes.data(), m.bytes.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    return std::string(buffer.data(), used);
}

struct Listed {
    std::string method, folder, name;
    uint32_t position, size, stamp;
};

std::vector<Listed> parseList(HLOCAL list) {
    std::vector<unsigned char> bytes = blockBytes(list);
    std::vector<Listed> out;
    size_t at = 0;
    for (; at + sizeof(SusieArchiveRecord) <= bytes.size(); at += sizeof(SusieArchiveRecord)) {
        SusieArchiveRecord r;
        std::memcpy(&r, bytes.data() + at, sizeof r);
        if (r.method[0] == 0) break;
        EXPECT_NE(std::memchr(r.path, 0, sizeof r.path), nullptr);
        EXPECT_NE(std::memchr(r.filename, 0, sizeof r.filename), nullptr);
        out.push_back(
            {std::string(reinterpret_cast<char*>(r.method), strnlen(reinterpret_cast<char*>(r.method), 8)),
             r.path, r.filename, r.position, r.filesize, r.timestamp});
    }
    EXPECT_LT(at, bytes.size()) << "no end record";
    return out;
}

class ArchivePlugin : public ::testing::TestWithParam<Format> {
  protected:
    void SetUp() override { ASSERT_TRUE(module_.loaded()) << module_.error(); }

    int list(const std::string& path, std::vector<Listed>& out) {
        HLOCAL block = reinterpret_cast<HLOCAL>(1);
        int r = module_.getArchiveInfo(path.c_str(), 0, SUSIE_INPUT_FILE, &block);
        if (r != 0) {
            EXPECT_EQ(block, nullptr);
            return r;
        }
        out = parseList(block);
        EXPECT_EQ(LocalFree(block), nullptr);
        return r;
    }
    int extract(const std::string& path, uint32_t position, std::string& bytes) {
        HLOCAL block = reinterpret_cast<HLOCAL>(1);
        int r = module_.getFile(path.c_str(), static_cast<intptr_t>(position),
                                reinterpret_cast<char*>(&block), SUSIE_OUTPUT_MEMORY, nullptr, 0);
        if (r != 0) {
            EXPECT_EQ(block, nullptr);
            return r;
        }
        std::vector<unsigned char> got = blockBytes(block);
        bytes.assign(got.begin(), got.end());
        EXPECT_EQ(LocalFree(block), nullptr);
        return r;
    }

    SpiModule module_{"obri-archive.spi"};
    TempFolder folder_;
};

TEST_P(ArchivePlugin, ListsRegularMembersAndExtractsTheirExactBytes) {
    std::vector<Member> members = sampleMembers();
    std::string path = folder_.write("a.arc", writeArchive(GetParam(), members));
    std::vector<Listed> listed;
    ASSERT_EQ(list(path, listed), 0);
    std::map<std::string, std::string> want;
    for (const Member& m : members)
        if (m.path.back() != '/') want[m.path] = m.bytes;
    ASSERT_EQ(listed.size(), want.size());
    for (const Listed& l : listed) {
        SCOPED_TRACE(l.folder + l.name);
        ASSERT_EQ(want.count(l.folder + l.name), 1u);
        const std::string& original = want[l.folder + l.name];
        EXPECT_EQ(l.method, GetParam().method);
        EXPECT_EQ(l.size, original.size());
        EXPECT_EQ(l.stamp, static_cast<uint32_t>(kStamp));
        if (!l.folder.empty()) {
            EXPECT_EQ(l.folder.back(), '/');
        }
        std::string bytes;
        ASSERT_EQ(extract(path, l.position, bytes), 0);
        EXPECT_TRUE(bytes == original) << "extracted " << bytes.size() << " bytes";
    }
}

TEST_P(ArchivePlugin, PositionsThatNameNoFileAreRefused) {
    std::string path = folder_.write("a.arc", writeArchive(GetParam(), sampleMembers()));
    std::vector<Listed> listed;
    ASSERT_EQ(list(path, listed), 0);
    std::vector<uint32_t> used;
    for (const Listed& l : listed) used.push_back(l.position);
    std::string bytes;
    for (uint32_t position : {uint32_t{1} /* the folder entry */, uint32_t{6}, uint32_t{1000}, UINT32_MAX}) {
        if (std::find(used.begin(), used.end(), position) != used.end()) continue;
        EXPECT_EQ(extract(path, position, bytes), 8) << position;
    }
}

TEST_P(ArchivePlugin, IsSupportedTakesTheArchiveInBothFormsWithoutMovingTheDescriptor) {
    std::string data = writeArchive(GetParam(), sampleMembers());
    std::string path = folder_.write("a.arc", data);
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_NE(module_.isSupported(path.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(fd))), 0);
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
    EXPECT_NE(fcntl(fd, F_GETFD), -1);
    close(fd);
    if (GetParam().format == ARCHIVE_FORMAT_7ZIP) return;  // its index sits at the end, beyond 2048 bytes
    std::vector<char> head(2048, '\0');
    std::memcpy(head.data(), data.data(), std::min(data.size(), head.size()));
    EXPECT_NE(module_.isSupported("a.arc", head.data()), 0);
}

TEST_P(ArchivePlugin, CutArchivesNeverHandOverWrongBytes) {
    std::vector<Member> members = sampleMembers();
    std::string data = writeArchive(GetParam(), members);
    std::map<std::string, std::string> want;
    for (const Member& m : members) want[m.path] = m.bytes;
    for (size_t n = 0; n < data.size(); n += 1 + data.size() / 23) {
        SCOPED_TRACE("cut to " + std::to_string(n));
        std::string path = folder_.write("cut.arc", data.substr(0, n));
        std::vector<Listed> listed;
        if (list(path, listed) != 0) continue;
        for (const Listed& l : listed) {
            std::string bytes;
            if (extract(path, l.position, bytes) == 0) {
                EXPECT_TRUE(bytes == want[l.folder + l.name]) << l.name;
            }
        }
    }
}

const Format kFormats[] = {
    {"zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, "zip"},
    {"tar", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, "tar"},
    {"tar_gz", ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_GZIP, "tar.gz"},
    {"tar_bz2", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_BZIP2, "tar.bz2"},
    {"tar_xz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_XZ, "tar.xz"},
    {"sevenzip", ARCHIVE_FORMAT_7ZIP, ARCHIVE_FILTER_NONE, "7z"},
    {"cpio", ARCHIVE_FORMAT_CPIO_SVR4_NOCRC, ARCHIVE_FILTER_NONE, "cpio"},
};
INSTANTIATE_TEST_SUITE_P(Shipped, ArchivePlugin, ::testing::ValuesIn(kFormats),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ArchivePluginNames, LongNamesAreCutToTheRecordWithTheirTerminator) {
    SpiModule module("obri-archive.spi");
    ASSERT_TRUE(module.loaded());
    TempFolder folder;
    std::string longFolder = std::string(150, 'd') + "/" + std::string(120, 'e') + "/";
    std::string longName = std::string(230, 'n') + ".png";
    std::string data = writeArchive({"zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, "zip"},
                                    {{longFolder + longName, "x"}, {"ok/" + std::string(199, 'k'), "y"}});
    std::string path = folder.write("long.zip", data);
    HLOCAL block = nullptr;
    ASSERT_EQ(module.getArchiveInfo(path.c_str(), 0, 0, &block), 0);
    std::vector<Listed> listed = parseList(block);
    LocalFree(block);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, longName.substr(0, 199));
    EXPECT_LE(listed[0].folder.size(), 199u);
    EXPECT_EQ(listed[0].folder.back(), '/');
    EXPECT_EQ(listed[1].name, std::string(199, 'k'));
    EXPECT_EQ(listed[1].folder, "ok/");
}

TEST(ArchivePluginRefusals, PicturesTextAndEmptyFilesAreNotArchives) {
    SpiModule module("obri-archive.spi");
    ASSERT_TRUE(module.loaded());
    TempFolder folder;
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"png", makePng({"", 6, 8, false, false}, 20, 20)},
        {"jpeg", makeJpeg(JpegKind::Baseline, 20, 20)},
        {"bmp", std::string("BM") + std::string(100, '\x01')},
        {"text", "name=value\nother=thing\n"},
        {"empty", ""},
        {"zeros", std::string(4096, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder.write(c.name, c.bytes);
        int fd = open(path.c_str(), O_RDONLY);
        EXPECT_EQ(module.isSupported(path.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(fd))), 0);
        close(fd);
        std::vector<char> head(2048, '\0');
        std::memcpy(head.data(), c.bytes.data(), std::min(c.bytes.size(), head.size()));
        EXPECT_EQ(module.isSupported(c.name, head.data()), 0);
        HLOCAL block = reinterpret_cast<HLOCAL>(1);
        EXPECT_NE(module.getArchiveInfo(path.c_str(), 0, 0, &block), 0);
        EXPECT_EQ(block, nullptr);
    }
}

}  // namespace
}  // namespace obri::test

namespace obri::test {
namespace {

// A tar whose only header claims far more bytes than any member may have.
std::string tarClaiming(uint64_t size) {
    std::string tar =
        writeArchive({"tar", ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_NONE, "tar"}, {{"huge.bin", "abc"}});
    char field[13];
    std::snprintf(field, sizeof field, "%011llo", static_cast<unsigned long long>(size));
    std::memcpy(&tar[124], field, 12);
    std::memset(&tar[148], ' ', 8);
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i) sum += static_cast<unsigned char>(tar[i]);
    std::snprintf(field, sizeof field, "%06o", sum);
    std::memcpy(&tar[148], field, 7);
    return tar;
}

int stopNow(int, int, intptr_t) { return 1; }

TEST(ArchivePluginLimits, OversizedMembersAndAbortsHandOverNothing) {
    SpiModule module("obri-archive.spi");
    ASSERT_TRUE(module.loaded());
    TempFolder folder;
    std::string huge = folder.write("huge.tar", tarClaiming(uint64_t{3} << 30));
    HLOCAL block = reinterpret_cast<HLOCAL>(1);
    EXPECT_EQ(
        module.getFile(huge.c_str(), 0, reinterpret_cast<char*>(&block), SUSIE_OUTPUT_MEMORY, nullptr, 0), 4);
    EXPECT_EQ(block, nullptr);

    std::string zip =
        folder.write("a.zip", writeArchive({"zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, "zip"},
                                           {{"a.txt", std::string(100000, 'a')}}));
    block = reinterpret_cast<HLOCAL>(1);
    EXPECT_EQ(
        module.getFile(zip.c_str(), 0, reinterpret_cast<char*>(&block), SUSIE_OUTPUT_MEMORY, stopNow, 0), 1);
    EXPECT_EQ(block, nullptr);
    // Writing into a folder is not offered, nor reading the archive from memory.
    std::string dest = folder.path();
    EXPECT_EQ(module.getFile(zip.c_str(), 0, dest.data(), 0, nullptr, 0), -1);
    EXPECT_EQ(
        module.getFile(zip.c_str(), 0, reinterpret_cast<char*>(&block), SUSIE_OUTPUT_MEMORY | 1u, nullptr, 0),
        -1);
}

TEST(ArchivePluginForms, MemoryFormListsLikeTheFileForm) {
    SpiModule module("obri-archive.spi");
    ASSERT_TRUE(module.loaded());
    std::string zip = writeArchive({"zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, "zip"}, sampleMembers());
    std::vector<char> exact(zip.begin(), zip.end());
    HLOCAL block = nullptr;
    ASSERT_EQ(
        module.getArchiveInfo(exact.data(), static_cast<intptr_t>(exact.size()), SUSIE_INPUT_MEMORY, &block),
        0);
    EXPECT_EQ(parseList(block).size(), 5u);
    LocalFree(block);
}

}  // namespace
}  // namespace obri::test
