#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "susie/Plugin.h"

namespace obri {

class Bitmap;

// One archive member.
struct ARC {
    std::string Name;
    std::int32_t Position = 0;
    std::int32_t Size = 0;
};

// Status of LoadPicture.
inline constexpr int kPictureLoaded = 0;
inline constexpr int kPictureIsArchive = 1;
inline constexpr int kPictureNotRead = 2;

// The plug-in host: the table of loaded plug-ins and the entry table of the archive expanded last.
class CSusie {
public:
    static constexpr int kMaxArc = 10000;
    static constexpr int kMaxPlugins = 1000;

    explicit CSusie(std::unique_ptr<PluginLoader> loader = makeInProcessPluginLoader());
    virtual ~CSusie();
    CSusie(const CSusie&) = delete;
    CSusie& operator=(const CSusie&) = delete;

    std::vector<ARC> Arc;  // always kMaxArc rows
    int PluginCount = 0;

    int LoadPlugins(const std::string& folder);
    int FreePlugins();
    std::string BuildFilter();

    // 0: the picture is in bitmap; 1: the file is an archive; 2: missing, or nothing reads it.
    int LoadPicture(const std::string& path, Bitmap& bitmap);
    // Rows written to Arc from row 0; 0 when nothing takes the file.
    int ReadArchiveList(const std::string& path);
    // True when a picture was drawn into bitmap; the bitmap is unchanged otherwise.
    bool LoadArchivedPicture(const std::string& arcPath, ARC entry, Bitmap& bitmap);

    // Slot i of the plug-in table (0 .. PluginCount-1).
    Plugin& plugin(int slot) { return *plugins_[static_cast<std::size_t>(slot)]; }

private:
    bool decodeMember(const std::string& name, const std::uint8_t* data, std::size_t size, Bitmap& bitmap);

    std::unique_ptr<PluginLoader> loader_;
    std::vector<std::unique_ptr<Plugin>> plugins_;
};

}  // namespace obri
