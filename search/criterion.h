// The ten criteria of a search: what each searches and how the window and the command line name it.
#ifndef SEARCH_CRITERION_H
#define SEARCH_CRITERION_H

#include <array>
#include <string_view>

namespace search {

/// One criterion. Criterion i searches form line i, but the parameter criterion, which searches
/// the observation lines (10 on).
struct CriterionInfo {
    std::string_view label;      // caption of the window's field, in the echo and messages
    std::string_view menuItem;   // the window's "&Select" menu item
    std::string_view fieldHelp;  // the help the window shows over the field
    std::string_view option;     // the command line's option
    std::string_view optionHelp; // its line in --help
};

inline constexpr int kCriterionCount = 10;
/// The criterion of observation types and parameter codes.
inline constexpr int kParameterCriterion = 9;

/// Every criterion, in the order of the form lines (CriteriaSet::texts, the window's fields).
/// A new criterion is one entry here and the line it searches.
inline constexpr std::array<CriterionInfo, kCriterionCount> kCriteria{{
    {"Project Name(s)", "Project Name", "Enter Project Name(s)or select by clicking on 'Projects' on menu bar.",
     "--project", "project name(s), searched in header line 0"},
    {"Country", "Country", "Enter Country(s)or select by clicking on 'Country' on menu bar.", "--country",
     "country, line 1"},
    {"Area (Marsden square(s), IHB areas", "Area", "Enter Area(s)or select by clicking on 'Areas' on menu bar.",
     "--area", "Marsden squares and IHB areas, line 2"},
    {"Operating Agency", "Operating Agency",
     "Enter Operating Agency(s)or select by clicking on 'Operating Agency' on menu bar.", "--agency",
     "operating agency, line 3"},
    {"Month(s)", "Month", "Enter Month(s)or select by clicking on 'Month' on menu bar.", "--month",
     "month(s), line 4"},
    {"Cruise Name(s)", "Cruise Name",
     "Enter Cruise Name(s)- This field also include keywords from cruise objectives.", "--cruise",
     "cruise name(s), line 5"},
    {"Ship/Platform Names", "Ship/Platform Name",
     "Enter Ship/Platform(s)or select by clicking on 'Ship/Platform Name' on menu bar.", "--ship",
     "ship or platform, line 6"},
    {"Chief Scientist(s)", "Chief Scientist", "Enter Chief Scientist(s)name.", "--scientist",
     "chief scientist(s), line 7"},
    {"Scientist's name(s) for queries", "Queries Contact",
     "Enter Query Contact(s)- eg a person responsible for the analysis of a data type.", "--contact",
     "contact(s) for queries, line 8"},
    {"Parameter Codes etc", "Observation Type",
     "Enter Parameter code(s)or select by clicking on 'Parameter codes' on menu bar.", "--parameter",
     "observation types and parameter codes, lines 10 on"},
}};

} // namespace search

#endif // SEARCH_CRITERION_H
