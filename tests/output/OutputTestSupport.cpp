#include "output/OutputTestSupport.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <stdexcept>

#include "platform/LocalMemory.h"

namespace obri::test {
namespace {

void put16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::size_t at, std::uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}
std::uint32_t get(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(in.at(at + static_cast<std::size_t>(i)));
    }
    return value;
}

OwnedBlock block(const std::string& bytes) {
    HLOCAL handle = LocalAlloc(OBRI_LMEM_FIXED, bytes.size());
    std::memcpy(LocalLock(handle), bytes.data(), bytes.size());
    LocalUnlock(handle);
    return OwnedBlock(handle);
}

class FakeArchivePlugin : public Plugin {
  public:
    FakeArchivePlugin(std::string path, std::shared_ptr<FakeMembers> members)
        : path_(std::move(path)), members_(std::move(members)) {}
    const std::string& path() const override { return path_; }
    bool loaded() const override { return true; }
    bool has(PluginFunction) const override { return true; }
    std::optional<std::string> pluginInfo(int index, int) override {
        static const char* const kInfo[] = {"00AM", "fake archives", "*.arc", "Fake archive"};
        if (index < 0 || index > 3) return std::nullopt;
        return std::string(kInfo[index]);
    }
    bool isSupportedFile(const std::string& name, int) override {
        return name.size() > 4 && name.compare(name.size() - 4, 4, ".arc") == 0;
    }
    bool isSupportedMemory(const std::string&, const std::uint8_t* data, std::size_t size) override {
        return size >= kFakePictureMark.size() &&
               std::memcmp(data, kFakePictureMark.data(), kFakePictureMark.size()) == 0;
    }
    PluginResult getPictureFile(const std::string&, std::intptr_t, OwnedBlock&, OwnedBlock&) override {
        return PluginResult::UnknownFormat;
    }
    // A 24-bit picture of the width and height in the two bytes after the mark.
    PluginResult getPictureMemory(const std::uint8_t* data, std::size_t size, OwnedBlock& info,
                                  OwnedBlock& bits) override {
        if (size < kFakePictureMark.size() + 2) return PluginResult::BrokenData;
        const int width = data[kFakePictureMark.size()];
        const int height = data[kFakePictureMark.size() + 1];
        std::string header(40, '\0');
        put32(header, 0, 40);
        put32(header, 4, static_cast<std::uint32_t>(width));
        put32(header, 8, static_cast<std::uint32_t>(height));
        put16(header, 12, 1);
        put16(header, 14, 24);
        const std::string bmp = makeBmp(width, height, 24);
        info = block(header);
        bits = block(bmp.substr(54));
        return PluginResult::Success;
    }
    PluginResult getArchiveInfo(const std::string&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getFile(const std::string&, std::uint32_t position, OwnedBlock& member) override {
        const auto found = members_->find(position);
        if (found == members_->end()) return PluginResult::ReadError;
        member = block(found->second);
        return PluginResult::Success;
    }

  private:
    std::string path_;
    std::shared_ptr<FakeMembers> members_;
};

class FakeArchiveLoader : public PluginLoader {
  public:
    explicit FakeArchiveLoader(std::shared_ptr<FakeMembers> members) : members_(std::move(members)) {}
    std::unique_ptr<Plugin> load(const std::string& path) override {
        return std::make_unique<FakeArchivePlugin>(path, members_);
    }

  private:
    std::shared_ptr<FakeMembers> members_;
};

}  // namespace

std::string makeBmp(int width, int height, int bits, const std::vector<std::uint32_t>& palette) {
    const bool indexed = bits <= 8;
    const std::size_t colours = indexed ? palette.size() : 0;
    const std::size_t stride =
        ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
    const std::size_t offset = 54 + 4 * colours;
    std::string out(offset + stride * static_cast<std::size_t>(height), '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, static_cast<std::uint32_t>(offset));
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, static_cast<std::uint32_t>(bits));
    put32(out, 46, static_cast<std::uint32_t>(colours));
    for (std::size_t i = 0; i < colours; ++i) put32(out, 54 + 4 * i, palette[i]);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            const auto px = static_cast<std::size_t>(x);
            if (indexed) {
                const auto index = static_cast<unsigned>((x + y) % static_cast<int>(colours ? colours : 1));
                if (bits == 8) {
                    out[row + px] = static_cast<char>(index);
                } else {  // 4 bits, high nibble first
                    char& byte = out[row + px / 2];
                    byte = static_cast<char>(byte | static_cast<char>(px % 2 ? index : index << 4));
                }
            } else {
                const std::size_t at = row + px * static_cast<std::size_t>(bits / 8);
                out[at] = static_cast<char>(x * 40);
                out[at + 1] = static_cast<char>(y * 60);
                out[at + 2] = static_cast<char>(200);
            }
        }
    }
    return out;
}

int bmpBits(const std::string& bmp) { return bmp.size() < 54 ? 0 : static_cast<int>(get(bmp, 28, 2)); }
int bmpWidth(const std::string& bmp) { return bmp.size() < 54 ? 0 : static_cast<int>(get(bmp, 18, 4)); }

std::vector<std::uint32_t> bmpPalette(const std::string& bmp) {
    std::vector<std::uint32_t> palette;
    if (bmp.size() < 54) return palette;
    const std::size_t offset = get(bmp, 10, 4);
    for (std::size_t at = 14 + get(bmp, 14, 4); at + 4 <= offset; at += 4) {
        palette.push_back(get(bmp, at, 4) & 0xFFFFFF);
    }
    return palette;
}

std::string writeScript(const TempFolder& folder, const std::string& name, const std::string& body) {
    const std::string path = folder.write(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

std::unique_ptr<CSusie> makeSusieWithFakeArchives(const TempFolder& folder,
                                                  std::shared_ptr<FakeMembers> members) {
    auto susie = std::make_unique<CSusie>(std::make_unique<FakeArchiveLoader>(std::move(members)));
    std::filesystem::create_directories(folder.file("plugins"));
    folder.write("plugins/fake.spi", "");
    susie->LoadPlugins(folder.file("plugins"));
    return susie;
}

void makeUnreadableFile(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) throw std::runtime_error("no socket for " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
    if (bound != 0) throw std::runtime_error("cannot bind " + path);
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool isHistoryHeader(const std::string& line, const std::string& sentence) {
    static const std::regex stamp("^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
    const std::size_t stampLength = 19;
    return line.size() == stampLength + sentence.size() && std::regex_search(line, stamp) &&
           line.compare(stampLength, std::string::npos, sentence) == 0;
}

}  // namespace obri::test
