// The progress bar's drawing rules, on a clock the test moves by hand.
#include "cli/progressbar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cli::ProgressBar;
using namespace std::chrono_literals;

struct BarFixture : ::testing::Test {
    ProgressBar::Clock::time_point now{};
    std::vector<std::string> drawn;
    ProgressBar bar{[this](std::string_view text) { drawn.emplace_back(text); }, [this] { return now; }};

    // Updates the bar as many times as forms are read, the clock standing still.
    void updates(int count, std::uint64_t bytes = 0, long long read = 0, long long selected = 0) {
        for (int i = 0; i < count; ++i) bar.update(bytes, read, selected);
    }
};

TEST_F(BarFixture, DrawnAtTheFirstFormThenAtMostEveryTenthOfASecond) {
    constexpr int kRead = ProgressBar::kUpdatesPerClockRead;
    bar.start(1000);
    EXPECT_TRUE(drawn.empty());
    updates(1, 0, 1, 0);
    ASSERT_EQ(drawn.size(), 1u); // at once, so that even a short run shows it
    // The clock is read at every kRead-th form after a drawing.
    now += 10s;
    updates(kRead - 1);
    EXPECT_EQ(drawn.size(), 1u);
    updates(1);
    EXPECT_EQ(drawn.size(), 2u);
    // Less than a tenth of a second after the last drawing: no drawing at that reading.
    now += 99ms;
    updates(kRead);
    EXPECT_EQ(drawn.size(), 2u);
    now += 1ms;
    updates(kRead - 1);
    EXPECT_EQ(drawn.size(), 2u);
    updates(1);
    EXPECT_EQ(drawn.size(), 3u);
    // With the clock standing still, nothing more however many forms go by.
    updates(100 * kRead);
    EXPECT_EQ(drawn.size(), 3u);
}

TEST_F(BarFixture, ShowsPercentCountsAndRate) {
    bar.start(4 << 20);
    now += 2s;
    updates(1, 1 << 20, 1234, 56);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0], "\r[#####---------------]  25%  forms read 1234  selected 56  0.5 MB/s\033[K");
    EXPECT_EQ(ProgressBar::render(4 << 20, 4 << 20, 7, 7, 1.0),
              "\r[####################] 100%  forms read 7  selected 7  4.0 MB/s\033[K");
    // Past the size given (a file that grew) the bar stays full.
    EXPECT_EQ(ProgressBar::render(5 << 20, 4 << 20, 7, 7, 0.0),
              "\r[####################] 100%  forms read 7  selected 7  0.0 MB/s\033[K");
}

TEST_F(BarFixture, UnknownSizeShowsOnlyCountsAndRate) {
    bar.start(0); // a FIFO or a device
    now += 1s;
    updates(1, 3 << 20, 10, 2);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0], "\rforms read 10  selected 2  3.0 MB/s\033[K");
}

TEST_F(BarFixture, ErasedOnlyWhenShown) {
    bar.start(100);
    bar.erase();
    EXPECT_TRUE(drawn.empty());
    updates(1);
    EXPECT_TRUE(bar.shown());
    bar.erase();
    bar.erase();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1], "\r\033[K");
    EXPECT_FALSE(bar.shown());
    // A new run draws at its first form again.
    bar.start(100);
    updates(1);
    EXPECT_EQ(drawn.size(), 3u);
}

TEST(BarWidth, ShortensToFitTheTerminal) {
    const auto line = [](int columns) {
        std::string text = ProgressBar::render(3 << 20, 4 << 20, 123456, 789, 1.0, columns);
        return text.substr(1, text.size() - 4); // between "\r" and "\033[K"
    };
    // The full line is 70 characters: it fits 71 columns and more.
    EXPECT_EQ(line(80), "[###############-----]  75%  forms read 123456  selected 789  3.0 MB/s");
    EXPECT_EQ(line(71), line(80));
    // Narrower: the bar gives way first, a mark at a time, down to ten marks.
    EXPECT_EQ(line(70), "[##############-----]  75%  forms read 123456  selected 789  3.0 MB/s");
    EXPECT_EQ(line(61), "[#######---]  75%  forms read 123456  selected 789  3.0 MB/s");
    // Then the rate goes, with a bar of nine marks down to five.
    EXPECT_EQ(line(60), "[######---]  75%  forms read 123456  selected 789");
    EXPECT_EQ(line(46), "[###--]  75%  forms read 123456  selected 789");
    // Then the bar, then the words.
    EXPECT_EQ(line(45), " 75%  forms read 123456  selected 789");
    EXPECT_EQ(line(20), " 75%  123456/789");
    EXPECT_EQ(line(8), "123456/");
    EXPECT_EQ(line(1), "");
    for (int columns = 1; columns <= 100; ++columns)
        EXPECT_LE(line(columns).size(), static_cast<std::size_t>(columns - 1)) << columns;
    // Without a size the counts and the rate.
    EXPECT_EQ(ProgressBar::render(1 << 20, 0, 5, 1, 1.0, 30), "\rforms read 5  selected 1\033[K");
}

TEST(BarWidth, FollowsAResizedTerminal) {
    ProgressBar::Clock::time_point now{};
    int columns = 0; // unknown: 80
    std::vector<std::string> drawn;
    ProgressBar bar([&](std::string_view text) { drawn.emplace_back(text); }, [&] { return now; },
                    [&] { return columns; });
    bar.start(100);
    bar.update(50, 10, 1);
    columns = 40;
    now += 1s;
    for (int i = 0; i < ProgressBar::kUpdatesPerClockRead; ++i) bar.update(60, 12, 1);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0], "\r[##########----------]  50%  forms read 10  selected 1  0.0 MB/s\033[K");
    EXPECT_EQ(drawn[1], "\r[###--]  60%  forms read 12  selected 1\033[K");
}

} // namespace
