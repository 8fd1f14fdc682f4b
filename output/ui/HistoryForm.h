#pragma once
#include <QDialog>

class QPlainTextEdit;
class QResizeEvent;

namespace obri {

// The history window: the whole history file in one editable text box that fills the window.
// What the user types there is never saved; the next showing reloads the file.
class THistoryForm1 : public QDialog {
    Q_OBJECT
  public:
    explicit THistoryForm1(QWidget* parent = nullptr);
    ~THistoryForm1() override;

    QPlainTextEdit* Memo1 = nullptr;

    // Keeps Memo1 exactly the size of the client area.
    void FormResize();

  protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace obri
