#pragma once
#include <functional>
#include <string>

#include <QDialog>

class QLabel;
class QScrollArea;

namespace obri {

class Bitmap;

// The picture preview window: a scroll box filling the client area, holding the picture at its
// natural size from the top-left corner. It keeps its last picture, size, place and caption.
class TViewForm1 : public QDialog {
    Q_OBJECT
  public:
    explicit TViewForm1(QWidget* parent = nullptr);
    ~TViewForm1() override;

    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image1 = nullptr;

    // Place of the window's top-left corner on the screen.
    void moveTo(int left, int top);
    void setClientSize(int width, int height);
    void setImageSize(int width, int height);
    // The window keeps a copy of its own.
    void setPicture(const Bitmap& bitmap);
    void setCaption(const std::string& caption);

    // Shows the window modally and returns when the user has closed it. A runner set with
    // setModalRunner takes the place of the modal loop, so tests can look at the window without
    // blocking on it.
    void showModal();
    using ModalRunner = std::function<void(TViewForm1&)>;
    void setModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }

  private:
    ModalRunner modalRunner_;
};

}  // namespace obri
