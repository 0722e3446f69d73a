// The host of morvex-import: messages on stderr, a progress bar, signals that stop the import.
#ifndef CLI_IMPORTCLIHOST_H
#define CLI_IMPORTCLIHOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "cli/progressbar.h"
#include "import/importhost.h"

namespace cli {

/// Shows what an import tells its user on stderr; Ctrl-C, SIGTERM and SIGHUP stop it before its
/// renames, and are held back from the first rename on.
class ImportCliHost : public csrimport::ImportHost {
public:
    /// progressBar: draw the bar on stderr.
    explicit ImportCliHost(bool progressBar);

    /// Makes SIGINT, SIGTERM and SIGHUP (unless the shell set them to be ignored) ask the
    /// import to stop; a read or an open that waits (a FIFO) is cut short. Call before any file
    /// is created.
    static void installStopHandlers();
    /// Holds the three signals back until the process ends.
    static void blockStopSignals();
    /// Whether one of the signals has come.
    static bool stopSignalled();

    /// Removes the bar from the terminal.
    void eraseProgress();
    /// Shows a line on stderr, above the bar.
    void show(const std::string& text);
    /// The lines shown on stderr, in order.
    const std::vector<std::string>& lines() const { return m_lines; }

    void progress(std::uint64_t bytesRead, std::uint64_t totalBytes, const csrimport::ImportCounts& counts) override;
    void message(const std::string& text) override;
    bool stopRequested() override;
    bool startRenames() override;

private:
    bool m_progressBar;
    bool m_started = false;
    ProgressBar m_bar;
    std::vector<std::string> m_lines;
};

} // namespace cli

#endif // CLI_IMPORTCLIHOST_H
