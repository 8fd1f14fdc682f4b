#include "platform/gui/QtDesktop.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

#include "platform/Texts.h"

namespace obri {

namespace {

constexpr int kFallbackWidth = 1024;
constexpr int kFallbackHeight = 768;

QString fromText(const std::string& text) { return QString::fromStdString(text); }

void showBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, QString::fromUtf8(texts::kAppTitle), fromText(text), QMessageBox::Ok, parent);
    box.exec();
}

QRect availableArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

void QtDesktop::warning(const std::string& text) { showBox(parent_, QMessageBox::Warning, text); }

void QtDesktop::information(const std::string& text) { showBox(parent_, QMessageBox::Information, text); }

void QtDesktop::exceptionBox(const std::string& text) { showBox(parent_, QMessageBox::Critical, text); }

std::optional<std::string> QtDesktop::chooseFolder(const std::string& start) {
    // Read-only: the chooser picks an existing folder and makes, renames or deletes none.
    QString from = fromText(start);
    if (from.isEmpty() || !QFileInfo(from).isDir()) from = QDir::currentPath();
    QString chosen = QFileDialog::getExistingDirectory(parent_, QString(), from,
                                                       QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    if (chosen.isEmpty()) return std::nullopt;
    std::string folder = chosen.toStdString();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::optional<std::string> QtDesktop::chooseSaveFile(const std::string& initial,
                                                     const std::string& defaultExt,
                                                     const std::string& filter) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(fromText(defaultExt));
    dialog.setNameFilter(qtFilter(filter));
    if (!initial.empty()) dialog.selectFile(fromText(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return files.front().toStdString();
}

int QtDesktop::fullScreenWidth() {
    QRect area = availableArea();
    return area.isValid() ? area.width() : kFallbackWidth;
}

int QtDesktop::fullScreenHeight() {
    QRect area = availableArea();
    return area.isValid() ? area.height() : kFallbackHeight;
}

QString QtDesktop::qtFilter(const std::string& filter) {
    QStringList parts = fromText(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString masks = parts[i + 1];
        masks.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the masks from the parentheses; add them when the description does not show them.
        if (!description.contains(QLatin1Char('('))) description += QStringLiteral(" (%1)").arg(masks);
        entries << description;
    }
    if (entries.isEmpty() && !parts.isEmpty() && !parts.front().isEmpty()) entries << parts.front();
    return entries.join(QStringLiteral(";;"));
}

}  // namespace obri
