// The main window's side of a search run: progress box, commands, view buttons, message boxes.
#ifndef APP_RUNPANEL_H
#define APP_RUNPANEL_H

#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/windowservices.h"
#include "search/runhost.h"

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace app {

/// Turns what a run tells into the window's words: the counts and the result in the progress
/// box, the file and Search commands held back while it runs, the view buttons shown when it
/// leaves its files, its questions and messages in message boxes. The window's events get a
/// turn at form ends, at most every few milliseconds, and around each long file step.
class RunPanel : public search::RunHost {
public:
    /// The window's controls that a run changes.
    struct Controls {
        QWidget* window = nullptr;            // parent of the message boxes
        QPlainTextEdit* progressBox = nullptr; // "Selection"
        QLineEdit* probe = nullptr;           // the option box "brontel": the line probe
        QAction* file = nullptr;              // "Kervos_&File"
        QAction* search = nullptr;            // "S&earch"
        QAction* stop = nullptr;              // "&Break"
        std::vector<QAction*> heldBack;       // other commands that wait for the run (the imports)
        std::function<void(bool)> showViews;  // shows or hides the view buttons "labker"
        MessageBoxes* messages = nullptr;
    };

    explicit RunPanel(const Controls& controls) : m_controls(controls) {}

    /// Before a run: its clocks start again.
    void begin();
    /// After a run: what it showed last is on screen.
    void end() { pushProgress(); }
    /// The window is to close when the run has returned: nothing more is asked or shown.
    void setClosing(bool closing) { m_closing = closing; }
    bool closing() const { return m_closing; }
    /// A turn of the window's events before or after a long file step (DiskFileSystem's hook).
    void fileStep();

    /// The progress box's text of a run's counts: "Forms Read:-  100   Forms Selected:-  3".
    static QString progressText(const search::RunProgress& counts);
    /// The progress box's text at the end of a completed run.
    static QString resultText(const search::RunEnd& end);

    void runStarted() override;
    void formEnd(const search::RunProgress& progress) override;
    void progress(const search::RunProgress& progress) override;
    bool ask(const std::string& question) override;
    void message(const std::string& text) override;
    void formProblem(long long selection, const std::string& text) override;
    void runEnded(const search::RunEnd& end) override;
    std::string lineProbe() override;

private:
    void setRunning(bool running);
    void setViewsVisible(bool visible);
    void showProgress(const QString& text);
    void pushProgress();

    Controls m_controls;
    bool m_closing = false;
    QString m_progress;
    bool m_progressPending = false;
    // The counts of the latest progress, made into m_progress only when it is shown: forms are
    // selected far more often than the box is drawn.
    search::RunProgress m_progressCounts{};
    bool m_progressIsCounts = false;
    std::chrono::steady_clock::time_point m_lastEvents;   // the run last let events through
    std::chrono::steady_clock::time_point m_lastProgress; // the run last showed its progress
    int m_formsToClockRead = 0; // forms until a form end reads the clock again
};

} // namespace app

#endif // APP_RUNPANEL_H
