#pragma once
#include <optional>
#include <string>

namespace obri {

// The desktop services a handler needs: message dialogs, the two choosers and the screen size.
// Windows get the real one; tests replace it.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void warning(const std::string& text) = 0;
    virtual void information(const std::string& text) = 0;
    // The application's exception box, caption "OBRI".
    virtual void exceptionBox(const std::string& text) = 0;
    // Folder chooser opened on start; nullopt when cancelled. The result has no trailing '/',
    // except for the root.
    virtual std::optional<std::string> chooseFolder(const std::string& start) = 0;
    // File-save dialog with a default extension (appended as "." + ext when the user types none)
    // and a filter; nullopt when cancelled.
    virtual std::optional<std::string> chooseSaveFile(const std::string& initial, const std::string& defaultExt,
                                                      const std::string& filter) = 0;
    // Width and height of a full-screen window's client area on the primary screen.
    virtual int fullScreenWidth() = 0;
    virtual int fullScreenHeight() = 0;
};

}  // namespace obri
