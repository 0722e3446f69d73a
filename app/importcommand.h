// "&Import", "CSR Records...": CSR XML records into form files, from the main window.
#ifndef APP_IMPORTCOMMAND_H
#define APP_IMPORTCOMMAND_H

#include <QString>
#include <QStringList>

#include <chrono>
#include <string>
#include <vector>

#include "app/longcommand.h"
#include "app/windowservices.h"
#include "import/importhost.h"
#include "import/importrun.h"

class QAction;
class QPlainTextEdit;
class QWidget;

namespace app {

/// One import from the window, by the importer's own run (csrimport::ImportRun), so that the
/// form files are those morvex-import writes from the same records: the records (files or a
/// folder) and the folder of the form files chosen, form files already there replaced only
/// after a question naming them, progress in the progress box with the window's events let
/// through, Break to stop it before anything is replaced, and at the end the summary, the
/// files written and every message listed.
class ImportCommand : public csrimport::ImportHost, public LongCommand {
public:
    /// What the import uses of the window.
    struct Controls {
        QWidget* window = nullptr;
        QPlainTextEdit* progressBox = nullptr;
        std::vector<QAction*> heldBack; // disabled while it runs
        QAction* stop = nullptr;        // "&Break", enabled while it runs
        FileChooser* files = nullptr;
        MessageBoxes* messages = nullptr;
    };

    explicit ImportCommand(const Controls& controls) : m_controls(controls) {}

    /// Asks for the records (a folder when fromFolder) and the folder, and imports; the paths
    /// of the form files written, in year order, or none when nothing was written.
    QStringList run(bool fromFolder);
    /// Break: the import stops at the next record, or before its renames.
    void requestStop() override { m_stop = true; }

    void progress(std::uint64_t bytesRead, std::uint64_t totalBytes, const csrimport::ImportCounts& counts) override;
    void message(const std::string& text) override;
    bool stopRequested() override;
    bool startRenames() override;

    /// The progress box's text during an import: "Importing CSR records: 120 read, 118 imported;
    /// 3 of 40 MB".
    static QString progressText(std::uint64_t bytesRead, std::uint64_t totalBytes,
                                const csrimport::ImportCounts& counts);

private:
    bool chooseFolder(const QString& start, QString* folder, bool* replace);
    QString reportText(const csrimport::ImportRun& run, csrimport::ImportOutcome outcome) const;
    void setRunning(bool running);
    void letEventsThrough();

    Controls m_controls;
    bool m_stop = false;
    std::vector<std::string> m_messages;
    std::chrono::steady_clock::time_point m_lastEvents;
    std::chrono::steady_clock::time_point m_lastProgress;
    int m_untilClock = 0;
};

} // namespace app

#endif // APP_IMPORTCOMMAND_H
