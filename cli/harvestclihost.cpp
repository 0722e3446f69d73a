// The host of morvex-harvest: messages on stderr, a progress line, signals that stop the harvest.
#include "cli/harvestclihost.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include "cli/clihost.h"

namespace cli {

namespace {

using namespace std::chrono_literals;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t g_stopSignalled = 0;

extern "C" void onStopSignal(int) {
    g_stopSignalled = 1;
}

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

std::string amount(double bytes, const char* per = "") {
    char text[32];
    if (bytes >= 1048576.0)
        std::snprintf(text, sizeof text, "%.1f MB%s", bytes / 1048576.0, per);
    else
        std::snprintf(text, sizeof text, "%.0f KB%s", bytes / 1024.0, per);
    return text;
}

} // namespace

void HarvestCliHost::installStopHandlers() {
    for (int signal : kStopSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

bool HarvestCliHost::stopSignalled() {
    return g_stopSignalled != 0;
}

std::string HarvestCliHost::progressText(const harvest::HarvestProgress& p, double seconds, int columns) {
    std::string text;
    if (p.waitSeconds > 0 || p.retry > 0) {
        char wait[96];
        std::snprintf(wait, sizeof wait, "waiting %.0f s for retry %d of %d", p.waitSeconds, p.retry, p.retries);
        text = wait;
    } else {
        text = "records ";
        text += std::to_string(p.records);
        if (p.total) text.append(" of ").append(std::to_string(*p.total));
    }
    text.append("  pages ").append(std::to_string(p.counts.pages)).append("  ");
    text.append(amount(static_cast<double>(p.counts.bytes)));
    if (seconds > 0.5) text.append("  ").append(amount(static_cast<double>(p.counts.bytes) / seconds, "/s"));
    if (columns > 1 && static_cast<int>(text.size()) > columns - 1) text.resize(static_cast<std::size_t>(columns - 1));
    return text;
}

void HarvestCliHost::erase() {
    if (!m_shown) return;
    writeToStderr("\r\x1b[K");
    m_shown = false;
}

void HarvestCliHost::show(const std::string& text) {
    erase();
    m_lines.push_back(text);
    std::string line = text;
    line += '\n';
    writeToStderr(line);
}

void HarvestCliHost::progress(const harvest::HarvestProgress& progress) {
    if (!m_progressLine) return;
    const auto now = std::chrono::steady_clock::now();
    // At most ten lines a second, but the wait of a retry and the first line after it at once.
    const bool waiting = progress.retry > 0;
    if (!waiting && !m_waitShown && m_shown && now - m_lastDrawn < 100ms) return;
    m_lastDrawn = now;
    m_waitShown = waiting;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    std::string line = "\r";
    line.append(progressText(progress, seconds, terminalColumns())).append("\x1b[K");
    writeToStderr(line);
    m_shown = true;
}

void HarvestCliHost::message(const std::string& text) {
    std::string line = "morvex-harvest: ";
    line += text;
    show(line);
}

bool HarvestCliHost::stopRequested() {
    return stopSignalled();
}

// The wait of a retry, a tenth of a second at a time, so that a stop ends it.
bool HarvestCliHost::wait(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (stopSignalled()) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            100ms,
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(end - std::chrono::steady_clock::now())));
    }
    return !stopSignalled();
}

} // namespace cli
