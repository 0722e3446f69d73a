// The dialogs, message boxes and opener of the windows under test, answering at once.
#ifndef TESTS_GUI_FAKESERVICES_H
#define TESTS_GUI_FAKESERVICES_H

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTimer>

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
        if (onAsk) onAsk();
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
    QStringList chooseRecordFiles(QWidget*) override { return nextRecords; }
    QString chooseFolder(QWidget*, const QString& caption, const QString& start) override {
        folderQuestions << caption + QLatin1Char('|') + start;
        return nextFolders.isEmpty() ? QString() : nextFolders.takeFirst();
    }
    void report(QWidget*, const QString& title, const QString& text) override {
        reports << title + QLatin1Char('\n') + text;
    }
    bool openFileAt(const QString& path, const QString& anchor) override {
        opened << path + QLatin1Char('#') + anchor;
        return true;
    }

    QStringList nextFiles;
    QStringList nextRecords; // of "CSR Records..."
    QStringList nextFolders; // the folders chooseFolder() answers, in turn
    QStringList folderQuestions;
    QStringList reports; // title, a line end and the text of each
    QString nextExport;
    QStringList suggestions;
    QStringList messages;
    QStringList questions;
    QStringList opened;
    bool answer = true;
    int choices = 0;
    std::function<void()> onMessage; // called as each message is shown
    std::function<void()> onAsk;     // called as each question is asked
};

// Calls act on the modal dialog of type T once it is up, then makes sure that it is gone, so that a
// failing check never leaves a test waiting in exec(). The dialog is looked for until it comes;
// the timer goes with context, the window of the test.
template <typename T, typename Act> inline void whenModal(QObject* context, Act act) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    poll->start(10);
}

#endif // TESTS_GUI_FAKESERVICES_H
