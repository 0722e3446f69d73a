// The dialogs, message boxes and file opener of the main window, replaceable so that tests never block.
#ifndef APP_WINDOWSERVICES_H
#define APP_WINDOWSERVICES_H

#include <QString>
#include <QStringList>

class QWidget;

/// The file-open dialog of the "Kervos_&File" command.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    /// Lets the user choose form files; full paths in the order chosen, empty when cancelled.
    virtual QStringList chooseFormFiles(QWidget* parent) = 0;
    /// Lets the user name the file of an export, starting at suggestion; empty when cancelled.
    virtual QString chooseExportFile(QWidget* parent, const QString& suggestion) = 0;
    /// Lets the user choose CSR record files; full paths, empty when cancelled.
    virtual QStringList chooseRecordFiles(QWidget* parent) = 0;
    /// Lets the user choose a folder, starting at start (none: the last one); empty when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
};

/// Message boxes with an OK button and the one Yes/No question.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    /// Shows text with an OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;
    /// Asks a question with Yes and No buttons; true for Yes.
    virtual bool ask(QWidget* parent, const QString& question) = 0;
    /// Shows a text of many lines in a box that scrolls, titled title, with an OK button.
    virtual void report(QWidget* parent, const QString& title, const QString& text) = 0;
};

/// Hands a file to the program associated with its type.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    /// Opens the file; false when nothing could open it.
    virtual bool openFile(const QString& path) = 0;
    /// Opens an HTML file at the anchor of that name; false when nothing could open it.
    virtual bool openFileAt(const QString& path, const QString& anchor) = 0;
};

/// The services a main window uses; a null member means the real one.
struct WindowServices {
    FileChooser* files = nullptr;
    MessageBoxes* messages = nullptr;
    FileOpener* opener = nullptr;
};

/// QFileDialog with multiple selection and the filter "Kervos Files (*.inf)", any letter case.
/// Choosing files makes their folder the one the next dialog opens in, as choosing files made
/// it the current folder on the platform the program comes from.
class DialogFileChooser : public FileChooser {
public:
    QStringList chooseFormFiles(QWidget* parent) override;
    /// A save dialog with a filter per export format; a name typed without an extension gets
    /// the chosen filter's.
    QString chooseExportFile(QWidget* parent, const QString& suggestion) override;
    /// Qt's own dialog with the filter "CSR records (*.xml)", any letter case, and "All files".
    QStringList chooseRecordFiles(QWidget* parent) override;
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) override;

private:
    QString m_folder;       // of the last choice of form files; empty before the first
    QString m_recordFolder; // of the last choice of records or of a folder
};

/// QMessageBox, titled with the application name.
class DialogMessageBoxes : public MessageBoxes {
public:
    void message(QWidget* parent, const QString& text) override;
    bool ask(QWidget* parent, const QString& question) override;
    /// A dialog with a read-only text box (objectName "reportText") and OK.
    void report(QWidget* parent, const QString& title, const QString& text) override;
};

/// QDesktopServices with a local file URL.
class DesktopFileOpener : public FileOpener {
public:
    bool openFile(const QString& path) override;
    /// Openers drop or refuse an anchor after a file's name, so the browser is given a page of
    /// the user's cache that forwards it to path#anchor.
    bool openFileAt(const QString& path, const QString& anchor) override;
};

/// The page that forwards a browser to the anchor of a local HTML file.
QByteArray forwardingPage(const QString& path, const QString& anchor);

#endif // APP_WINDOWSERVICES_H
