#include "output/AldBuild.h"

#include "output/HistoryLog.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/Texts.h"

namespace obri {
namespace {

constexpr char kListName[] = "OBRI.hed";
constexpr char kDirectiveName[] = "OBRI_DIR.HED";

}  // namespace

std::vector<std::string> linkNumberText(const std::vector<std::string>& listLines) {
    std::vector<std::string> text{texts::kLinkNumberTitle};
    text.reserve(listLines.size() + 1);
    for (std::size_t i = 0; i < listLines.size(); ++i) {
        const std::string& line = listLines[i];
        text.push_back(std::to_string(i + 1) + "=" + (line.size() > 2 ? line.substr(2) : std::string()));
    }
    return text;
}

std::vector<std::string> directiveLines(const AldBuildInput& input) {
    return {"#NL", input.PmsDir + kListName, input.PmsDir, input.AldFile, "AUTO"};
}

ClosingMessage AldBuildReport::message() const {
    switch (result) {
        case Result::NoPmsList:
            return {ClosingMessage::Kind::Warning, texts::kNoPmsYet};
        case Result::LinkerFailed:
            return {ClosingMessage::Kind::Warning, texts::kAldFailed};
        case Result::Built:
            break;
    }
    return {ClosingMessage::Kind::Information, texts::kAldCreated};
}

AldBuildReport runAldBuild(const AldBuildInput& input, const MakeServices& services) {
    AldBuildReport report;
    const std::string listPath = input.PmsDir + kListName;
    if (!paths::fileExists(listPath)) return report;

    textfile::saveLines(paths::changeFileExt(input.AldFile, ".txt"),
                        linkNumberText(textfile::loadLines(listPath)));
    const std::string directivePath = input.ExeDir + kDirectiveName;
    const std::vector<std::string> directive = directiveLines(input);
    // A line end inside a path would split its line and point the linker at other files.
    for (const std::string& line : directive)
        if (line.find_first_of("\r\n") != std::string::npos) throwCannotCreate(directivePath);
    textfile::saveLines(directivePath, directive);

    report.linker = services.run(input.LinkerPath, directivePath, services.whileWaiting);
    report.result = report.linker.succeeded() && paths::fileExists(input.AldFile)
                        ? AldBuildReport::Result::Built
                        : AldBuildReport::Result::LinkerFailed;
    if (report.result == AldBuildReport::Result::Built) {
        // A failing save raises here, so the directive file stays, as it always has.
        HistoryLog history(input.historyPath);
        history.open();
        history.addHeader(texts::kHistoryCreated, services.clock());
        history.addDetail(oneLineText(input.AldFile));
        history.save();
    }
    paths::deleteFile(directivePath);
    return report;
}

}  // namespace obri
