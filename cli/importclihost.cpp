// The host of morvex-import.
#include "cli/importclihost.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

#include "cli/clihost.h"

namespace cli {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_stopSignalled = 0;

extern "C" void onStopSignal(int) { g_stopSignalled = 1; }

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

} // namespace

ImportCliHost::ImportCliHost(bool progressBar)
    : m_progressBar(progressBar),
      m_bar([](std::string_view text) { writeToStderr(std::string(text)); }, ProgressBar::Clock::now, terminalColumns,
            ProgressBar::Labels{"records read", "imported"}) {}

void ImportCliHost::installStopHandlers() {
    for (int signal : kStopSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: an open or read that waits for a FIFO returns, and the import stops.
        // Every signal only asks to stop, so the hidden files are always removed.
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

void ImportCliHost::blockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

bool ImportCliHost::stopSignalled() { return g_stopSignalled != 0; }

void ImportCliHost::eraseProgress() { m_bar.erase(); }

void ImportCliHost::show(const std::string& text) {
    m_bar.erase();
    m_lines.push_back(text);
    writeToStderr(text + "\n");
}

void ImportCliHost::progress(std::uint64_t bytesRead, std::uint64_t totalBytes, const csrimport::ImportCounts& counts) {
    if (!m_progressBar) return;
    if (!m_started) {
        m_bar.start(totalBytes);
        m_started = true;
    }
    m_bar.update(bytesRead, counts.recordsRead, counts.imported);
}

void ImportCliHost::message(const std::string& text) { show("morvex-import: " + text); }

bool ImportCliHost::stopRequested() { return stopSignalled(); }

bool ImportCliHost::startRenames() {
    blockStopSignals();
    return !stopSignalled();
}

} // namespace cli
