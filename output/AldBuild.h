#pragma once
#include <string>
#include <vector>

#include "output/MakeServices.h"

namespace obri {

struct AldBuildInput {
    std::string PmsDir;  // a plain prefix, taken as it is
    std::string AldFile;
    std::string LinkerPath;
    std::string ExeDir;  // ending in '/'
    std::string historyPath;
};

// The CG link-number text for the lines of OBRI.hed: the title, then k=line without its first
// two bytes.
std::vector<std::string> linkNumberText(const std::vector<std::string>& listLines);
// The five lines of OBRI_DIR.HED.
std::vector<std::string> directiveLines(const AldBuildInput& input);

struct AldBuildReport {
    enum class Result { NoPmsList, Built, LinkerFailed };
    Result result = Result::NoPmsList;
    RunOutcome linker;
    ClosingMessage message() const;
};

// The ALD build: reads PmsDir + "OBRI.hed", writes the link-number text beside the ALD file and
// ExeDir + "OBRI_DIR.HED", runs the linker on it, records a build that made the ALD file in the
// history and deletes the directive file. Files that cannot be opened or created raise
// PlatformError and stop the build at that step.
AldBuildReport runAldBuild(const AldBuildInput& input, const MakeServices& services);

}  // namespace obri
