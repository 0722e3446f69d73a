// The order of each column of a finished result table, as the rank of every row's cell.
#ifndef EXPORTS_RESULTRANKS_H
#define EXPORTS_RESULTRANKS_H

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "exports/resulttable.h"

namespace exports {

/// A column's cells in order as a rank per row, from 0 to count - 1: cells that sort alike
/// share a rank. Numbers by the number a cell begins with, cells without one after them by
/// their text; dates as texts, the empty cell after every date; texts without regard to
/// letter case ("Hudson" and "HUDSON" share a rank).
struct ColumnRanks {
    std::vector<std::uint32_t> ofRow;
    std::uint32_t count = 0;

    /// The ranks of one column of table, made now.
    static ColumnRanks of(const ResultTable& table, int column);
};

/// The ranks of every column of a finished table, each made once: by a thread of its own,
/// column after column, from the moment the table is given, or at once by the first caller
/// that needs a column the thread has not reached. A sort then only places the rows by rank.
class ResultRanks {
public:
    /// Starts ranking table's columns in the background unless background is false.
    explicit ResultRanks(const ResultTable& table, bool background = true);
    /// Stops the thread after the column it is ranking.
    ~ResultRanks();
    ResultRanks(const ResultRanks&) = delete;
    ResultRanks& operator=(const ResultRanks&) = delete;

    /// The ranks of column, made now when no one has made them yet; waits while the thread
    /// makes them.
    const ColumnRanks& of(int column);

private:
    void rankAll();

    const ResultTable& m_table;
    std::array<std::once_flag, kResultColumnCount> m_made;
    std::array<ColumnRanks, kResultColumnCount> m_ranks;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace exports

#endif // EXPORTS_RESULTRANKS_H
