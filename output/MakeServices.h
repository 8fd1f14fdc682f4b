#pragma once
#include <ctime>
#include <functional>
#include <string>

#include "platform/Spawn.h"

namespace obri {

// What a make operation needs from around it; the window gives the real ones, tests their own.
struct MakeServices {
    using Runner = std::function<RunOutcome(const std::string& program, const std::string& argument,
                                            const std::function<void()>& whileWaiting)>;
    Runner run = &runAndWait;
    // Range maximum and position of the progress bar.
    std::function<void(int maximum, int position)> progress;
    // Called while an outside program runs, so the window can keep painting.
    std::function<void()> whileWaiting;
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };
};

// How the window tells the user how an operation ended.
struct ClosingMessage {
    enum class Kind { None, Warning, Information };
    Kind kind = Kind::None;
    std::string text;
};

}  // namespace obri
