#include "output/ui/HistoryForm.h"
#include "platform/gui/WindowFont.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QResizeEvent>

namespace obri {
THistoryForm1::THistoryForm1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HistoryForm1"));
    setWindowTitle(QStringLiteral("History"));
    setFont(windowFont());
    setSizeGripEnabled(false);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setReadOnly(false);
    Memo1->setGeometry(0, 0, 377, 233);
    setGeometry(192, 107, 400, 271);
}

THistoryForm1::~THistoryForm1() = default;

void THistoryForm1::FormResize() { Memo1->setGeometry(0, 0, width(), height()); }

void THistoryForm1::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

}  // namespace obri
