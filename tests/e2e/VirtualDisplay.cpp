#include "e2e/VirtualDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace obri::e2e {

// WindowClose.cpp: keeps Xlib's names out of this file.
void sendDeleteWindow(const std::string& display, unsigned long id);

namespace {

using Clock = std::chrono::steady_clock;

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Reads the display number Xvfb writes once it accepts connections.
std::string readDisplayNumber(int fd) {
    std::string number;
    auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c = 0;
        if (read(fd, &c, 1) != 1) break;
        if (c == '\n') return number;
        number += c;
    }
    return number;
}

int field(const std::string& shellOutput, const std::string& key) {
    std::istringstream lines(shellOutput);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0) return std::stoi(line.substr(key.size() + 1));
    }
    return 0;
}

std::string chomp(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

std::string VirtualDisplay::missingTools() {
    std::string missing;
    for (const char* tool : {"Xvfb", "xdotool", "xprop", "xclip", "import"}) {
        if (!inPath(tool)) missing += std::string(missing.empty() ? "" : ", ") + tool;
    }
    return missing;
}

VirtualDisplay::VirtualDisplay(const std::string& fontConfigFile) : fontConfigFile_(fontConfigFile) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    ProcessPlan plan;
    plan.argv = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"};
    plan.passFd = fds[1];
    server_ = std::make_unique<ChildProcess>(plan);
    close(fds[1]);
    std::string number = readDisplayNumber(fds[0]);
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() = default;

std::vector<std::string> VirtualDisplay::environment() const {
    std::vector<std::string> env = {"DISPLAY=" + name_, "QT_QPA_PLATFORM=xcb", "QT_ACCESSIBILITY=0",
                                    "NO_AT_BRIDGE=1"};
    if (!fontConfigFile_.empty()) env.push_back("FONTCONFIG_FILE=" + fontConfigFile_);
    return env;
}

RunResult VirtualDisplay::tool(std::vector<std::string> argv) const {
    ProcessPlan plan;
    plan.argv = std::move(argv);
    plan.env = {"DISPLAY=" + name_};
    return run(plan, std::chrono::seconds(10));
}

std::vector<Window> VirtualDisplay::visibleWindows() const {
    std::vector<Window> windows;
    std::istringstream ids(tool({"xdotool", "search", "--onlyvisible", "--name", ""}).output);
    for (std::string id; ids >> id;) {
        Window w;
        w.id = std::stoul(id);
        w.name = chomp(tool({"xdotool", "getwindowname", id}).output);
        w.type = chomp(tool({"xprop", "-id", id, "_NET_WM_WINDOW_TYPE"}).output);
        if (w.type.find("_NET_WM_WINDOW_TYPE_TOOLTIP") != std::string::npos) continue;
        std::string geometry = tool({"xdotool", "getwindowgeometry", "--shell", id}).output;
        w.x = field(geometry, "X");
        w.y = field(geometry, "Y");
        w.width = field(geometry, "WIDTH");
        w.height = field(geometry, "HEIGHT");
        // The root and helper windows without a name are not what a user sees as a window.
        if (!w.name.empty()) windows.push_back(w);
    }
    return windows;
}

std::optional<Window> VirtualDisplay::waitForWindow(const std::string& name,
                                                    std::chrono::milliseconds limit) const {
    auto end = Clock::now() + limit;
    do {
        for (const auto& w : visibleWindows()) {
            if (w.name == name) return w;
        }
        pause(100);
    } while (Clock::now() < end);
    return std::nullopt;
}

std::optional<Window> VirtualDisplay::waitForDialog(std::chrono::milliseconds limit) const {
    auto end = Clock::now() + limit;
    do {
        for (const auto& w : visibleWindows()) {
            if (w.isDialog()) return w;
        }
        pause(100);
    } while (Clock::now() < end);
    return std::nullopt;
}

bool VirtualDisplay::waitUntilGone(unsigned long id, std::chrono::milliseconds limit) const {
    auto end = Clock::now() + limit;
    do {
        bool present = false;
        for (const auto& w : visibleWindows()) present = present || w.id == id;
        if (!present) return true;
        pause(100);
    } while (Clock::now() < end);
    return false;
}

void VirtualDisplay::click(int x, int y) const {
    tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    pause(150);
}

void VirtualDisplay::doubleClick(int x, int y) const {
    tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat", "2", "--delay",
          "80", "1"});
    pause(150);
}

void VirtualDisplay::key(const std::string& keys) const {
    tool({"xdotool", "key", "--delay", "60", keys});
    pause(100);
}

void VirtualDisplay::type(const std::string& text) const {
    tool({"xdotool", "type", "--delay", "40", text});
    pause(100);
}

void VirtualDisplay::requestClose(unsigned long id) const { sendDeleteWindow(name_, id); }

std::string VirtualDisplay::clipboard() const {
    return tool({"xclip", "-o", "-selection", "clipboard"}).output;
}

bool VirtualDisplay::screenshot(const std::string& pngFile, int x, int y, int width, int height) const {
    std::ostringstream crop;
    crop << width << "x" << height << "+" << x << "+" << y;
    return tool({"import", "-window", "root", "-crop", crop.str(), "+repage", "-strip", pngFile}).status == 0;
}

std::string VirtualDisplay::copyTextAt(int x, int y) const {
    click(x, y);
    key("ctrl+a");
    key("ctrl+c");
    // The program may copy later than xdotool returns: wait for the clipboard to change, so that the
    // text of an earlier copy is not taken for this one (the same text twice only costs the wait).
    std::string text;
    auto end = Clock::now() + std::chrono::seconds(5);
    do {
        text = clipboard();
        if (!text.empty() && text != lastCopied_) break;
        pause(100);
    } while (Clock::now() < end);
    lastCopied_ = text;
    return text;
}

std::string VirtualDisplay::readAndCloseMessageBox(const Window& box) const {
    // The text sits right of the icon, from the top margin on.
    std::string text = copyTextAt(box.x + 70, box.y + 18);
    key("Escape");
    if (!waitUntilGone(box.id, std::chrono::seconds(5))) key("Return");
    waitUntilGone(box.id, std::chrono::seconds(5));
    return text;
}

}  // namespace obri::e2e
