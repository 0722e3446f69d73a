// The run host of morvex-search.
#include "cli/clihost.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>


namespace cli {

namespace {

constexpr const char* kNoCriteria = "morvex-search: no criterion was given; --all searches every form";
constexpr int kBreakSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_breakSignalled = 0;

extern "C" void onBreakSignal(int) {
    g_breakSignalled = 1;
}

// Installs the handler for each break signal that is not ignored and still has a handler of
// ours (or, at the start, the default action).
void setHandlers(bool restartCalls, bool first) {
    for (int signal : kBreakSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        if (!first && old.sa_handler != onBreakSignal) continue; // already used once: keep the default
        struct sigaction action {};
        action.sa_handler = onBreakSignal;
        sigemptyset(&action.sa_mask);
        // Reset after the first: a second signal ends a run that no longer reaches a form end.
        action.sa_flags = SA_RESETHAND | (restartCalls ? SA_RESTART : 0);
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

void writeToStderr(const std::string& text) {
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const ssize_t n = ::write(STDERR_FILENO, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

namespace {

// The width of the terminal on stderr now, 0 when unknown.
int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

} // namespace

CliHost::CliHost(bool answerYes, std::string probe, bool progressBar)
    : m_answerYes(answerYes), m_probe(std::move(probe)), m_progressBar(progressBar),
      m_bar([](std::string_view text) { writeToStderr(std::string(text)); }, ProgressBar::Clock::now,
            terminalColumns) {}

bool CliHost::progressBarWanted(bool quiet) {
    const char* term = std::getenv("TERM");
    return !quiet && ::isatty(STDERR_FILENO) == 1 && term && *term && std::strcmp(term, "dumb") != 0;
}

void CliHost::installBreakHandlers() {
    // Without SA_RESTART a signal cuts short an open that waits; reads and writes of the
    // run go on after it by themselves.
    setHandlers(false, true);
}

void CliHost::restartInterruptedCalls() {
    setHandlers(true, false);
}

bool CliHost::breakSignalled() {
    return g_breakSignalled != 0;
}

void CliHost::runStarted() {
    if (m_progressBar) m_bar.start(m_totalBytes);
}

void CliHost::formEnd(const search::RunProgress& progress) {
    if (m_progressBar) m_bar.update(progress.bytesRead, progress.formsRead, progress.formsSelected);
}

void CliHost::progress(const search::RunProgress&) {
    // The bar is drawn at form ends, and the result lines from the run's counts.
}

bool CliHost::ask(const std::string&) {
    if (m_answerYes) return true;
    m_bar.erase();
    m_messages.emplace_back(kNoCriteria);
    writeToStderr(std::string(kNoCriteria) + "\n");
    return false;
}

void CliHost::message(const std::string& text) {
    m_bar.erase();
    m_messages.push_back(text);
    writeToStderr(text + "\n");
}

void CliHost::formProblem(long long, const std::string& text) {
    message(text);
}

void CliHost::runEnded(const search::RunEnd&) {
    m_bar.erase();
}

std::string CliHost::lineProbe() {
    return m_probe;
}

bool CliHost::stopRequested() {
    return breakSignalled();
}

} // namespace cli
