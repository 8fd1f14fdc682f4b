#include "platform/Spawn.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace obri {

namespace {

// Checked before spawning so that "could not start" never depends on how the C library reports
// a failed exec (older ones only through exit status 127).
bool isRunnable(const std::string& program) {
    struct stat info {};
    return !program.empty() && ::stat(program.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(program.c_str(), X_OK) == 0;
}

RunOutcome outcomeOf(int status) {
    if (WIFEXITED(status)) return {RunOutcome::How::Exited, WEXITSTATUS(status)};
    if (WIFSIGNALED(status)) return {RunOutcome::How::Signalled, WTERMSIG(status)};
    return {RunOutcome::How::Exited, -1};
}

// A child that cannot be waited for (SIGCHLD ignored elsewhere) did not end in a known way.
constexpr RunOutcome kUnknownEnd{RunOutcome::How::Exited, -1};

RunOutcome waitBlocking(pid_t child) {
    int status = 0;
    for (;;) {
        if (::waitpid(child, &status, 0) == child) return outcomeOf(status);
        if (errno != EINTR) return kUnknownEnd;
    }
}

RunOutcome waitPolling(pid_t child, const std::function<void()>& whileWaiting) {
    const timespec pause{0, 15 * 1000 * 1000};
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) return outcomeOf(status);
        if (done < 0 && errno != EINTR) return kUnknownEnd;
        whileWaiting();
        ::nanosleep(&pause, nullptr);
    }
}

// The child starts with default signal handling and nothing blocked, whatever the program set up.
struct SpawnAttributes {
    posix_spawnattr_t attr{};
    bool ready = false;
    SpawnAttributes() {
        if (::posix_spawnattr_init(&attr) != 0) return;
        ready = true;
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        ::posix_spawnattr_setsigdefault(&attr, &all);
        ::posix_spawnattr_setsigmask(&attr, &none);
        ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnAttributes() {
        if (ready) ::posix_spawnattr_destroy(&attr);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

}  // namespace

RunOutcome runAndWait(const std::string& program, const std::string& argument,
                      const std::function<void()>& whileWaiting) {
    if (!isRunnable(program)) return {};
    std::string name = program, arg = argument;
    std::vector<char*> argv{name.data(), arg.data(), nullptr};
    SpawnAttributes attributes;
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, attributes.ready ? &attributes.attr : nullptr,
                      argv.data(), environ) != 0)
        return {};
    return whileWaiting ? waitPolling(child, whileWaiting) : waitBlocking(child);
}

}  // namespace obri
