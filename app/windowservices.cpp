// The real dialogs, message boxes and file opener of the main window.
#include "app/windowservices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "exports/formats.h"

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

QString DialogFileChooser::chooseExportFile(QWidget* parent, const QString& suggestion) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setWindowTitle(QStringLiteral("Export Selected Forms"));
    QStringList filters;
    QStringList suffixes;
    for (const exports::ExportFormat& format : exports::exportFormats()) {
        const QString extension =
            QString::fromLatin1(format.extension.data(), static_cast<qsizetype>(format.extension.size()));
        filters << QStringLiteral("%1 (*.%2)").arg(extension.toUpper(), extension);
        suffixes << extension;
    }
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.front());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i >= 0) dialog.setDefaultSuffix(suffixes[i]);
    });
    dialog.selectFile(suggestion);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QStringList DialogFileChooser::chooseRecordFiles(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowTitle(QStringLiteral("Import CSR Records"));
    dialog.setNameFilters({QStringLiteral("CSR records (*.xml)"), QStringLiteral("All files (*)")});
    if (!m_recordFolder.isEmpty()) dialog.setDirectory(m_recordFolder);
    if (dialog.exec() != QDialog::Accepted) return {};
    QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) m_recordFolder = QFileInfo(chosen.front()).absolutePath();
    return chosen;
}

QString DialogFileChooser::chooseFolder(QWidget* parent, const QString& caption, const QString& start) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowTitle(caption);
    const QString from = start.isEmpty() ? m_recordFolder : start;
    if (!from.isEmpty()) dialog.setDirectory(from);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    m_recordFolder = dialog.selectedFiles().front();
    return m_recordFolder;
}

void DialogMessageBoxes::message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

bool DialogMessageBoxes::ask(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void DialogMessageBoxes::report(QWidget* parent, const QString& title, const QString& text) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* box = new QPlainTextEdit(text, &dialog);
    box->setObjectName(QStringLiteral("reportText"));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(box);
    layout->addWidget(buttons);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        dialog.resize(screen->availableGeometry().size() / 2);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    dialog.exec();
}

bool DesktopFileOpener::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QByteArray forwardingPage(const QString& path, const QString& anchor) {
    QUrl target = QUrl::fromLocalFile(path);
    target.setFragment(anchor);
    const QByteArray url = target.toEncoded().replace('&', "&amp;").replace('"', "&quot;");
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<meta http-equiv=\"refresh\" content=\"0; url=" +
           url + "\">\n<title>Form " + anchor.toHtmlEscaped().toUtf8() + "</title></head>\n<body><a href=\"" + url +
           "\">Form " + anchor.toHtmlEscaped().toUtf8() + "</a></body></html>\n";
}

bool DesktopFileOpener::openFileAt(const QString& path, const QString& anchor) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QSaveFile page(folder + QStringLiteral("/form.htm"));
    if (QDir().mkpath(folder) && page.open(QIODevice::WriteOnly)) {
        page.write(forwardingPage(path, anchor));
        if (page.commit()) return openFile(page.fileName());
    }
    return openFile(path); // the report at its top is better than nothing
}
