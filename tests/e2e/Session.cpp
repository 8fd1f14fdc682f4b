#include "e2e/Session.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

namespace obri::e2e {
namespace {

namespace fs = std::filesystem;

// The user's program may take a while to start under the sanitizers.
constexpr auto kWindowWait = std::chrono::seconds(60);

const char* const kFontFolders[] = {"/usr/share/fonts/opentype/ipafont-gothic",
                                    "/usr/share/fonts/truetype/ipafont-gothic"};

// Under the sanitizers the program's exit status also tells of leaks; those of the system libraries
// under Qt's xcb platform are not the program's.
std::string leakSuppressions() {
    const char* options = std::getenv("LSAN_OPTIONS");
    std::string value = options && *options ? std::string(options) + ":" : std::string();
    return "LSAN_OPTIONS=" + value + "suppressions=" OBRI_E2E_DIR "/lsan.supp:print_suppressions=0";
}

}  // namespace

std::string readFile(const std::string& path) { return test::readFile(path); }

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::vector<std::string> crlfLines(const std::string& path) {
    std::string text = readFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << path << " has a last line without CR LF";
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << path << ": a line end other than CR LF";
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

void Session::SetUp() {
    std::string missing = VirtualDisplay::missingTools();
    if (!missing.empty()) {
        GTEST_SKIP() << "The end-to-end tests drive the real window under Xvfb and need " << missing
                     << " (scripts/install-deps installs them).";
    }
    temp_ = std::make_unique<test::TempFolder>();
    ProcessPlan prepare;
    prepare.argv = {"bash",      OBRI_SOURCE_DIR "/scripts/demo", "--prepare-only", workspace(), "--bin-dir",
                    OBRI_BIN_DIR};
    RunResult prepared = run(prepare, std::chrono::seconds(120));
    ASSERT_EQ(prepared.status, 0) << "scripts/demo --prepare-only failed";
    fs::create_directory(workFolderParent());
    fs::create_directory(temp_->path() + "runtime");
    fs::permissions(temp_->path() + "runtime", fs::perms::owner_all);
    writeFontConfig();
    display_ = std::make_unique<VirtualDisplay>(fontConfig_);
}

void Session::TearDown() {
    if (HasFailure() && display_ && program_ && program_->running()) keepScreenshot("failure");
    program_.reset();
    display_.reset();
    temp_.reset();
}

// Only the Japanese Gothic fonts, so that row heights do not move with the fonts a machine has.
void Session::writeFontConfig() {
    for (const char* folder : kFontFolders) {
        if (!fs::is_directory(folder)) continue;
        fontConfig_ = temp_->path() + "fonts.conf";
        test::writeFile(fontConfig_,
                        std::string("<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>") + folder +
                            "</dir>\n  <cachedir>" + temp_->path() + "fontcache</cachedir>\n" +
                            "  <alias><family>sans-serif</family><prefer><family>IPAPGothic</family>"
                            "</prefer></alias>\n</fontconfig>\n");
        return;
    }
}

ChildProcess& Session::startProgram(const std::vector<std::string>& args, const std::string& cwd) {
    ProcessPlan plan;
    plan.argv = {bin() + "obri"};
    plan.argv.insert(plan.argv.end(), args.begin(), args.end());
    plan.cwd = cwd.empty() ? pictures() : cwd;
    plan.env = display_->environment();
    plan.env.push_back("XDG_CONFIG_HOME=" + workspace() + "config");
    plan.env.push_back("TMPDIR=" + workFolderParent());
    plan.env.push_back("XDG_RUNTIME_DIR=" + temp_->path() + "runtime");
    plan.env.push_back("LC_ALL=C.UTF-8");
    plan.env.push_back(leakSuppressions());
    program_ = std::make_unique<ChildProcess>(plan);
    return *program_;
}

Window Session::startMainWindow(const std::string& cwd) {
    startProgram({"MOVAN"}, cwd);
    auto main = display_->waitForWindow("OBRI", kWindowWait);
    if (!main) {
        ADD_FAILURE() << "no main window titled OBRI appeared";
        return {};
    }
    // The first listing of pictures/ runs as the window comes up; let it settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return *main;
}

int Session::closeWithX() {
    click(layout::kCloseButton);
    auto status = program_->waitFor(std::chrono::seconds(30));
    return status ? *status : -1;
}

std::string Session::nextMessage() {
    auto box = display_->waitForDialog(kWindowWait);
    if (!box) {
        keepScreenshot("no-message");
        ADD_FAILURE() << "no message box appeared";
        return {};
    }
    return display_->readAndCloseMessageBox(*box);
}

void Session::keepScreenshot(const std::string& step) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name() + "-" + step;
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    std::string file = fs::current_path().string() + "/e2e-" + name + ".png";
    if (display_->screenshot(file, 0, 0, 1024, 768)) std::cerr << "Screenshot kept: " << file << "\n";
}

}  // namespace obri::e2e
