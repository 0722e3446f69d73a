// The dialogs, message boxes and opener of the windows under test, answering at once.
#ifndef TESTS_GUI_FAKESERVICES_H
#define TESTS_GUI_FAKESERVICES_H

#include <QString>
#include <QStringList>

#include <functional>

#include "app/windowservices.h"

// Records what the window asks of its dialogs and opener; never blocks.
class FakeServices : public FileChooser, public MessageBoxes, public FileOpener {
public:
    QStringList chooseFormFiles(QWidget*) override {
        ++choices;
        return nextFiles;
    }
    void message(QWidget*, const QString& text) override {
        messages << text;
        if (onMessage) onMessage();
    }
    bool ask(QWidget*, const QString& question) override {
        questions << question;
        return answer;
    }
    bool openFile(const QString& path) override {
        opened << path;
        return true;
    }
    QString chooseExportFile(QWidget*, const QString& suggestion) override {
        suggestions << suggestion;
        return nextExport;
    }
    bool openFileAt(const QString& path, const QString& anchor) override {
        opened << path + QLatin1Char('#') + anchor;
        return true;
    }

    QStringList nextFiles;
    QString nextExport;
    QStringList suggestions;
    QStringList messages;
    QStringList questions;
    QStringList opened;
    bool answer = true;
    int choices = 0;
    std::function<void()> onMessage; // called as each message is shown
};

#endif // TESTS_GUI_FAKESERVICES_H
