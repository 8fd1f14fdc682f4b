#include "output/PmsBatch.h"

#include <cstdint>
#include <exception>
#include <optional>

#include "output/HistoryLog.h"
#include "platform/Bitmap.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/Texts.h"
#include "susie/CSusie.h"

namespace obri {
namespace {

constexpr char kListName[] = "OBRI.hed";

bool holdsControlCharacter(const std::string& text) { return oneLineText(text) != text; }

// Decodes the row into bitmap; false when nothing could be decoded. A plug-in that fails on one
// picture costs that row only, not the batch.
bool decodeRow(const CheckedRow& row, CSusie& susie, Bitmap& bitmap) try {
    bool decoded = false;
    if (row.ArcName.empty()) {
        decoded = susie.LoadPicture(row.FullPathName, bitmap) == kPictureLoaded;
    } else {
        const std::optional<ARC> entry = entryOf(row);
        if (!entry) return false;
        decoded = susie.LoadArchivedPicture(row.ArcName, *entry, bitmap);
    }
    return decoded && bitmap.width() > 0 && bitmap.height() > 0;
} catch (const std::exception&) {
    return false;
}

// Our own work folder only: a link or a folder of someone else counts as missing.
void requireWorkFolder(const std::string& tempDir, const std::string& bmpWorkFile) {
    std::string folder = tempDir;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || !paths::isUsableWorkFolder(folder)) throwCannotCreate(bmpWorkFile);
}

const char* moveFailure(paths::MoveResult result) {
    switch (result) {
        case paths::MoveResult::Moved:
            return nullptr;
        case paths::MoveResult::TargetExists:
            return texts::kReasonPmsExists;
        case paths::MoveResult::SourceMissing:
            return texts::kReasonNoPmsMade;
        case paths::MoveResult::Failed:
            break;
    }
    return texts::kReasonNotMoved;
}

// Steps 1 to 7 of one row; the reason it failed, or nullptr.
const char* convertRow(const PmsBatchInput& input, const CheckedRow& row, const RowNames& names,
                       CSusie& susie, const MakeServices& services) {
    if (!names.safe) return texts::kReasonBadName;
    Bitmap bitmap;  // fresh for every row: nothing of an earlier row's picture carries over
    if (!decodeRow(row, susie, bitmap)) return texts::kReasonNotDecoded;
    if (bitmap.pixelFormat() != PixelFormat::Bits8) bitmap.setPixelFormat(PixelFormat::Bits24);

    const std::string bmpWorkFile = input.TempDir + names.bmpName;
    const std::string pmsWorkFile = input.TempDir + names.pmsName;
    requireWorkFolder(input.TempDir, bmpWorkFile);
    // A PMS work file left by a run that was killed must not pass for this converter's output.
    paths::deleteFile(pmsWorkFile);
    bitmap.saveToFile(bmpWorkFile);

    const RunOutcome outcome = services.run(input.ConverterPath, bmpWorkFile, services.whileWaiting);
    // The converter ran with the user's rights: if the folder it returns to is no longer our own,
    // nothing is moved out of it or deleted in it.
    requireWorkFolder(input.TempDir, bmpWorkFile);
    const char* reason = nullptr;
    if (outcome.how == RunOutcome::How::NotStarted) {
        reason = texts::kReasonConverterNotStarted;
    } else if (!outcome.succeeded()) {
        reason = texts::kReasonConverterFailed;
    } else {
        reason = moveFailure(paths::moveFile(pmsWorkFile, input.PmsDir + names.pmsName));
    }
    paths::deleteFile(bmpWorkFile);
    paths::deleteFile(pmsWorkFile);
    return reason;
}

}  // namespace

RowNames rowNames(const CheckedRow& row) {
    const bool member = !row.ArcName.empty();
    std::string name = row.FileName;
    const auto cut = name.find_last_of(member ? "/\\" : "/");
    if (cut != std::string::npos) name.erase(0, cut + 1);

    RowNames names;
    names.safe = !name.empty() && name != "." && name != ".." && !holdsControlCharacter(name);
    if (!names.safe) return names;
    names.bmpName = paths::changeFileExt(name, ".bmp");
    names.pmsName = paths::changeFileExt(names.bmpName, ".pms");
    return names;
}

ClosingMessage PmsBatchReport::message() const {
    if (noRows) return {ClosingMessage::Kind::Warning, texts::kNoFilesSelected};
    if (failed.empty()) return {ClosingMessage::Kind::Information, texts::kPmsCreated};
    std::string text = texts::kSomeNotConverted;
    for (const FailedRow& row : failed) text += "\n" + oneLineText(row.FileName) + " : " + row.reason;
    return {ClosingMessage::Kind::Warning, text};
}

PmsBatchReport runPmsBatch(const PmsBatchInput& input, CSusie& susie, const MakeServices& services) {
    PmsBatchReport report;
    if (input.rows.empty()) {
        report.noRows = true;
        return report;
    }
    const int count = static_cast<int>(input.rows.size());

    std::vector<std::string> list;
    HistoryLog history(input.historyPath);
    history.open();
    history.addHeader(texts::kHistoryConverted, services.clock());

    for (int i = 0; i < count; ++i) {
        const CheckedRow& row = input.rows[static_cast<std::size_t>(i)];
        const RowNames names = rowNames(row);
        if (const char* reason = convertRow(input, row, names, susie, services)) {
            report.failed.push_back({row.FileName, reason});
        }
        // Every row keeps its line, whatever happened, so that link numbers stay stable.
        list.push_back("1," + names.pmsName);
        history.addDetail(oneLineText(row.FileName) + "->" + names.pmsName);
        if (services.progress) services.progress(count - 1, i);
    }
    textfile::saveLines(input.PmsDir + kListName, list);
    history.save();
    return report;
}

}  // namespace obri
