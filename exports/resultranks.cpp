// The order of each column of a finished result table, as the rank of every row's cell.
#include "exports/resultranks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "search/textutil.h"

namespace exports {

namespace {

// The number a text begins with (blanks before it skipped), NaN when it begins with none.
double leadingNumber(std::string_view text) {
    text = search::trimBlanks(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() || !std::isfinite(value)) return std::nan("");
    return value;
}

// Each Windows-1252 byte without its letter case (search::lowerChar), as a table.
const std::array<char, 256> kFold = [] {
    std::array<char, 256> fold{};
    for (int b = 0; b < 256; ++b)
        fold[static_cast<std::size_t>(b)] = search::lowerChar(static_cast<char>(b));
    return fold;
}();

// a before b, letter case aside.
bool foldedLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(kFold[static_cast<unsigned char>(a[i])]);
        const auto y = static_cast<unsigned char>(kFold[static_cast<unsigned char>(b[i])]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

// Ranks from an order of the rows and a test of whether two neighbours in it sort apart.
template <typename Apart>
ColumnRanks ranksInOrder(const std::vector<std::uint32_t>& order, std::size_t rows, Apart apart) {
    ColumnRanks ranks;
    ranks.ofRow.resize(rows);
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && apart(order[i - 1], order[i])) ++ranks.count;
        ranks.ofRow[order[i]] = ranks.count;
    }
    if (!order.empty()) ++ranks.count;
    return ranks;
}

// Numbers as numbers; cells without one after them, by their text.
ColumnRanks numberRanks(const ResultTable& table, int column) {
    std::vector<double> keys(table.size());
    std::vector<std::uint32_t> order(table.size());
    for (std::uint32_t r = 0; r < table.size(); ++r) {
        keys[r] = leadingNumber(table.cell(r, column));
        order[r] = r;
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const double x = keys[a], y = keys[b];
        if (!std::isnan(x) && !std::isnan(y)) return x < y;
        if (std::isnan(x) != std::isnan(y)) return std::isnan(y);
        return foldedLess(table.cell(a, column), table.cell(b, column));
    };
    std::sort(order.begin(), order.end(), less);
    return ranksInOrder(order, table.size(), less);
}

// Texts letter case aside, the empty cell after all others when emptyLast. The column's
// distinct texts are sorted once, so that a column of few texts (ships, dates) costs little
// more than a pass over its rows.
ColumnRanks textRanks(const ResultTable& table, int column, bool emptyLast) {
    std::unordered_map<std::string_view, std::uint32_t> index;
    std::vector<std::string_view> texts;
    std::vector<std::uint32_t> textOf(table.size());
    for (std::uint32_t r = 0; r < table.size(); ++r) {
        const auto [at, added] = index.try_emplace(table.cell(r, column), static_cast<std::uint32_t>(texts.size()));
        if (added) texts.push_back(at->first);
        textOf[r] = at->second;
    }

    // Each text's first eight bytes, folded, as a number, so that most comparisons are of two numbers.
    std::vector<std::uint64_t> keys(texts.size());
    for (std::size_t t = 0; t < texts.size(); ++t) {
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            const char folded = i < texts[t].size() ? kFold[static_cast<unsigned char>(texts[t][i])] : '\0';
            key = key << 8 | static_cast<unsigned char>(folded);
        }
        keys[t] = key;
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const std::string_view x = texts[a], y = texts[b];
        if (emptyLast && x.empty() != y.empty()) return y.empty();
        if (keys[a] != keys[b]) return keys[a] < keys[b];
        return x.size() > 8 && y.size() > 8 ? foldedLess(x.substr(8), y.substr(8)) : x.size() < y.size();
    };
    std::vector<std::uint32_t> sorted(texts.size());
    for (std::uint32_t t = 0; t < sorted.size(); ++t)
        sorted[t] = t;
    std::sort(sorted.begin(), sorted.end(), less);

    const ColumnRanks ofText = ranksInOrder(sorted, texts.size(), less);
    ColumnRanks ranks;
    ranks.count = ofText.count;
    ranks.ofRow.resize(table.size());
    for (std::size_t r = 0; r < table.size(); ++r)
        ranks.ofRow[r] = ofText.ofRow[textOf[r]];
    return ranks;
}

} // namespace

ColumnRanks ColumnRanks::of(const ResultTable& table, int column) {
    switch (resultColumns()[static_cast<std::size_t>(column)].kind) {
    case ColumnKind::Number:
        return numberRanks(table, column);
    case ColumnKind::Date:
        return textRanks(table, column, true);
    case ColumnKind::Text:
        break;
    }
    return textRanks(table, column, false);
}

ResultRanks::ResultRanks(const ResultTable& table, bool background) : m_table(table) {
    if (background) m_thread = std::thread([this] { rankAll(); });
}

ResultRanks::~ResultRanks() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

const ColumnRanks& ResultRanks::of(int column) {
    const auto c = static_cast<std::size_t>(column);
    std::call_once(m_made[c], [&] { m_ranks[c] = ColumnRanks::of(m_table, column); });
    return m_ranks[c];
}

// The columns shown at first come first: they are the ones a user sorts before any other.
void ResultRanks::rankAll() {
    try {
        for (const bool shown : {true, false})
            for (int c = 0; c < kResultColumnCount && !m_stop; ++c)
                if (resultColumns()[static_cast<std::size_t>(c)].shownAtFirst == shown) of(c);
    } catch (const std::bad_alloc&) {
        // The columns not reached are ranked by the sort that needs them.
    }
}

} // namespace exports
