// Decoding pictures and archive members through the plug-in table.
#include <cstring>
#include <exception>
#include <filesystem>
#include <span>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"
#include "platform/Texts.h"
#include "susie/ArchiveList.h"
#include "susie/CSusie.h"

namespace obri {
namespace {

constexpr int kVersionBufferSize = 20;
// Where a picture may start in files that carry a 128-byte preamble.
constexpr std::intptr_t kRetryOffset = 128;

bool asks(Plugin& plugin, PluginFunction function) { return plugin.loaded() && plugin.has(function); }

bool startsWithBM(const std::uint8_t* data, std::size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

// Nothing is drawn unless the call succeeded with two blocks the bitmap can use.
bool drawDecoded(PluginResult result, const OwnedBlock& info, const OwnedBlock& bits, Bitmap& bitmap) {
    if (result != PluginResult::Success || !info.valid() || !bits.valid()) return false;
    return bitmap.drawDib(info.data(), info.size(), bits.data(), bits.size());
}

// Two texts in one pattern, each placed once, so a '%s' inside the first is left alone.
std::string pluginThrewText(std::string_view pluginPath, std::string_view filePath) {
    std::string_view pattern = texts::kPluginThrew;
    const auto first = pattern.find("%s");
    const auto second = pattern.find("%s", first + 2);
    std::string text(pattern.substr(0, first));
    text += pluginPath;
    text += pattern.substr(first + 2, second - first - 2);
    text += filePath;
    text += pattern.substr(second + 2);
    return text;
}

// Only regular files are offered: opening a FIFO would block, and a device never ends.
bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool isBitmapFile(const std::string& path, ReadOnlyFile& file) {
    std::uint8_t head[2] = {};
    const std::size_t got = file.read(head, sizeof head);
    return paths::extractFileExt(path) == ".bmp" || startsWithBM(head, got);
}

}  // namespace

int CSusie::LoadPicture(const std::string& path, Bitmap& bitmap) {
    if (!paths::fileExists(path) || !isRegularFile(path)) return kPictureNotRead;
    ReadOnlyFile file(path);
    if (!file.isOpen()) return kPictureNotRead;
    if (isBitmapFile(path, file)) {
        file.close();
        try {
            bitmap.loadFromFile(path);
            return kPictureLoaded;
        } catch (const std::exception&) {
            // Not a bitmap after all: the plug-ins may still read it.
        }
        file = ReadOnlyFile(path);
        if (!file.isOpen()) return kPictureNotRead;
    }
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!asks(p, PluginFunction::IsSupported) || !p.isSupportedFile(path, file.handle())) continue;
        // The first plug-in that takes the file decides; no later one is asked.
        const auto version = p.pluginInfo(0, kVersionBufferSize);
        if (version && version->find("AM") != std::string::npos) return kPictureIsArchive;
        file.close();
        OwnedBlock info, bits;
        PluginResult result = p.getPictureFile(path, 0, info, bits);
        if (result == PluginResult::Threw) {
            result = p.getPictureFile(path, kRetryOffset, info, bits);
            if (result == PluginResult::Threw) throw PlatformError(pluginThrewText(p.path(), path));
        }
        return drawDecoded(result, info, bits, bitmap) ? kPictureLoaded : kPictureNotRead;
    }
    return kPictureNotRead;
}

int CSusie::ReadArchiveList(const std::string& path) {
    if (!isRegularFile(path)) return 0;
    ReadOnlyFile file(path);
    if (!file.isOpen()) return 0;
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!asks(p, PluginFunction::IsSupported) || !p.isSupportedFile(path, file.handle())) continue;
        file.close();
        OwnedBlock list;
        if (p.getArchiveInfo(path, list) != PluginResult::Success || !list.valid()) return 0;
        return static_cast<int>(readArchiveRecords(list.data(), list.size(), std::span<ARC>(Arc)));
    }
    return 0;
}

bool CSusie::LoadArchivedPicture(const std::string& arcPath, ARC entry, Bitmap& bitmap) {
    if (!isRegularFile(arcPath)) return false;
    ReadOnlyFile file(arcPath);
    if (!file.isOpen()) return false;
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!asks(p, PluginFunction::IsSupported) || !p.isSupportedFile(arcPath, file.handle())) continue;
        file.close();
        OwnedBlock member;
        if (p.getFile(arcPath, static_cast<std::uint32_t>(entry.Position), member) != PluginResult::Success ||
            !member.valid()) {
            return false;
        }
        // A block shorter than the listed size counts as a failed extraction: nothing past it is read.
        const auto size = static_cast<std::uint32_t>(entry.Size);
        if (member.size() < size) return false;
        return decodeMember(entry.Name, member.data(), size, bitmap);
    }
    return false;
}

bool CSusie::decodeMember(const std::string& name, const std::uint8_t* data, std::size_t size,
                          Bitmap& bitmap) {
    if (startsWithBM(data, size)) {
        try {
            bitmap.loadFromMemory(data, size);
            return true;
        } catch (const std::exception&) {
            // Offered to the image plug-ins instead.
        }
    }
    // Every plug-in that takes the member draws it, so the last one's picture remains.
    bool drawn = false;
    for (int slot = 0; slot < PluginCount; ++slot) {
        Plugin& p = plugin(slot);
        if (!asks(p, PluginFunction::IsSupported) || !p.has(PluginFunction::GetPicture)) continue;
        if (!p.isSupportedMemory(name, data, size)) continue;
        OwnedBlock info, bits;
        const PluginResult result = p.getPictureMemory(data, size, info, bits);
        if (drawDecoded(result, info, bits, bitmap)) drawn = true;
    }
    return drawn;
}

}  // namespace obri
