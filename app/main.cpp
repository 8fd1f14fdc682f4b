// Entry point: the launch guard, then the four windows and the event loop.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

#include "app/AbortForm.h"
#include "app/Application.h"
#include "app/Glyphs.h"
#include "app/LaunchGuard.h"
#include "app/MainForm.h"
#include "output/ui/HistoryForm.h"
#include "platform/Texts.h"
#include "platform/gui/QtDesktop.h"
#include "selection/ui/ViewForm.h"
#include "susie/CSusie.h"

namespace {

// The one plug-in host. Static, so it outlives every window, as the plug-ins' users expect.
obri::CSusie theSusie;

// Lets the application show escaping exceptions through desktop while it exists.
class DesktopInUse {
  public:
    DesktopInUse(obri::Application& app, obri::Desktop& desktop) : app_(app) { app_.setDesktop(&desktop); }
    ~DesktopInUse() { app_.setDesktop(nullptr); }
    DesktopInUse(const DesktopInUse&) = delete;
    DesktopInUse& operator=(const DesktopInUse&) = delete;

  private:
    obri::Application& app_;
};

void runWindows(obri::Application& app, obri::QtDesktop& desktop) {
    auto mainForm =
        std::make_unique<obri::TMainForm1>(theSusie, desktop, obri::ShellEnvironment::fromSystem());
    desktop.setParent(mainForm.get());
    auto abortForm = std::make_unique<obri::TAbortForm1>();
    auto viewForm = std::make_unique<obri::TViewForm1>();
    auto historyForm = std::make_unique<obri::THistoryForm1>();
    mainForm->attachWindows(abortForm.get(), viewForm.get(), historyForm.get());
    mainForm->show();
    app.exec();
}

void run(obri::Application& app) {
    QTranslator qtJapanese;
    // Message boxes read in Japanese where Qt's own translation is installed.
    if (qtJapanese.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtJapanese);

    obri::QtDesktop desktop;
    const DesktopInUse inUse(app, desktop);
    try {
        runWindows(app, desktop);
    } catch (const std::exception& error) {
        app.showException(error.what());
    } catch (...) {
        app.showException(obri::texts::kUnknownError);
    }
}

// Qt ends the process with an abort when it finds no display; say so and end normally instead.
bool displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: without the token nothing is shown and no file is touched.
    if (!obri::launchTokenMatches(obri::argumentText(argc, argv))) return 0;

    if (!displayAvailable()) {
        std::fprintf(stderr, "%s: %s\n", obri::texts::kAppTitle, "no display to show the window on");
        return 0;
    }
    try {
        obri::Application app(argc, argv);
        app.setApplicationName(QString::fromUtf8(obri::texts::kAppTitle));
        app.setWindowIcon(obri::applicationIcon());
        run(app);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", obri::texts::kAppTitle, error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", obri::texts::kAppTitle, obri::texts::kUnknownError);
    }
    return 0;
}
