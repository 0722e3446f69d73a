// The one-line progress bar of morvex-search on a terminal.
#ifndef CLI_PROGRESSBAR_H
#define CLI_PROGRESSBAR_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace cli {

/// The words before the two counts of a progress bar: "forms read" and "selected" for a
/// search, "records read" and "imported" for an import.
struct ProgressLabels {
    const char* first = "forms read";
    const char* second = "selected";
};

/// Draws "[####----] 20%  forms read 12  selected 3  41.5 MB/s" over itself with a carriage
/// return: at the first update, then at most once per interval, and erases it at the end.
/// The clock is read only every few updates, since a form takes less time than the clock.
/// Each drawing fits the terminal's width as it is at that moment, so a narrow or narrowed
/// terminal never wraps it: the bar shortens, then the rate, the bar and the words go.
class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using Write = std::function<void(std::string_view)>;
    /// The terminal's width in columns, 0 when unknown (then 80).
    using Columns = std::function<int()>;

    using Labels = ProgressLabels;

    static constexpr std::chrono::milliseconds kInterval{100};
    static constexpr int kUpdatesPerClockRead = 64;

    /// write receives each drawing; now is the clock (a fake one in tests); columns the width.
    explicit ProgressBar(Write write, Now now = Clock::now, Columns columns = [] { return 0; }, Labels labels = {});

    /// Starts the rate's clock; totalBytes is the size of all input files, 0 when unknown.
    void start(std::uint64_t totalBytes);
    /// One form (or record) read: draws when due.
    void update(std::uint64_t bytesRead, long long formsRead, long long formsSelected);
    /// Removes the bar from the terminal when one is shown.
    void erase();
    bool shown() const { return m_shown; }

    /// The text of one drawing, from the carriage return to the erase-to-end-of-line, with at
    /// most columns - 1 characters between them (the last column is left free, where some
    /// terminals wrap).
    static std::string render(std::uint64_t bytesRead, std::uint64_t totalBytes, long long formsRead,
                              long long formsSelected, double seconds, int columns = 80, Labels labels = {});

private:
    Write m_write;
    Now m_now;
    Columns m_columns;
    Labels m_labels;
    std::uint64_t m_totalBytes = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
    int m_updatesToClockRead = 0; // 0: draw at the next update
    bool m_drawn = false;
    bool m_shown = false;
};

} // namespace cli

#endif // CLI_PROGRESSBAR_H
