#pragma once
// Replacing a file whole, shared by the text files and the bitmap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace obri {

struct ByteRange {
    const std::uint8_t* data;
    std::size_t size;
};

struct ReplaceOptions {
    // Sync the file and its folder before returning (texts); pictures skip it for speed.
    bool durable = true;
    // Which error a failed write raises: "ﾌｧｲﾙ %s を作成できません" or "%s に書き込めません".
    bool writeFailureIsCreateError = true;
};

// Replaces the file with the parts, one after another, through a temporary beside it, so that a
// failed write (a full disk) leaves the old file as it was. Follows links to the real file; keeps
// its permission bits. As on the original platform a read-only or special file cannot be created
// anew, and a file without any write permission counts as read-only even for the superuser. A file
// with other names or another owner, or in a folder where no new name can be made, is written in
// place. Raises "ﾌｧｲﾙ %s を作成できません" when the file cannot be created.
void replaceFile(const std::string& path, const std::vector<ByteRange>& parts, ReplaceOptions options);

}  // namespace obri
