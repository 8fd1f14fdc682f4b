#include "e2e/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace obri::e2e {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> entries;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        entries[entry.substr(0, entry.find('='))] = entry;
    }
    for (const auto& entry : overrides) entries[entry.substr(0, entry.find('='))] = entry;
    std::vector<std::string> merged;
    for (auto& [name, entry] : entries) merged.push_back(entry);
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeChild(const ProcessPlan& plan, pid_t parent, char** argv, char** envp, int outFd) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    if (outFd >= 0) dup2(outFd, 1);
    if (plan.passFd >= 0) {
        if (plan.passFd != 3) dup2(plan.passFd, 3);
        fcntl(3, F_SETFD, 0);
    }
    if (!plan.cwd.empty() && chdir(plan.cwd.c_str()) != 0) _exit(127);
    execvpe(argv[0], argv, envp);
    _exit(127);
}

int decodeStatus(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

pid_t startChild(const ProcessPlan& plan, int outFd) {
    if (plan.argv.empty()) throw std::invalid_argument("no program to run");
    std::vector<std::string> args = plan.argv;
    std::vector<std::string> env = mergedEnvironment(plan.env);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) becomeChild(plan, parent, argv.data(), envp.data(), outFd);
    return pid;
}

}  // namespace

ChildProcess::ChildProcess(const ProcessPlan& plan) : pid_(startChild(plan, -1)) {}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::running() { return !waitFor(std::chrono::milliseconds(0)); }

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds limit) {
    if (status_) return status_;
    auto end = Clock::now() + limit;
    for (;;) {
        int raw = 0;
        pid_t got = waitpid(pid_, &raw, WNOHANG);
        if (got == pid_) {
            status_ = decodeStatus(raw);
            return status_;
        }
        if (got < 0 || Clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ChildProcess::stop() {
    if (status_ || pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (waitFor(std::chrono::seconds(3))) return;
    kill(pid_, SIGKILL);
    waitFor(std::chrono::seconds(5));
}

RunResult run(const ProcessPlan& plan, std::chrono::milliseconds limit) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = startChild(plan, fds[1]);
    close(fds[1]);
    RunResult result;
    auto end = Clock::now() + limit;
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fds[0], POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        result.output.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (Clock::now() >= end) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.status = decodeStatus(raw);
    return result;
}

bool inPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace obri::e2e
