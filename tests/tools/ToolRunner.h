#pragma once
// Runs a stand-in tool from the build's bin folder and collects its exit status and messages.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace obri::test {

struct ToolRun {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string errors;
};

inline ToolRun runTool(const std::string& tool, const std::vector<std::string>& args,
                       const TempFolder& logs) {
    std::string program = std::string(OBRI_BIN_DIR) + "/" + tool;
    std::string errPath = logs.file("stderr.log");
    pid_t pid = fork();
    if (pid == 0) {
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        std::vector<char*> argv{program.data()};
        std::vector<std::string> copies = args;
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ToolRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.errors = readFile(errPath);
    return run;
}

}  // namespace obri::test
