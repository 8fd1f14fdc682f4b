// The application object: an exception escaping an event handler is shown and the program goes on.
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "platform/Error.h"
#include "support/FakeDesktop.h"

namespace obri::test {
namespace {

enum class Throw { StdException, PlatformFailure, Integer, Nothing };

// Throws from its event handler, as a faulty handler would.
class Thrower : public QObject {
  public:
    Throw what = Throw::Nothing;
    int handled = 0;
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++handled;
        switch (what) {
            case Throw::StdException:
                throw std::runtime_error("broken handler");
            case Throw::PlatformFailure:
                throw PlatformError("/x/QUAV.INI に書き込めません");
            case Throw::Integer:
                throw 42;
            case Throw::Nothing:
                break;
        }
        return true;
    }
};

struct Row {
    Throw what;
    std::vector<std::string> shown;
};

TEST(ApplicationTest, ShowsEscapingExceptionsAndCarriesOn) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "obri";
    char* argv[] = {name, nullptr};
    Application app(argc, argv);
    FakeDesktop desktop;
    app.setDesktop(&desktop);

    const Row rows[] = {{Throw::StdException, {"broken handler"}},
                        {Throw::PlatformFailure, {"/x/QUAV.INI に書き込めません"}},
                        {Throw::Integer, {"予期しないエラーが発生しました"}},
                        {Throw::Nothing, {}}};
    for (const Row& row : rows) {
        desktop.messages.clear();
        Thrower thrower;
        thrower.what = row.what;
        // Once sent directly, once through the event loop.
        QEvent direct(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &direct);
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        EXPECT_EQ(thrower.handled, 2);
        std::vector<std::string> shown;
        for (const auto& message : desktop.messages) {
            EXPECT_EQ(message.kind, "exception");
            shown.push_back(message.text);
        }
        std::vector<std::string> expected;
        for (int i = 0; i < 2; ++i) expected.insert(expected.end(), row.shown.begin(), row.shown.end());
        EXPECT_EQ(shown, expected);
    }

    // Without a desktop the text still goes somewhere (standard error) and nothing escapes.
    app.setDesktop(nullptr);
    Thrower thrower;
    thrower.what = Throw::StdException;
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &event));
}

}  // namespace
}  // namespace obri::test
