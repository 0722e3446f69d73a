// "&Import", "Update from Catalogue...": a folder's inventory brought up to date from the
// catalogues its record store knows, or from a new one, by the harvest's own run.
#ifndef APP_HARVESTCOMMAND_H
#define APP_HARVESTCOMMAND_H

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/harvestdialog.h"
#include "app/longcommand.h"
#include "app/windowservices.h"
#include "harvest/harvesthost.h"
#include "harvest/harvestrun.h"
#include "harvest/transport.h"

class QAction;
class QPlainTextEdit;
class QWidget;

namespace app {

/// One harvest from the window (harvest::HarvestRun, as morvex-harvest runs it): the folder
/// and the source chosen (the sources and protocols the folder's store remembers offered), the
/// harvest on a thread of its own while the window shows its progress in the progress box and
/// stays usable, Break to stop it after the page at hand, year files the store did not write
/// replaced only after a question naming them, and at the end the report: how it ended, the
/// harvest's and the importer's counts, the files written and removed, every message.
class HarvestCommand : public harvest::HarvestHost, public LongCommand {
public:
    struct Controls {
        QWidget* window = nullptr;
        QPlainTextEdit* progressBox = nullptr;
        std::vector<QAction*> heldBack; // disabled while it runs
        QAction* stop = nullptr;        // "&Break", enabled while it runs
        FileChooser* files = nullptr;
        MessageBoxes* messages = nullptr;
    };
    /// The network; by default libcurl's (harvest::HttpTransport) with the stop of this command.
    using TransportMaker = std::function<std::unique_ptr<harvest::Transport>(const std::function<bool()>& stopped)>;

    explicit HarvestCommand(const Controls& controls, TransportMaker transport = {});

    /// Asks for the folder and the source, and harvests; the paths of the form files written,
    /// in year order, or none when none was written.
    QStringList run();
    void requestStop() override;

    /// The progress box's text: "Updating from https://x.org/csw: 1200 of 65000 records, 12
    /// pages, 34 MB", or "... waiting 4 s for retry 2 of 5".
    static QString progressText(const harvest::HarvestProgress& progress);

    // Called on the harvest's thread.
    void progress(const harvest::HarvestProgress& progress) override;
    void message(const std::string& text) override;
    bool stopRequested() override { return m_stop; }
    bool wait(double seconds) override;

private:
    // What one harvest ended with.
    struct Result {
        harvest::HarvestOutcome outcome = harvest::HarvestOutcome::Failed;
        std::string error;
        harvest::HarvestCounts counts;
        std::vector<std::pair<std::string, std::size_t>> written;
        std::vector<std::string> removed, existing;
        std::string importSummary;
    };
    Result harvestOnce(const harvest::HarvestSettings& settings);
    harvest::HarvestOutcome harvestOnThread(harvest::HarvestRun& run, const harvest::HarvestSettings& settings);
    QString reportText(const Result& result) const;
    void setRunning(bool running);

    Controls m_controls;
    TransportMaker m_transport;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_stopped; // a wait ends early with a stop
    std::vector<std::string> m_messages;
    QString m_progress;   // the text to show next, empty once shown
    std::string m_source; // of the last progress
};

/// The sources a folder's record store knows, for the dialog; none when it has no store.
std::vector<HarvestSource> knownSources(const QString& folder);

} // namespace app

#endif // APP_HARVESTCOMMAND_H
