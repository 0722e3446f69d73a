// The dialogs of the main window answered at once, for the programs that drive it unattended.
#ifndef TOOLS_SCRIPTEDSERVICES_H
#define TOOLS_SCRIPTEDSERVICES_H

#include <QStringList>

#include <cstdio>

#include "app/windowservices.h"

/// The form files and records given, the folders given in turn, Yes to every question; the
/// messages and reports are kept (and the messages shown on stderr after prefix, when given).
class ScriptedServices : public FileChooser, public MessageBoxes, public FileOpener {
public:
    explicit ScriptedServices(const char* prefix = nullptr) : m_prefix(prefix) {}

    QStringList chooseFormFiles(QWidget*) override { return files; }
    QString chooseExportFile(QWidget*, const QString&) override { return {}; }
    QStringList chooseRecordFiles(QWidget*) override { return records; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override {
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    void message(QWidget*, const QString& text) override {
        messages << text;
        if (m_prefix) std::fprintf(stderr, "%s: message: %s\n", m_prefix, qPrintable(text));
    }
    bool ask(QWidget*, const QString&) override { return true; }
    void report(QWidget*, const QString&, const QString& text) override { reports << text; }
    bool openFile(const QString&) override { return true; }
    bool openFileAt(const QString&, const QString&) override { return true; }

    QStringList files;
    QStringList records;
    QStringList folders;
    QStringList messages;
    QStringList reports;

private:
    const char* m_prefix;
};

#endif // TOOLS_SCRIPTEDSERVICES_H
