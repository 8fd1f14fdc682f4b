#pragma once
#include <QDialog>

namespace obri {

// The history window.
class THistoryForm1 : public QDialog {
    Q_OBJECT
public:
    explicit THistoryForm1(QWidget* parent = nullptr);
    ~THistoryForm1() override;
};

}  // namespace obri
