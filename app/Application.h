#pragma once
#include <QApplication>

namespace obri {

class Desktop;

// The application object. An exception that escapes an event handler is shown in the exception
// box and the program goes on, as the event loop of a desktop program should.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);
    ~Application() override;

    // Where escaping exceptions are shown; without one they go to standard error.
    void setDesktop(Desktop* desktop) { desktop_ = desktop; }

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows text in the exception box (or on standard error when there is no desktop).
    void showException(const char* text);

  private:
    Desktop* desktop_ = nullptr;
};

}  // namespace obri
