// The one-line progress bar of morvex-search on a terminal.
#include "cli/progressbar.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

constexpr int kBarWidth = 20;

} // namespace

ProgressBar::ProgressBar(Write write, Now now) : m_write(std::move(write)), m_now(std::move(now)) {}

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
    m_write(render(bytesRead, m_totalBytes, formsRead, formsSelected, seconds));
    m_shown = true;
}

void ProgressBar::erase() {
    if (!m_shown) return;
    m_shown = false;
    m_write("\r\033[K");
}

std::string ProgressBar::render(std::uint64_t bytesRead, std::uint64_t totalBytes, long long formsRead,
                                long long formsSelected, double seconds) {
    std::string text = "\r";
    if (totalBytes > 0) {
        const double fraction = std::min(1.0, static_cast<double>(bytesRead) / static_cast<double>(totalBytes));
        const int filled = static_cast<int>(fraction * kBarWidth);
        text += '[';
        text.append(static_cast<std::size_t>(filled), '#');
        text.append(static_cast<std::size_t>(kBarWidth - filled), '-');
        char percent[16];
        std::snprintf(percent, sizeof percent, "] %3d%%  ", static_cast<int>(fraction * 100));
        text += percent;
    }
    const double rate = seconds > 0 ? static_cast<double>(bytesRead) / (1024.0 * 1024.0) / seconds : 0.0;
    char counts[96];
    std::snprintf(counts, sizeof counts, "forms read %lld  selected %lld  %.1f MB/s", formsRead, formsSelected, rate);
    text += counts;
    return text + "\033[K";
}

} // namespace cli
