#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e/ChildProcess.h"

namespace obri::e2e {

struct Window {
    unsigned long id = 0;
    std::string name;
    std::string type;  // the _NET_WM_WINDOW_TYPE atoms the program gave it
    bool isDialog() const { return type.find("_NET_WM_WINDOW_TYPE_DIALOG") != std::string::npos; }
    int x = 0, y = 0, width = 0, height = 0;
};

// An Xvfb server of its own (a free display number chosen by the server), driven like a user
// with xdotool: no window manager, so top-level windows sit exactly where programs put them.
class VirtualDisplay {
public:
    // The programs the tests need; "" when all are there, else the names of the missing ones.
    static std::string missingTools();

    explicit VirtualDisplay(const std::string& fontConfigFile);
    ~VirtualDisplay();

    // ":N"
    const std::string& name() const { return name_; }
    // Environment entries that send a program to this display, with fonts fixed by the config file.
    std::vector<std::string> environment() const;

    // Windows that are mapped now (top-level ones of any program on this display), tooltips left out:
    // they come and go with the pointer.
    std::vector<Window> visibleWindows() const;
    std::optional<Window> waitForWindow(const std::string& name, std::chrono::milliseconds limit) const;
    // A mapped dialog, such as a message box over the main window.
    std::optional<Window> waitForDialog(std::chrono::milliseconds limit) const;
    bool waitUntilGone(unsigned long id, std::chrono::milliseconds limit) const;

    void click(int x, int y) const;
    void doubleClick(int x, int y) const;
    // xdotool key names: "space", "Down", "ctrl+a", "Escape" ...
    void key(const std::string& keys) const;
    // Types ASCII text into the focused control.
    void type(const std::string& text) const;
    // Asks a window to close the way a window manager's close box does (WM_DELETE_WINDOW).
    void requestClose(unsigned long id) const;
    std::string clipboard() const;
    // Clicks at a point of a text, selects all of it and copies it: the text as the clipboard then holds it.
    std::string copyTextAt(int x, int y) const;
    // Screenshot of a rectangle of the screen into a PNG file; false when it could not be taken.
    bool screenshot(const std::string& pngFile, int x, int y, int width, int height) const;

    // The text a message box shows: selected and copied from the box, then the box is closed.
    std::string readAndCloseMessageBox(const Window& box) const;

private:
    RunResult tool(std::vector<std::string> argv) const;

    std::string fontConfigFile_;
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
    mutable std::string lastCopied_;
};

}  // namespace obri::e2e
