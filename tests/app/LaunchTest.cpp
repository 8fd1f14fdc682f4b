// The launch guard, run against the real program.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

extern char** environ;

namespace obri::test {
namespace {

const std::string kProgram = std::string(OBRI_BIN_DIR) + "/obri";

// A started program; killed when the test leaves it running.
class Started {
  public:
    Started(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
        std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
        for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, kProgram.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    }
    ~Started() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool started() const { return pid_ > 0; }
    // The exit status once it ends within the time given; -1 while it still runs.
    int waitUpTo(std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << kProgram << " is not built";
        settingsExisted_ = std::filesystem::exists(settings());
        if (settingsExisted_) settingsBefore_ = readFile(settings());
        std::filesystem::create_directories(config.file("registry"));
        // The plug-in folder is an empty one, so the started program loads nothing of the build.
        config.write("registry/HKEY_CURRENT_USER.reg",
                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvarin\\Susie\\InstallRoot]\r\n@=\"" +
                         plugins.path() + "\"\r\n");
    }
    void TearDown() override {
        if (IsSkipped()) return;
        // No start, refused or killed, may leave a settings file beside the program.
        EXPECT_EQ(std::filesystem::exists(settings()), settingsExisted_);
        if (settingsExisted_) {
            EXPECT_EQ(readFile(settings()), settingsBefore_);
        }
    }
    static std::string settings() { return std::string(OBRI_BIN_DIR) + "/QUAV.INI"; }
    std::vector<std::string> quietEnvironment() const {
        return {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + config.path(), "TMPDIR=" + work.path(),
                "PATH=/usr/bin:/bin"};
    }

    TempFolder home, config, work, plugins;

  private:
    bool settingsExisted_ = false;
    std::string settingsBefore_;
};

struct RefusedRow {
    std::string name;
    std::vector<std::string> arguments;
};

class RefusedLaunchTest : public LaunchTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedLaunchTest, EndsAtOnceWithZeroAndNeedsNoDisplay) {
    // No DISPLAY, no QT_QPA_PLATFORM: a refused start must not even look for a screen.
    Started program(GetParam().arguments, quietEnvironment());
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.waitUpTo(std::chrono::seconds(20)), 0);
    EXPECT_TRUE(std::filesystem::is_empty(work.path())) << "the work folder was created";
}

INSTANTIATE_TEST_SUITE_P(Arguments, RefusedLaunchTest,
                         ::testing::Values(RefusedRow{"None", {}}, RefusedRow{"TrailingBlank", {"MOVAN "}},
                                           RefusedRow{"LowerCase", {"movan"}},
                                           RefusedRow{"Quoted", {"\"MOVAN\""}},
                                           RefusedRow{"SecondWord", {"MOVAN", "x"}},
                                           RefusedRow{"LeadingBlank", {" MOVAN"}}),
                         [](const auto& p) { return p.param.name; });

TEST_F(LaunchTest, TokenStartsTheProgram) {
    std::vector<std::string> environment = quietEnvironment();
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    Started program({"MOVAN"}, environment);
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.waitUpTo(std::chrono::milliseconds(1500)), -1) << "the program ended by itself";
    // It got as far as the main window's creation: the work folder exists.
    EXPECT_FALSE(std::filesystem::is_empty(work.path()));
}

TEST_F(LaunchTest, TokenWithoutAnyDisplayEndsWithZero) {
    Started program({"MOVAN"}, quietEnvironment());
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.waitUpTo(std::chrono::seconds(20)), 0);
}

}  // namespace
}  // namespace obri::test
