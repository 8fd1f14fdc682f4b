#include "output/ui/HistoryForm.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QResizeEvent>

namespace obri {
namespace {

// The main window's Japanese proportional Gothic at a fixed pixel size.
QFont historyFont() {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

THistoryForm1::THistoryForm1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HistoryForm1"));
    setWindowTitle(QStringLiteral("History"));
    setFont(historyFont());
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
