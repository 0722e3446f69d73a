// "&Import", "Update from Catalogue...": a folder's inventory brought up to date from the
// catalogues its record store knows, or from a new one, by the harvest's own run.
#include "app/harvestcommand.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <thread>

#include "app/textbridge.h"
#include "harvest/httptransport.h"
#include "harvest/recordstore.h"
#include "search/filesystem.h"

namespace app {

namespace {

constexpr int kProgressMilliseconds = 100;

QString megabytes(std::uint64_t bytes) {
    return QString::number((bytes + (1 << 19)) >> 20);
}

bool remote(const QString& address) {
    return address.startsWith(QLatin1String("http://")) || address.startsWith(QLatin1String("https://"));
}

std::unique_ptr<harvest::Transport> httpTransport(const std::function<bool()>& stopped) {
    harvest::HttpSettings settings;
    settings.userAgent = "morvex/" + QCoreApplication::applicationVersion().toStdString();
    settings.stopped = stopped;
    return std::make_unique<harvest::HttpTransport>(settings);
}

} // namespace

std::vector<HarvestSource> knownSources(const QString& folder) {
    harvest::RecordStore store;
    std::string err;
    std::vector<HarvestSource> known;
    if (!store.open(pathBytes(folder), false, &err)) return known;
    for (const harvest::Source& source : store.sources(&err))
        known.push_back({pathText(source.address), QString::fromStdString(source.protocol)});
    return known;
}

HarvestCommand::HarvestCommand(const Controls& controls, TransportMaker transport)
    : m_controls(controls), m_transport(transport ? std::move(transport) : TransportMaker(httpTransport)) {}

QString HarvestCommand::progressText(const harvest::HarvestProgress& p) {
    QString text = QStringLiteral("Updating from %1: ").arg(pathText(p.source));
    if (p.retry > 0)
        return text + QStringLiteral("waiting %1 s for retry %2 of %3")
                          .arg(static_cast<long long>(std::llround(p.waitSeconds)))
                          .arg(p.retry)
                          .arg(p.retries);
    text += p.total ? QStringLiteral("%1 of %2 records").arg(p.records).arg(*p.total)
                    : QStringLiteral("%1 records").arg(p.records);
    return text + QStringLiteral(", %1 pages, %2 MB").arg(p.counts.pages).arg(megabytes(p.counts.bytes));
}

void HarvestCommand::progress(const harvest::HarvestProgress& p) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A retry's wait names no source: the source is the one of the last progress.
    harvest::HarvestProgress shown = p;
    if (shown.source.empty())
        shown.source = m_source;
    else
        m_source = shown.source;
    m_progress = progressText(shown);
}

void HarvestCommand::message(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(text);
}

void HarvestCommand::requestStop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
}

bool HarvestCommand::wait(double seconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_stopped.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_stop.load(); });
}

// The harvest on a thread of its own; the window's events go on meanwhile, and the progress
// box shows where it stands ten times a second.
harvest::HarvestOutcome HarvestCommand::harvestOnThread(harvest::HarvestRun& run,
                                                        const harvest::HarvestSettings& settings) {
    harvest::HarvestOutcome outcome = harvest::HarvestOutcome::Failed;
    QEventLoop loop;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &loop, [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_progress.isEmpty()) return;
        m_controls.progressBox->setPlainText(m_progress);
        m_progress.clear();
    });
    timer.start(kProgressMilliseconds);
    std::thread worker([&] {
        outcome = run.run(settings);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return outcome;
}

QStringList HarvestCommand::run() {
    const QString folder =
        m_controls.files->chooseFolder(m_controls.window, QStringLiteral("Folder of the Inventory"), QString());
    if (folder.isEmpty()) return {};
    HarvestDialog dialog(folder, knownSources(folder), m_controls.window);
    if (dialog.exec() != QDialog::Accepted) return {};

    harvest::HarvestSettings settings;
    settings.folder = pathBytes(folder);
    if (!dialog.every()) {
        const HarvestSource chosen = dialog.source();
        harvest::SourceSpec spec;
        // A list is remembered by its whole path, as morvex-harvest remembers it.
        spec.address =
            pathBytes(remote(chosen.address) ? chosen.address : QFileInfo(chosen.address).absoluteFilePath());
        spec.protocol = chosen.protocol.toStdString();
        settings.sources.push_back(spec);
    }
    m_stop = false;
    m_messages.clear();
    m_source.clear();
    setRunning(true);
    Result result = harvestOnce(settings);
    // Year files the store did not write are replaced when the user agrees; the records are
    // in the store already, so no network is needed for it.
    if (result.outcome == harvest::HarvestOutcome::Refused && !result.existing.empty() && !m_stop) {
        QStringList names;
        for (const std::string& name : result.existing)
            names << pathText(name);
        if (m_controls.messages->ask(
                m_controls.window,
                QStringLiteral("%1 holds form files that the updates did not write, or that changed since: %2.\n"
                               "Replace them with the form files of the harvested records?")
                    .arg(QDir::toNativeSeparators(folder), names.join(QStringLiteral(", "))))) {
            harvest::HarvestSettings forms;
            forms.folder = settings.folder;
            forms.formsOnly = true;
            forms.replace = true;
            Result written = harvestOnce(forms);
            written.counts = result.counts;
            written.counts.yearFilesWritten = static_cast<long long>(written.written.size());
            result = std::move(written);
        }
    }
    setRunning(false);

    const QString report = reportText(result);
    m_controls.progressBox->setPlainText(report);
    m_controls.messages->report(m_controls.window, QStringLiteral("Update from Catalogue"), report);
    QStringList paths;
    for (const auto& [name, forms] : result.written)
        paths << QDir(folder).filePath(pathText(name));
    return result.outcome == harvest::HarvestOutcome::Written ? paths : QStringList();
}

HarvestCommand::Result HarvestCommand::harvestOnce(const harvest::HarvestSettings& settings) {
    const std::unique_ptr<harvest::Transport> transport = m_transport([this] { return m_stop.load(); });
    search::DiskFileSystem fs([this] { return m_stop.load(); });
    harvest::HarvestRun run(*this, *transport, fs);
    Result result;
    result.outcome = harvestOnThread(run, settings);
    result.error = run.error();
    result.counts = run.counts();
    result.written = run.written();
    result.removed = run.removed();
    result.existing = run.existingFiles();
    result.importSummary = run.importSummary();
    return result;
}

// How the harvest ended, its counts and the importer's, then the form files and every message.
QString HarvestCommand::reportText(const Result& result) const {
    QStringList lines;
    if (result.outcome != harvest::HarvestOutcome::Written) lines << pathText(result.error);
    lines << QString::fromStdString(harvest::summaryLine(result.counts));
    if (!result.importSummary.empty()) lines << QString::fromStdString(result.importSummary);
    for (const auto& [name, forms] : result.written)
        lines << pathText(name + ": " + std::to_string(forms) + " forms");
    for (const std::string& name : result.removed)
        lines << pathText(name + ": removed, its records are all deleted");
    if (!m_messages.empty()) lines << QString();
    for (const std::string& message : m_messages)
        lines << pathText(message);
    return lines.join(QLatin1Char('\n'));
}

void HarvestCommand::setRunning(bool running) {
    for (QAction* action : m_controls.heldBack)
        action->setEnabled(!running);
    m_controls.stop->setEnabled(running);
    if (running) {
        m_controls.progressBox->setPlainText(QStringLiteral("Updating from the catalogues"));
        m_controls.progressBox->show();
        QCoreApplication::processEvents();
    }
}

} // namespace app
