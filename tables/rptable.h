// The observation-type and parameter-code table `rptable` and its 18 code lists.
#ifndef TABLES_RPTABLE_H
#define TABLES_RPTABLE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tables {

/// 201 text slots: 1 to 91 observation types, 92 "NOP", 93 to 168 parameter codes, 169 the
/// not-valid slot that a failed find by line gives. Slot numbers identify a code. The table
/// does not change once filled, so one table can serve every run.
class RpTable {
public:
    static constexpr int kSlots = 201;
    static constexpr int kLastEntry = 168;
    static constexpr int kNopSlot = 92;
    static constexpr int kNotValidSlot = 169;
    static constexpr int kListCount = 18;

    /// A filled table: the 168 entry texts in slots 1 to 168.
    RpTable();

    /// Text of slot s (0 to 200); empty for unused slots.
    const std::string& entry(int slot) const;
    /// Key width of slot s: 3 below slot 93, 8 from slot 93 on.
    static int keyWidth(int slot) { return slot < 93 ? 3 : 8; }
    /// The first keyWidth(s) characters of slot s.
    std::string_view key(int slot) const;

    /// Slot 1 to 168 whose key equals code exactly, or 0.
    /// "H21" => 25, "h21" => 0, "H16" => 13, "CHLBSSP1" => 153.
    int findByCode(std::string_view code) const;
    /// Slot 1 to 168 whose key the line begins with, observation types first; otherwise the
    /// not-valid slot 169, whose text the report writer makes of the code. "H16XYZ^4" => 13.
    int findByLine(std::string_view line) const;

    /// First and last slot of code list k (0 to 17).
    static int listFirstSlot(int list);
    static int listLastSlot(int list);
    /// Rows of code list k: the entry texts of its slots, in slot order.
    std::vector<std::string> listRows(int list) const;
    /// Characters of a row that make its code: 3 in lists 0 to 3, 8 in lists 4 to 17.
    static int listCodeWidth(int list) { return list < 4 ? 3 : 8; }
    /// Menu caption of code list k: 0 => "&Meteorlogy/Physical Oceanography", 4 => "H16 &Transparency".
    static std::string_view listCaption(int list);

private:
    static std::uint64_t packKey(std::string_view key);
    static int lookup(const std::vector<std::pair<std::uint64_t, int>>& keys, std::string_view key);

    std::vector<std::string> m_slots;
    // Keys packed into integers, sorted, for the look-ups: 3-character and 8-character keys.
    std::vector<std::pair<std::uint64_t, int>> m_typeKeys;
    std::vector<std::pair<std::uint64_t, int>> m_parameterKeys;
};

} // namespace tables

#endif // TABLES_RPTABLE_H
