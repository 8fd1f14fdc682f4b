#pragma once
#include <QDialog>

namespace obri {

// The picture preview window.
class TViewForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TViewForm1(QWidget* parent = nullptr);
    ~TViewForm1() override;
};

}  // namespace obri
