// The run host of morvex-search: messages on stderr, Ctrl-C as Break, a progress bar.
#ifndef CLI_CLIHOST_H
#define CLI_CLIHOST_H

#include <chrono>
#include <cstdint>
#include <string>

#include "search/runhost.h"

namespace search {
class SearchRun;
}

namespace cli {

/// Shows what a search run tells its user on stderr. The question of a search without
/// criteria is answered by --all; Ctrl-C becomes the Break command at the next form.
class CliHost : public search::RunHost {
public:
    /// answerYes: the answer to the no-criteria question. progressBar: draw the bar on stderr.
    CliHost(bool answerYes, std::string probe, bool progressBar);

    /// The run whose break flag Ctrl-C sets and whose bytes the bar shows, with the size of
    /// all its form files (0 when unknown).
    void attach(search::SearchRun& run, std::uint64_t totalBytes);
    /// Makes the first SIGINT set the break flag; a second one ends the process as usual.
    static void installBreakHandler();

    void yield() override;
    void showProgress() override;
    void setProgressText(const std::string& text) override;
    bool ask(const std::string& question) override;
    void message(const std::string& text) override;
    void setViewButtonsVisible(bool visible) override;
    void setRunning(bool running) override;
    std::string probeText() override;

private:
    using Clock = std::chrono::steady_clock;
    void drawProgress(Clock::time_point now);
    void eraseProgress();

    bool m_answerYes;
    std::string m_probe;
    bool m_progressBar;
    search::SearchRun* m_run = nullptr;
    std::uint64_t m_totalBytes = 0;
    bool m_breakRequested = false;
    bool m_barShown = false;
    int m_yieldsToClockCheck = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};

} // namespace cli

#endif // CLI_CLIHOST_H
