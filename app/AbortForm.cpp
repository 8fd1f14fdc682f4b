#include "app/AbortForm.h"
#include "platform/gui/WindowFont.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include "app/Glyphs.h"
#include "app/QtText.h"
#include "platform/Texts.h"
#include "ui_AbortForm.h"

namespace obri {
namespace {

QFont titleFont(int pixelSize) {
    QFont font;
    // A heavy western face; the fallbacks keep the titles bold where it is not installed.
    font.setFamilies(
        {QStringLiteral("Arial Black"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Black);
    font.setItalic(true);
    return font;
}

void paintLabel(QLabel* label, const QColor& colour, int pixelSize) {
    label->setFont(titleFont(pixelSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

}  // namespace

TAbortForm1::TAbortForm1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::TAbortForm1>()) {
    ui_->setupUi(this);
    setFont(windowFont());
    setFixedSize(261, 97);
    setWindowIcon(applicationIcon());

    ui_->Image1->setPixmap(applicationIconPixmap());
    ui_->Label1->setText(toQString(texts::kHostProductName));
    ui_->Label2->setText(toQString(texts::kHostProductName));
    ui_->Label3->setText(toQString(texts::kAddinName));
    ui_->Label4->setText(toQString(texts::kAddinName));
    const QColor black = palette().color(QPalette::WindowText);
    paintLabel(ui_->Label1, Qt::white, 15);
    paintLabel(ui_->Label2, black, 15);
    paintLabel(ui_->Label3, Qt::white, 21);
    paintLabel(ui_->Label4, black, 21);

    ui_->Button1->setFocusPolicy(Qt::StrongFocus);
    ui_->Button1->setFocus();
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::accept);
}

TAbortForm1::~TAbortForm1() = default;

// Centred on the screen each time it is shown.
void TAbortForm1::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    ui_->Button1->setFocus();
    QDialog::showEvent(event);
}

// The frame's close control and Escape end it as OK does.
void TAbortForm1::reject() { accept(); }

}  // namespace obri
