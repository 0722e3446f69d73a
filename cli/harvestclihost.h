// The host of morvex-harvest: messages on stderr, a progress line, signals that stop the harvest.
#ifndef CLI_HARVESTCLIHOST_H
#define CLI_HARVESTCLIHOST_H

#include <chrono>
#include <string>
#include <vector>

#include "harvest/harvesthost.h"

namespace cli {

/// Shows what a harvest tells its user on stderr. Ctrl-C, SIGTERM and SIGHUP ask it to stop
/// after the page at hand (a transfer or a wait is cut short): the store keeps every page saved.
class HarvestCliHost : public harvest::HarvestHost {
public:
    /// progressLine: draw the line on stderr.
    explicit HarvestCliHost(bool progressLine) : m_progressLine(progressLine) {}

    /// Makes SIGINT, SIGTERM and SIGHUP (unless the shell set them to be ignored) ask the
    /// harvest to stop.
    static void installStopHandlers();
    static bool stopSignalled();

    /// The progress line's text: "records 1200 of 65000  pages 12  3.4 MB  812 KB/s", and the wait
    /// of a retry ("waiting 4 s for retry 2 of 5"); at most columns - 1 characters.
    static std::string progressText(const harvest::HarvestProgress& progress, double seconds, int columns);

    void erase();
    /// Shows a line on stderr, above the progress line.
    void show(const std::string& text);
    const std::vector<std::string>& lines() const { return m_lines; }

    void progress(const harvest::HarvestProgress& progress) override;
    void message(const std::string& text) override;
    bool stopRequested() override;
    bool wait(double seconds) override;

private:
    bool m_progressLine;
    bool m_shown = false;
    bool m_waitShown = false; // the line shown is the wait of a retry
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_lastDrawn;
    std::vector<std::string> m_lines;
};

} // namespace cli

#endif // CLI_HARVESTCLIHOST_H
