// "&Import", "CSR Records...": CSR XML records into form files, from the main window.
#include "app/importcommand.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include "app/textbridge.h"
#include "search/filesystem.h"

namespace app {

namespace {

using namespace std::chrono_literals;

// As a search run does: the window's events at most this often, the progress box ten times a
// second; the clock is read every so many records.
constexpr auto kYieldInterval = 10ms;
constexpr auto kProgressInterval = 100ms;
constexpr int kRecordsPerClockRead = 16;

QString megabytes(std::uint64_t bytes) {
    return QString::number((bytes + (1 << 19)) >> 20);
}

} // namespace

QString ImportCommand::progressText(std::uint64_t bytesRead, std::uint64_t totalBytes,
                                    const csrimport::ImportCounts& counts) {
    QString text =
        QStringLiteral("Importing CSR records: %1 read, %2 imported").arg(counts.recordsRead).arg(counts.imported);
    if (totalBytes > 0) text += QStringLiteral("; %1 of %2 MB").arg(megabytes(bytesRead), megabytes(totalBytes));
    return text;
}

// The folder of the form files: empty, or holding form files that the user agrees to see replaced.
bool ImportCommand::chooseFolder(const QString& start, QString* folder, bool* replace) {
    *folder = m_controls.files->chooseFolder(m_controls.window, QStringLiteral("Folder for the Form Files"), start);
    if (folder->isEmpty()) return false;
    static const QRegularExpression formFile(QStringLiteral("^KER.*\\.INF$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList there;
    for (const QString& name : QDir(*folder).entryList(QDir::Files, QDir::Name))
        if (formFile.match(name).hasMatch()) there << name;
    *replace = !there.isEmpty();
    if (there.isEmpty()) return true;
    return m_controls.messages->ask(
        m_controls.window, QStringLiteral("%1 holds form files: %2.\nThe form file of each year imported replaces "
                                          "the one of that year there; the others stay. Import into it?")
                               .arg(QDir::toNativeSeparators(*folder), there.join(QStringLiteral(", "))));
}

QStringList ImportCommand::run(bool fromFolder) {
    QStringList inputs;
    if (fromFolder) {
        const QString records =
            m_controls.files->chooseFolder(m_controls.window, QStringLiteral("Folder of CSR Records"), QString());
        if (!records.isEmpty()) inputs << records;
    } else {
        inputs = m_controls.files->chooseRecordFiles(m_controls.window);
    }
    if (inputs.isEmpty()) return {};
    QString folder;
    bool replace = false;
    const QFileInfo first(inputs.front());
    if (!chooseFolder(fromFolder ? first.absoluteFilePath() : first.absolutePath(), &folder, &replace)) return {};

    csrimport::ImportSettings settings;
    for (const QString& input : inputs)
        settings.inputs.push_back(pathBytes(input));
    settings.folder = pathBytes(folder);
    settings.replace = replace;
    m_stop = false;
    m_messages.clear();
    search::DiskFileSystem fs([this] { return m_stop; });
    fs.setFileHook([this] { letEventsThrough(); });
    csrimport::ImportRun run(*this, fs);
    setRunning(true);
    const csrimport::ImportOutcome outcome = run.run(settings);
    setRunning(false);

    const QString report = reportText(run, outcome);
    m_controls.progressBox->setPlainText(report);
    m_controls.messages->report(m_controls.window, QStringLiteral("Import of CSR Records"), report);
    QStringList written;
    if (outcome == csrimport::ImportOutcome::Written)
        for (const auto& [name, forms] : run.files())
            written << QDir(folder).filePath(pathText(name));
    return written;
}

// How the import ended and its summary first, then the form files written and every message.
QString ImportCommand::reportText(const csrimport::ImportRun& run, csrimport::ImportOutcome outcome) const {
    QStringList lines;
    if (outcome != csrimport::ImportOutcome::Written) lines << pathText(run.error());
    if (csrimport::inputsRead(outcome, run.counts()))
        lines << QString::fromStdString(csrimport::summaryLine(run.counts()));
    for (const auto& [name, forms] : run.files())
        lines << pathText(csrimport::writtenLine(name, forms));
    if (!m_messages.empty()) lines << QString();
    for (const std::string& message : m_messages)
        lines << pathText(message);
    return lines.join(QLatin1Char('\n'));
}

void ImportCommand::setRunning(bool running) {
    for (QAction* action : m_controls.heldBack)
        action->setEnabled(!running);
    m_controls.stop->setEnabled(running);
    if (running) {
        m_controls.progressBox->setPlainText(QStringLiteral("Importing CSR records"));
        m_controls.progressBox->show();
        m_lastEvents = m_lastProgress = {};
        m_untilClock = 0;
        QCoreApplication::processEvents();
    }
}

void ImportCommand::letEventsThrough() {
    QCoreApplication::processEvents();
    m_lastEvents = std::chrono::steady_clock::now();
}

void ImportCommand::progress(std::uint64_t bytesRead, std::uint64_t totalBytes, const csrimport::ImportCounts& counts) {
    if (--m_untilClock > 0) return;
    m_untilClock = kRecordsPerClockRead;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastEvents < kYieldInterval) return;
    if (now - m_lastProgress >= kProgressInterval) {
        m_controls.progressBox->setPlainText(progressText(bytesRead, totalBytes, counts));
        m_lastProgress = now;
    }
    letEventsThrough();
}

void ImportCommand::message(const std::string& text) {
    m_messages.push_back(text);
}

bool ImportCommand::stopRequested() {
    return m_stop;
}

bool ImportCommand::startRenames() {
    letEventsThrough(); // a Break given during the last steps counts
    return !m_stop;
}

} // namespace app
