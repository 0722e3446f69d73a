// The run host of morvex-search: messages on stderr, signals as Break, a progress bar.
#ifndef CLI_CLIHOST_H
#define CLI_CLIHOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "cli/progressbar.h"
#include "search/runhost.h"

namespace cli {

/// Shows what a search run tells its user on stderr. The question of a search without
/// criteria is answered by --all; Ctrl-C, SIGTERM and SIGHUP become the Break command.
class CliHost : public search::RunHost {
public:
    /// answerYes: the answer to the no-criteria question. progressBar: draw the bar on stderr.
    CliHost(bool answerYes, std::string probe, bool progressBar);

    /// The size of all form files of the run, for the bar (0 when unknown).
    void setTotalBytes(std::uint64_t totalBytes) { m_totalBytes = totalBytes; }

    /// Makes the first SIGINT, SIGTERM or SIGHUP stop the run at the next form, flushing and
    /// closing its files; a second one of the same kind ends the process as usual. An open that
    /// waits (a FIFO without its other end) is cut short at once. Signals that the shell has
    /// set to be ignored (a program started in the background, nohup) stay ignored.
    static void installBreakHandlers();
    /// After the run: the handlers no longer cut system calls short, so that the result is
    /// printed whole.
    static void restartInterruptedCalls();
    /// Whether one of the signals has come.
    static bool breakSignalled();
    /// Whether a progress bar is wanted: not quiet, stderr a terminal, TERM set and not "dumb".
    static bool progressBarWanted(bool quiet);

    /// The messages shown on stderr, in order.
    const std::vector<std::string>& messages() const { return m_messages; }

    void runStarted() override;
    void formEnd(const search::RunProgress& progress) override;
    void progress(const search::RunProgress& progress) override;
    bool ask(const std::string& question) override;
    void message(const std::string& text) override;
    void formProblem(long long selection, const std::string& text) override;
    void runEnded(const search::RunEnd& end) override;
    std::string lineProbe() override;
    bool stopRequested() override;

private:
    bool m_answerYes;
    std::string m_probe;
    bool m_progressBar;
    std::uint64_t m_totalBytes = 0;
    ProgressBar m_bar;
    std::vector<std::string> m_messages;
};

/// Writes all of text to stderr, going on after a signal.
void writeToStderr(const std::string& text);

} // namespace cli

#endif // CLI_CLIHOST_H
