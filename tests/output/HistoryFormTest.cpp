#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "output/ui/HistoryForm.h"

namespace obri {
namespace {

TEST(HistoryForm, LaidOutAsDesigned) {
    THistoryForm1 form;
    EXPECT_EQ(form.windowTitle(), "History");
    EXPECT_EQ(form.geometry(), QRect(192, 107, 400, 271));
    ASSERT_NE(form.Memo1, nullptr);
    EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(form.Memo1->isReadOnly());
    EXPECT_EQ(form.font().pixelSize(), 12);
}

TEST(HistoryForm, TextBoxFillsTheClientAreaAtEverySize) {
    THistoryForm1 form;
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.Memo1->geometry(), QRect(0, 0, form.width(), form.height()));
    for (const QSize size :
         {QSize(400, 271), QSize(800, 600), QSize(120, 90), QSize(1003, 17), QSize(400, 271)}) {
        form.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(form.Memo1->geometry(), QRect(QPoint(0, 0), form.size()))
            << size.width() << "x" << size.height();
    }
}

TEST(HistoryForm, LongLinesScrollSidewaysInsteadOfWrapping) {
    THistoryForm1 form;
    form.show();
    form.Memo1->setPlainText(QString(500, QChar('x')));
    QApplication::processEvents();
    EXPECT_EQ(form.Memo1->document()->blockCount(), 1);
    EXPECT_GT(form.Memo1->horizontalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace obri
