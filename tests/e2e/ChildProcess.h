#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace obri::e2e {

struct ProcessPlan {
    std::vector<std::string> argv;  // argv[0] is looked up in PATH when it has no '/'
    std::vector<std::string> env;   // "NAME=value" entries that replace or add to this process's own
    std::string cwd;                // "" keeps the current folder
    int passFd = -1;                // a descriptor handed to the child as descriptor 3
};

// A child process that dies with the test: it gets SIGKILL when the test process ends, and the
// destructor ends it when it is still running, so no Xvfb or program outlives a failed test.
class ChildProcess {
public:
    explicit ChildProcess(const ProcessPlan& plan);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    bool running();
    // The exit status once the process has ended within the time, else nullopt. A process ended by a
    // signal gives 128 + the signal's number.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    // SIGTERM, then SIGKILL when it is still there after a while.
    void stop();

private:
    int pid_ = -1;
    std::optional<int> status_;
};

struct RunResult {
    int status = -1;  // -1: did not end within the time and was killed
    std::string output;
};

// Runs a command to its end and returns its standard output (standard error goes to the test's).
RunResult run(const ProcessPlan& plan, std::chrono::milliseconds limit = std::chrono::seconds(20));

// True when the program can be found in PATH.
bool inPath(const std::string& program);

}  // namespace obri::e2e
