#include <fstream>
#include <ostream>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Spawn.h"
#include "support/TempFolder.h"

namespace obri {
namespace {

using How = RunOutcome::How;

class Spawn : public ::testing::Test {
  protected:
    test::TempFolder temp;
    std::string script(const std::string& name, const std::string& body, mode_t mode = 0755) {
        std::string path = temp.write(name, "#!/bin/sh\n" + body + "\n");
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
        return path;
    }
};

struct EndCase {
    const char* label;
    const char* body;
    How how;
    int code;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.label; }

class SpawnEnds : public Spawn, public ::testing::WithParamInterface<EndCase> {};

TEST_P(SpawnEnds, ReportsHowTheProgramEnded) {
    std::string program = script("p.sh", GetParam().body);
    for (bool polling : {false, true}) {
        std::function<void()> idle;
        if (polling) idle = [] {};
        RunOutcome outcome = runAndWait(program, "arg", idle);
        EXPECT_EQ(outcome.how, GetParam().how) << "polling " << polling;
        EXPECT_EQ(outcome.code, GetParam().code) << "polling " << polling;
        EXPECT_EQ(outcome.succeeded(), GetParam().how == How::Exited && GetParam().code == 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SpawnEnds,
                         ::testing::Values(EndCase{"exit0", "exit 0", How::Exited, 0},
                                           EndCase{"exit3", "exit 3", How::Exited, 3},
                                           EndCase{"exit127", "exit 127", How::Exited, 127},
                                           EndCase{"killed", "kill -9 $$", How::Signalled, 9},
                                           EndCase{"terminated", "kill -TERM $$", How::Signalled, 15}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(Spawn, AProgramThatCannotRunIsNotStarted) {
    std::string notExecutable = script("plain.sh", "exit 0", 0644);
    std::string badInterpreter = temp.write("bad.sh", "#!/no/such/interpreter\nexit 0\n");
    ASSERT_EQ(chmod(badInterpreter.c_str(), 0755), 0);
    for (const std::string& program :
         {temp.file("missing"), notExecutable, temp.path(), badInterpreter, std::string()}) {
        EXPECT_EQ(runAndWait(program, "x").how, How::NotStarted) << program;
        EXPECT_FALSE(runAndWait(program, "x").succeeded()) << program;
    }
}

TEST_F(Spawn, PassesExactlyOneArgumentWithoutAShell) {
    std::string out = temp.file("out.txt");
    std::string program =
        script("args.sh", "printf '%s|' \"$#\" \"$0\" \"$1\" > \"$(dirname \"$0\")/out.txt\"");
    std::string argument = "a b;$(touch hacked) *";
    ASSERT_TRUE(runAndWait(program, argument).succeeded());
    EXPECT_EQ(test::readFile(out), "1|" + program + "|" + argument + "|");
    EXPECT_FALSE(std::ifstream(temp.file("hacked")).good());
}

TEST_F(Spawn, InheritsTheEnvironment) {
    setenv("OBRI_SPAWN_TEST", "here", 1);
    std::string program = script("env.sh", "test \"$OBRI_SPAWN_TEST\" = here");
    EXPECT_TRUE(runAndWait(program, "").succeeded());
    unsetenv("OBRI_SPAWN_TEST");
}

TEST_F(Spawn, CallsWhileWaitingUntilTheChildEnds) {
    std::string program = script("sleep.sh", "sleep 0.3");
    int calls = 0;
    RunOutcome outcome = runAndWait(program, "", [&] { ++calls; });
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_GE(calls, 3) << "about one call every 15 ms over 300 ms";
}

}  // namespace
}  // namespace obri
