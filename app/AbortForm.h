#pragma once
#include <memory>

#include <QDialog>

namespace Ui {
class TAbortForm1;
}

namespace obri {

// The About window: names the host editor and the add-in; OK (or the frame's close) ends it.
class TAbortForm1 : public QDialog {
    Q_OBJECT
  public:
    explicit TAbortForm1(QWidget* parent = nullptr);
    ~TAbortForm1() override;

    Ui::TAbortForm1& controls() { return *ui_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    std::unique_ptr<Ui::TAbortForm1> ui_;
};

}  // namespace obri
