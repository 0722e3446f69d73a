// The real dialogs, message boxes and file opener of the main window.
#include "app/windowservices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

QStringList DialogFileChooser::chooseFormFiles(QWidget* parent) {
    // Qt's own dialog filters names without regard to letter case, as the Windows dialog did, so
    // "KER1995.INF" passes "*.inf"; native dialogs on Linux may not.
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot);
    dialog.setNameFilter(QStringLiteral("Kervos Files (*.inf)"));
    if (!m_folder.isEmpty()) dialog.setDirectory(m_folder);
    if (dialog.exec() != QDialog::Accepted) return {};
    QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) m_folder = QFileInfo(chosen.front()).absolutePath();
    return chosen;
}

void DialogMessageBoxes::message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

bool DialogMessageBoxes::ask(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool DesktopFileOpener::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
