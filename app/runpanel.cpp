// The main window's side of a search run.
#include "app/runpanel.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/textbridge.h"
#include "search/textutil.h"

namespace app {

namespace {

using namespace std::chrono_literals;

// A run lets window events through at most this often; a form takes microseconds.
constexpr auto kYieldInterval = 10ms;
constexpr auto kProgressInterval = 100ms;
// Reading the clock at every form would cost more than the forms themselves; it is read at
// every this many, well under a millisecond apart.
constexpr int kFormsPerClockRead = 64;

QString counts(const search::RunProgress& progress, const char* between) {
    return QStringLiteral("Forms Read:- ") + fromBytes(search::countText(progress.formsRead)) +
           QString::fromLatin1(between) + QStringLiteral("Forms Selected:- ") +
           fromBytes(search::countText(progress.formsSelected));
}

} // namespace

QString RunPanel::progressText(const search::RunProgress& progress) {
    return counts(progress, "   ");
}

QString RunPanel::resultText(const search::RunEnd& end) {
    QString text = counts(end.counts, " ") + QStringLiteral("\n\n");
    if (!end.files) {
        text += QStringLiteral("So Sorry, no forms selected\n");
    } else {
        text += QStringLiteral("Results and summaries can be found by viewing:-\n");
        for (const std::string* path : {&end.files->forms, &end.files->heads, &end.files->csv})
            text += pathText(*path) + QLatin1Char('\n');
        text += QStringLiteral("All 3 files are ascii so you may view them in any\n"
                               "editor or WP, or click on buttons on right\n");
    }
    return text + QStringLiteral("Doubleclick in this area to remove this box");
}

void RunPanel::begin() {
    m_lastEvents = {};
    m_lastProgress = {};
    m_formsToClockRead = 0;
}

void RunPanel::fileStep() {
    pushProgress();
    QCoreApplication::processEvents();
    m_lastEvents = std::chrono::steady_clock::now();
}

void RunPanel::runStarted() {
    m_controls.progressBox->show();
    setRunning(true);
}

void RunPanel::formEnd(const search::RunProgress&) {
    if (--m_formsToClockRead > 0) return;
    m_formsToClockRead = kFormsPerClockRead;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastEvents < kYieldInterval) return;
    // Laying the progress box out again costs more than a turn of the event loop; ten times a
    // second is as often as anyone reads it.
    if (now - m_lastProgress >= kProgressInterval) {
        pushProgress();
        m_lastProgress = std::chrono::steady_clock::now();
    }
    QCoreApplication::processEvents();
    m_lastEvents = std::chrono::steady_clock::now();
}

void RunPanel::progress(const search::RunProgress& progress) {
    m_progressCounts = progress;
    m_progressIsCounts = true;
    m_progressPending = true;
}

bool RunPanel::ask(const std::string& question) {
    if (m_closing) return false;
    pushProgress();
    return m_controls.messages->ask(m_controls.window, fromBytes(question));
}

// After "&End" the window goes without a word, so the run's Break message is not shown.
void RunPanel::message(const std::string& text) {
    if (m_closing) return;
    pushProgress();
    m_controls.messages->message(m_controls.window, fromBytes(text));
}

void RunPanel::formProblem(long long, const std::string& text) {
    message(text);
}

void RunPanel::runEnded(const search::RunEnd& end) {
    if (end.outcome == search::RunOutcome::Completed) {
        setViewsVisible(end.files != nullptr);
        showProgress(resultText(end));
    }
    setRunning(false);
    // A stopped run has left no files to view.
    if (end.outcome == search::RunOutcome::Stopped) setViewsVisible(false);
}

std::string RunPanel::lineProbe() {
    return toBytesLossy(m_controls.probe->text());
}

void RunPanel::setRunning(bool running) {
    m_controls.file->setEnabled(!running);
    m_controls.search->setEnabled(!running);
    for (QAction* other : m_controls.heldBack)
        other->setEnabled(!running);
    m_controls.stop->setEnabled(running);
}

void RunPanel::setViewsVisible(bool visible) {
    m_controls.showViews(visible);
}

void RunPanel::showProgress(const QString& text) {
    m_progress = text;
    m_progressIsCounts = false;
    m_progressPending = true;
}

void RunPanel::pushProgress() {
    if (!m_progressPending) return;
    m_progressPending = false;
    if (m_progressIsCounts) m_progress = progressText(m_progressCounts);
    m_progressIsCounts = false;
    m_controls.progressBox->setPlainText(m_progress);
}

} // namespace app
