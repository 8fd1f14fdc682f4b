#include "app/Application.h"

#include <cstdio>
#include <exception>

#include "platform/Desktop.h"
#include "platform/Texts.h"

namespace obri {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application::~Application() = default;

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(error.what());
    } catch (...) {
        showException(texts::kUnknownError);
    }
    return false;
}

void Application::showException(const char* text) {
    if (desktop_) {
        try {
            desktop_->exceptionBox(text);
            return;
        } catch (...) {
            // Fall through: the message must not be lost because the box failed.
        }
    }
    std::fprintf(stderr, "%s: %s\n", texts::kAppTitle, text);
}

}  // namespace obri
