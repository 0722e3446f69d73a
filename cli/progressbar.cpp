// The one-line progress bar of morvex-search on a terminal.
#include "cli/progressbar.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace cli {

namespace {

constexpr int kBarWidth = 20;

} // namespace

ProgressBar::ProgressBar(Write write, Now now, Columns columns, Labels labels)
    : m_write(std::move(write)), m_now(std::move(now)), m_columns(std::move(columns)), m_labels(labels) {}

void ProgressBar::start(std::uint64_t totalBytes) {
    m_totalBytes = totalBytes;
    m_start = m_lastDraw = m_now();
    m_updatesToClockRead = 0;
    m_drawn = false;
}

void ProgressBar::update(std::uint64_t bytesRead, long long formsRead, long long formsSelected) {
    if (m_drawn && --m_updatesToClockRead > 0) return;
    m_updatesToClockRead = kUpdatesPerClockRead;
    const Clock::time_point now = m_now();
    if (m_drawn && now - m_lastDraw < kInterval) return;
    m_drawn = true;
    m_lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const int columns = m_columns();
    m_write(render(bytesRead, m_totalBytes, formsRead, formsSelected, seconds, columns > 0 ? columns : 80, m_labels));
    m_shown = true;
}

void ProgressBar::erase() {
    if (!m_shown) return;
    m_shown = false;
    m_write("\r\033[K");
}

std::string ProgressBar::render(std::uint64_t bytesRead, std::uint64_t totalBytes, long long formsRead,
                                long long formsSelected, double seconds, int columns, Labels labels) {
    const std::size_t room = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
    std::string percent, counts, shortCounts, rate;
    double fraction = 0;
    if (totalBytes > 0) {
        fraction = std::min(1.0, static_cast<double>(bytesRead) / static_cast<double>(totalBytes));
        char text[16];
        std::snprintf(text, sizeof text, "%3d%%  ", static_cast<int>(fraction * 100));
        percent = text;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%s %lld  %s %lld", labels.first, formsRead, labels.second, formsSelected);
    counts = text;
    std::snprintf(text, sizeof text, "%lld/%lld", formsRead, formsSelected);
    shortCounts = text;
    std::snprintf(text, sizeof text, "  %.1f MB/s",
                  seconds > 0 ? static_cast<double>(bytesRead) / (1024.0 * 1024.0) / seconds : 0.0);
    rate = text;
    const auto bar = [&](int width) {
        const int filled = static_cast<int>(fraction * width);
        std::string drawn = "[";
        drawn.append(static_cast<std::size_t>(filled), '#');
        drawn.append(static_cast<std::size_t>(width - filled), '-');
        drawn += "] ";
        return drawn;
    };

    // The longest of these that fits: the full bar, a shorter one, without the rate, without
    // the bar, the counts alone as "read/selected".
    std::vector<std::string> choices;
    if (totalBytes > 0) {
        const std::string withRate = percent + counts + rate;
        const std::string withoutRate = percent + counts;
        for (int width = kBarWidth; width >= 10; --width)
            choices.push_back(bar(width) + withRate);
        for (int width = 9; width >= 5; --width)
            choices.push_back(bar(width) + withoutRate);
        choices.push_back(withoutRate);
        choices.push_back(percent + shortCounts);
    } else {
        choices.push_back(counts + rate);
        choices.push_back(counts);
    }
    choices.push_back(shortCounts);
    std::string line = choices.back().substr(0, room);
    for (const std::string& choice : choices) {
        if (choice.size() <= room) {
            line = choice;
            break;
        }
    }
    return "\r" + line + "\033[K";
}

} // namespace cli
