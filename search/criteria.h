// The criteria set: ten criteria texts cut into alternatives, the data-held filter, the echo.
#ifndef SEARCH_CRITERIA_H
#define SEARCH_CRITERIA_H

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "search/bytescan.h"
#include "search/criterion.h"
#include "search/form.h"
#include "search/formfilters.h"

namespace search {

/// The two data-held menu items; at most one is ticked.
enum class DataHeld { Any, AtUlma, NotAtUlma };

/// What the user has entered: the ten criteria fields and the data-held check marks.
struct CriteriaSet {
    std::array<std::string, kCriterionCount> texts;
    DataHeld dataHeld = DataHeld::Any;
    FormFilters filters; // squares, box and dates, beside the texts
};

/// Caption of criterion i (kCriteria): 0 => "Project Name(s)", 9 => "Parameter Codes etc".
std::string_view criterionLabel(int i);

/// Cuts one criterion text at " OR " into upper-cased alternatives without blanks at the ends.
///   "north sea or baltic" => {"NORTH SEA", "BALTIC"}
///   "a OR "               => {"A", ""}
///   "ERROR"               => {"ERROR"}
///   ""                    => {}
std::vector<std::string> cutAlternatives(std::string_view text);

/// The alternatives table of a run and the test of one form.
class Criteria {
public:
    static constexpr int kSlots = 11;
    static constexpr int kMaxAlternatives = 20;
    static constexpr int kObservationSlot = 10;

    /// Fills the table from the texts; the parameter criterion moves to slot 10 when its first
    /// alternative is not empty. False with err filled when a criterion has too many alternatives.
    bool prepare(const CriteriaSet& set, std::string* err);
    /// True when at least one of the ten texts is not empty.
    bool used() const { return m_used; }
    /// Alternatives of slot s (0 to 10).
    const std::vector<std::string>& alternatives(int s) const { return m_slots[static_cast<std::size_t>(s)]; }
    /// The alternatives moved to slot 10, in order: the selected parameters.
    const std::vector<std::string>& selectedParameters() const { return m_slots[kObservationSlot]; }
    /// Whether the form passes the criteria and the data-held filter.
    bool test(const Form& form) const;

private:
    bool found(std::string_view text, std::string_view upperNeedle) const;
    /// The text that slot 10 and the data-held filter search: the raw observation lines when
    /// no alternative needs the "^" that joins them, else the observation text.
    std::string_view observations(const Form& form) const;

    std::array<std::vector<std::string>, kSlots> m_slots;
    DataHeld m_dataHeld = DataHeld::Any;
    bool m_used = false;
    bool m_blockSearch = false; // slot 10 can search the raw observation lines
    std::vector<int> m_usedSlots; // slots with alternatives, in order
    const scan::Kernels& m_scan = scan::kernels();
};

} // namespace search

#endif // SEARCH_CRITERIA_H
