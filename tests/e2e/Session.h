#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/ChildProcess.h"
#include "e2e/VirtualDisplay.h"
#include "support/TempFolder.h"

namespace obri::e2e {

// The main window's place on the screen and the centres of its controls, from its layout table.
// Without a window manager the client area starts exactly at the window's place.
namespace layout {
inline constexpr int kLeft = 192, kTop = 107, kWidth = 387, kHeight = 345;
struct Point {
    int x, y;
};
inline constexpr Point at(int x, int y) { return {kLeft + x, kTop + y}; }
inline constexpr Point kCloseButton = at(336 + 20, 8 + 8);            // "X"
inline constexpr Point kHistoryButton = at(336 + 20, 56 + 8);         // "履歴"
inline constexpr Point kMakePmsButton = at(320 + 24, 232 + 16 + 12);  // first "作成"
inline constexpr Point kPmsFolderEdit = at(72 + 104, 232 + 16 + 10);
inline constexpr Point kMakeAldButton = at(320 + 24, 232 + 48 + 12);  // second "作成"
}  // namespace layout

// One workspace laid out by scripts/demo in a temporary folder, one Xvfb server, and the program
// started from the workspace's bin/ with the workspace's registry stand-in and work folder.
class Session : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts bin/obri with these arguments in the folder given ("" = pictures/).
    ChildProcess& startProgram(const std::vector<std::string>& args, const std::string& cwd = "");
    // Starts the program with the launch token in the folder given ("" = pictures/) and waits for its
    // main window.
    Window startMainWindow(const std::string& cwd = "");
    // Clicks "X" and waits for the program to end; its exit status, or -1 when it did not end.
    int closeWithX();

    void click(layout::Point p) const { display().click(p.x, p.y); }
    // The next message box over the main window: its text, then it is closed.
    std::string nextMessage();

    const VirtualDisplay& display() const { return *display_; }
    std::string workspace() const { return temp_->path() + "ws/"; }
    std::string bin() const { return workspace() + "bin/"; }
    std::string pictures() const { return workspace() + "pictures/"; }
    std::string pms() const { return workspace() + "pms/"; }
    std::string workFolderParent() const { return temp_->path() + "tmp/"; }
    // Keeps a screenshot of the main window beside the test's output when a step fails.
    void keepScreenshot(const std::string& step);

private:
    void writeFontConfig();

    std::unique_ptr<test::TempFolder> temp_;
    std::unique_ptr<VirtualDisplay> display_;
    std::unique_ptr<ChildProcess> program_;
    std::string fontConfig_;
};

std::string readFile(const std::string& path);
bool exists(const std::string& path);
// Lines of a file split at CR LF; a line end that is not CR LF makes the test fail.
std::vector<std::string> crlfLines(const std::string& path);

}  // namespace obri::e2e
