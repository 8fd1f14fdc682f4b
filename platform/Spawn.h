#pragma once
#include <functional>
#include <string>

namespace obri {

struct RunOutcome {
    enum class How { NotStarted, Exited, Signalled };
    How how = How::NotStarted;
    int code = 0;  // exit status, or the signal number
    bool succeeded() const { return how == How::Exited && code == 0; }
};

// Runs program with exactly one argument (argv = {program, argument}), no shell, and waits for it.
// whileWaiting, when given, is called every few milliseconds until the child ends, so that a window
// can keep painting.
RunOutcome runAndWait(const std::string& program, const std::string& argument,
                      const std::function<void()>& whileWaiting = {});

}  // namespace obri
