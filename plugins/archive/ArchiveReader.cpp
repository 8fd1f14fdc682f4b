#include "plugins/archive/ArchiveReader.h"

#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "plugins/common/PluginSupport.h"

namespace obri::plugin {

namespace {
constexpr size_t kBlock = 64 * 1024;
}

ArchiveReader::ArchiveReader(int fd, bool ownsFd, off_t base, bool seekable)
    : fd_(fd), ownsFd_(ownsFd), seekable_(seekable), base_(base) {}

ArchiveReader::ArchiveReader(const unsigned char* data, size_t size) : data_(data), dataSize_(size) {}

ArchiveReader::~ArchiveReader() {
    if (archive_ != nullptr) archive_read_free(archive_);
    if (ownsFd_ && fd_ >= 0) close(fd_);
}

bool ArchiveReader::open() {
    if (data_ == nullptr && fd_ < 0) return false;
    archive_ = archive_read_new();
    if (archive_ == nullptr) return false;
    // Named one by one: "raw" and "empty" would take any file, mtree and uu plain text, and some
    // filters would start outside programs.
    archive_read_support_format_7zip(archive_);
    archive_read_support_format_ar(archive_);
    archive_read_support_format_cab(archive_);
    archive_read_support_format_cpio(archive_);
    archive_read_support_format_iso9660(archive_);
    archive_read_support_format_lha(archive_);
    archive_read_support_format_rar(archive_);
    archive_read_support_format_rar5(archive_);
    archive_read_support_format_tar(archive_);
    archive_read_support_format_xar(archive_);
    archive_read_support_format_zip(archive_);
    archive_read_support_filter_gzip(archive_);
    archive_read_support_filter_bzip2(archive_);
    archive_read_support_filter_xz(archive_);
    archive_read_support_filter_lzma(archive_);
    archive_read_support_filter_lzip(archive_);
    archive_read_support_filter_zstd(archive_);
    archive_read_support_filter_lz4(archive_);
    archive_read_support_filter_compress(archive_);
    archive_read_set_callback_data(archive_, this);
    archive_read_set_read_callback(archive_, readCallback);
    archive_read_set_skip_callback(archive_, skipCallback);
    if (seekable_) archive_read_set_seek_callback(archive_, seekCallback);
    return archive_read_open1(archive_) == ARCHIVE_OK;
}

int ArchiveReader::next(archive_entry** entry) { return archive_read_next_header(archive_, entry); }

la_ssize_t ArchiveReader::readCallback(archive*, void* self, const void** buffer) {
    auto* reader = static_cast<ArchiveReader*>(self);
    if (reader->data_ != nullptr) {
        size_t pos = static_cast<size_t>(reader->pos_);
        if (pos >= reader->dataSize_) return 0;
        *buffer = reader->data_ + pos;
        size_t n = reader->dataSize_ - pos;
        reader->pos_ += static_cast<int64_t>(n);
        return static_cast<la_ssize_t>(n);
    }
    if (reader->buffer_.empty()) reader->buffer_.resize(kBlock);
    ssize_t n =
        readAt(reader->fd_, reader->buffer_.data(), kBlock, reader->base_ + static_cast<off_t>(reader->pos_));
    if (n < 0) {
        reader->readFailed_ = true;
        return -1;
    }
    reader->pos_ += n;
    *buffer = reader->buffer_.data();
    return n;
}

int64_t ArchiveReader::sourceSize() {
    if (data_ != nullptr) return static_cast<int64_t>(dataSize_);
    if (size_ < 0) {
        struct stat st {};
        size_ = fstat(fd_, &st) == 0 && st.st_size > base_ ? static_cast<int64_t>(st.st_size - base_) : 0;
    }
    return size_;
}

la_int64_t ArchiveReader::skipCallback(archive*, void* self, la_int64_t request) {
    auto* reader = static_cast<ArchiveReader*>(self);
    if (request <= 0) return 0;
    int64_t left = reader->sourceSize() - reader->pos_;
    int64_t n = request < left ? request : (left > 0 ? left : 0);
    reader->pos_ += n;
    return n;
}

la_int64_t ArchiveReader::seekCallback(archive*, void* self, la_int64_t offset, int whence) {
    auto* reader = static_cast<ArchiveReader*>(self);
    int64_t target = offset;
    if (whence == SEEK_CUR) target += reader->pos_;
    if (whence == SEEK_END) target += reader->sourceSize();
    if (target < 0) return ARCHIVE_FATAL;
    reader->pos_ = target;
    return target;
}

std::string ArchiveReader::methodText() const {
    std::string text;
    switch (archive_format(archive_) & ARCHIVE_FORMAT_BASE_MASK) {
        case ARCHIVE_FORMAT_ZIP:
            text = "zip";
            break;
        case ARCHIVE_FORMAT_TAR:
            text = "tar";
            break;
        case ARCHIVE_FORMAT_7ZIP:
            text = "7z";
            break;
        case ARCHIVE_FORMAT_LHA:
            text = "lha";
            break;
        case ARCHIVE_FORMAT_CPIO:
            text = "cpio";
            break;
        case ARCHIVE_FORMAT_ISO9660:
            text = "iso";
            break;
        case ARCHIVE_FORMAT_RAR:
        case ARCHIVE_FORMAT_RAR_V5:
            text = "rar";
            break;
        case ARCHIVE_FORMAT_AR:
            text = "ar";
            break;
        case ARCHIVE_FORMAT_CAB:
            text = "cab";
            break;
        case ARCHIVE_FORMAT_XAR:
            text = "xar";
            break;
        default:
            text = "archive";
            break;
    }
    const char* suffix = nullptr;
    switch (archive_filter_code(archive_, 0)) {
        case ARCHIVE_FILTER_GZIP:
            suffix = ".gz";
            break;
        case ARCHIVE_FILTER_BZIP2:
            suffix = ".bz2";
            break;
        case ARCHIVE_FILTER_XZ:
            suffix = ".xz";
            break;
        case ARCHIVE_FILTER_LZMA:
            suffix = ".lzma";
            break;
        case ARCHIVE_FILTER_LZIP:
            suffix = ".lz";
            break;
        case ARCHIVE_FILTER_ZSTD:
            suffix = ".zst";
            break;
        case ARCHIVE_FILTER_LZ4:
            suffix = ".lz4";
            break;
        case ARCHIVE_FILTER_COMPRESS:
            suffix = ".Z";
            break;
        default:
            break;
    }
    if (suffix != nullptr && text.size() + strlen(suffix) <= 8) text += suffix;
    return text.substr(0, 8);
}

}  // namespace obri::plugin
