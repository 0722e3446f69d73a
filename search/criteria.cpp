// The criteria set: cutting into alternatives, the test of one form, the echo.
#include "search/criteria.h"

#include "search/textutil.h"

namespace search {

namespace {

constexpr std::string_view kSeparator = " OR ";
constexpr std::string_view kAtUlma = "AT ULMA";

} // namespace

std::string_view criterionLabel(int i) {
    return (i >= 0 && i < kCriterionCount) ? kCriteria[static_cast<std::size_t>(i)].label : std::string_view();
}

std::vector<std::string> cutAlternatives(std::string_view text) {
    std::vector<std::string> out;
    if (text.empty()) return out;
    const std::string upper = upperCase(text);
    std::string_view rest = upper;
    for (;;) {
        std::size_t at = rest.find(kSeparator);
        if (at == std::string_view::npos) break;
        out.emplace_back(trimBlanks(rest.substr(0, at + 1)));
        rest.remove_prefix(at + kSeparator.size());
    }
    out.emplace_back(trimBlanks(rest));
    return out;
}

bool Criteria::prepare(const CriteriaSet& set, std::string* err) {
    for (auto& slot : m_slots) slot.clear();
    m_used = false;
    m_dataHeld = set.dataHeld;
    for (int i = 0; i < kCriterionCount; ++i) {
        const std::string& text = set.texts[static_cast<std::size_t>(i)];
        if (!text.empty()) m_used = true;
        std::vector<std::string> alternatives = cutAlternatives(text);
        if (alternatives.size() > kMaxAlternatives) {
            if (err)
                *err = std::string(criterionLabel(i)) + ": more than " + std::to_string(kMaxAlternatives) +
                       " alternatives joined by OR; at most " + std::to_string(kMaxAlternatives) +
                       " can be searched";
            for (auto& slot : m_slots) slot.clear();
            return false;
        }
        m_slots[static_cast<std::size_t>(i)] = std::move(alternatives);
    }
    // The parameter criterion searches the observation text, not line 9.
    auto& parameters = m_slots[kParameterCriterion];
    if (!parameters.empty() && !parameters.front().empty()) {
        m_slots[kObservationSlot] = std::move(parameters);
        parameters.clear();
    }
    m_blockSearch = true;
    for (const auto& alternative : m_slots[kObservationSlot])
        if (alternative.find_first_of("^\r\n") != std::string::npos) m_blockSearch = false;
    m_usedSlots.clear();
    for (int s = 0; s < kSlots; ++s)
        if (!m_slots[static_cast<std::size_t>(s)].empty()) m_usedSlots.push_back(s);
    return true;
}

std::string_view Criteria::observations(const Form& form) const {
    return (m_blockSearch && form.hasObservationBlock()) ? form.observationBlock()
                                                         : std::string_view(form.observationText());
}

bool Criteria::found(std::string_view text, std::string_view upperNeedle) const {
    return m_scan.findUpperCased(text.data(), text.size(), upperNeedle.data(), upperNeedle.size()) !=
           std::string_view::npos;
}

bool Criteria::test(const Form& form) const {
    // The observation text is not empty exactly when the form has a line 10.
    const bool hasObservations = form.last() >= Form::kFirstObservationLine;
    for (const int s : m_usedSlots) {
        const bool observationSlot = s == kObservationSlot;
        const std::string_view searched = observationSlot ? observations(form) : form.line(s);
        bool satisfied = false;
        for (const auto& alternative : m_slots[static_cast<std::size_t>(s)]) {
            // An empty alternative is found in every text that is not empty.
            if (alternative.empty() ? (observationSlot ? hasObservations : !searched.empty())
                                    : found(searched, alternative)) {
                satisfied = true;
                break;
            }
        }
        if (!satisfied) return false;
    }
    if (m_dataHeld == DataHeld::Any) return true;
    const bool atUlma = found(observations(form), kAtUlma);
    return m_dataHeld == DataHeld::AtUlma ? atUlma : !atUlma;
}

} // namespace search
