#include "app/Desktop.h"
#include "app/DesktopNotify.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

bool TQtDesktop::InputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                            QString& value) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &accepted);
    if (accepted) value = text;
    return accepted;
}

bool TQtDesktop::SelectDirectory(QWidget* parent, QString& folder) {
    // Folders only, nothing preselected, and no button for making a new folder.
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, QString(), QString(), QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    if (chosen.isEmpty()) return false;
    folder = chosen;
    return true;
}

void TQtDesktop::ShowInformation(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::translate("TQtDesktop", "Information"), text);
}

void TQtDesktop::ShowError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, text);
}

bool TQtDesktop::SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                               const QString& filter, QString& fileName) {
    const QString chosen = QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    if (chosen.isEmpty()) return false;
    fileName = chosen;
    return true;
}

void TQtDesktop::ShowModal(QDialog& dialog) { dialog.exec(); }

void TQtDesktop::Notify(const QString& title, const QString& text) { DesktopNotify(title, text); }

void TQtDesktop::OpenUrl(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

bool TQtDesktop::Confirm(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool TQtDesktop::ChooseFont(QWidget* parent, const QString& caption, QFont& font) {
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, font, parent, caption);
    if (accepted) font = chosen;
    return accepted;
}
