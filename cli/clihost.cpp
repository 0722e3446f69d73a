// The run host of morvex-search.
#include "cli/clihost.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "search/searchrun.h"

namespace cli {

namespace {

constexpr const char* kNoCriteriaHint = "morvex-search: give --all to search without criteria";
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Reading the clock at every form would cost more than the bar is worth on fast scans.
constexpr int kYieldsPerClockCheck = 64;
constexpr int kBarWidth = 20;

volatile std::sig_atomic_t g_breakPressed = 0;

extern "C" void onInterrupt(int) {
    g_breakPressed = 1;
}

void writeError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace

CliHost::CliHost(bool answerYes, std::string probe, bool progressBar)
    : m_answerYes(answerYes), m_probe(std::move(probe)), m_progressBar(progressBar) {}

void CliHost::attach(search::SearchRun& run, std::uint64_t totalBytes) {
    m_run = &run;
    m_totalBytes = totalBytes;
}

void CliHost::installBreakHandler() {
    struct sigaction old {};
    // A shell that starts a program in the background has it ignore SIGINT; keep that.
    if (sigaction(SIGINT, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Reset after the first: a second Ctrl-C ends a run that no longer reaches a form end.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

void CliHost::yield() {
    if (g_breakPressed && !m_breakRequested && m_run) {
        m_breakRequested = true;
        m_run->requestBreak();
    }
    if (!m_progressBar || !m_run || --m_yieldsToClockCheck > 0) return;
    m_yieldsToClockCheck = kYieldsPerClockCheck;
    Clock::time_point now = Clock::now();
    if (now - m_lastDraw >= kRedrawInterval) drawProgress(now);
}

void CliHost::showProgress() {
    m_start = m_lastDraw = Clock::now();
    m_yieldsToClockCheck = 1;
}

void CliHost::setProgressText(const std::string&) {
    // The counts come from the run itself; the bar and the result lines are drawn from them.
}

bool CliHost::ask(const std::string& question) {
    if (m_answerYes) return true;
    eraseProgress();
    writeError(question + "\n" + kNoCriteriaHint + "\n");
    return false;
}

void CliHost::message(const std::string& text) {
    eraseProgress();
    writeError(text + "\n");
}

void CliHost::setViewButtonsVisible(bool) {}

void CliHost::setRunning(bool running) {
    if (!running) eraseProgress();
}

std::string CliHost::probeText() {
    return m_probe;
}

void CliHost::drawProgress(Clock::time_point now) {
    m_lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const std::uint64_t done = m_run->bytesRead();
    const double rate = seconds > 0 ? static_cast<double>(done) / (1024.0 * 1024.0) / seconds : 0.0;
    char text[160];
    int length = 0;
    if (m_totalBytes > 0) {
        const double fraction = std::min(1.0, static_cast<double>(done) / static_cast<double>(m_totalBytes));
        const int filled = static_cast<int>(fraction * kBarWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
        length =
            std::snprintf(text, sizeof text, "\r[%s] %3d%%  ", bar.c_str(), static_cast<int>(fraction * 100));
    } else {
        length = std::snprintf(text, sizeof text, "\r");
    }
    std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                  "forms read %lld  selected %lld  %.1f MB/s\033[K", m_run->formsRead(),
                  m_run->formsSelected(), rate);
    writeError(text);
    m_barShown = true;
}

void CliHost::eraseProgress() {
    if (!m_barShown) return;
    m_barShown = false;
    writeError("\r\033[K");
}

} // namespace cli
