#include "selection/ui/ViewForm.h"
#include "platform/gui/WindowFont.h"

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/Bitmap.h"
#include "platform/gui/BitmapImage.h"

namespace obri {

TViewForm1::TViewForm1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("ViewForm1"));
    setWindowTitle(QStringLiteral("Image"));
    setFont(windowFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The layout must not size the window: the client size is set at every preview.
    layout->setSizeConstraint(QLayout::SetNoConstraint);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(ScrollBox1);

    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);
    Image1->setMargin(0);
    Image1->setGeometry(0, 0, 313, 209);
    ScrollBox1->setWidget(Image1);

    setClientSize(321, 219);
    moveTo(192, 107);
}

TViewForm1::~TViewForm1() = default;

void TViewForm1::moveTo(int left, int top) { move(left, top); }

void TViewForm1::setClientSize(int width, int height) { setFixedSize(width, height); }

void TViewForm1::setImageSize(int width, int height) { Image1->setFixedSize(width, height); }

void TViewForm1::setPicture(const Bitmap& bitmap) {
    const QImage image = toQImage(bitmap);
    Image1->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    Image1->update();
}

void TViewForm1::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void TViewForm1::showModal() {
    if (modalRunner_) {
        modalRunner_(*this);
        return;
    }
    exec();
}

}  // namespace obri
