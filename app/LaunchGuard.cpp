#include "app/LaunchGuard.h"

#include "platform/Texts.h"

namespace obri {

std::string argumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

bool launchTokenMatches(const std::string& argumentText) { return argumentText == texts::kLaunchToken; }

}  // namespace obri
