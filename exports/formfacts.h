// The facts of a selected form as the exports give them, read by the rules of the reports.
#ifndef EXPORTS_FORMFACTS_H
#define EXPORTS_FORMFACTS_H

#include <string>
#include <string_view>
#include <vector>

#include "search/form.h"
#include "tables/rptable.h"

namespace exports {

/// One observation line (line 10 on).
struct ObservationFacts {
    std::string_view code;              // field 1
    std::string definition;             // the code table's text for a listed code, else empty
    std::string_view stations;          // field 2
    std::string_view contacts;          // field 3: the keys of line 8's contacts
    std::vector<std::string_view> rest; // fields 4 on; the last keeps later separators
};

/// The facts of one form, as single-byte text of the form (Windows-1252).
struct FormFacts {
    long long selection = 0;
    std::string reference; // the year (four digits), fields 2 and 3 of line 0: one key in every export
    std::string year;                        // field 1 of line 0; two digits are of the 1900s
    std::string_view iocCode;                // field 2 of line 0
    std::string projects;                    // fields 6 on of line 0, separators as blanks
    std::string_view exchange;               // as the summary report writes it
    std::string_view country;                // line 1
    bool trackChart = false;                 // line 2 begins with "CH"
    std::vector<int> squares;                // the Marsden squares line 2 names
    std::vector<std::string_view> ihbAreas;  // the fields of line 2 that begin with "IHB", trimmed
    std::string_view agency;                 // line 3
    std::string_view startDay, startMonth, endDay, endMonth, ports; // fields 1 to 5 of line 4
    std::string_view cruiseName;             // characters 4 to 28 of field 1 of line 5
    std::string designation;                 // line 5, separators as blanks
    std::string_view shipCode;               // field 1 of the first 20 characters of line 6
    std::string ship;                        // line 6, separators as blanks
    std::string chiefScientists;             // line 7, separators as blanks
    std::vector<std::string_view> contacts;  // the contact items of line 8, keyed "a", "b", ...
    std::vector<ObservationFacts> observations;
    std::vector<ObservationFacts> spareObservations; // of earlier forms, their memory kept
    std::string_view waterBottles, ctds;     // as the summary report gives them
    std::string atUlma;                      // as the summary report gives it, without the marker
    bool stationLine = false;                // the form has an H09 or H10 line
    float atUlmaSum = 0;                     // the number at ULMA as a number
};

/// How much of each observation line is read.
enum class ObservationDetail {
    Whole,    // every field, and the code's definition from the table
    CodeOnly, // field 1; the others and the definition are left empty
};

/// The facts of form, whose last line is last; the code definitions come from table, none
/// without one.
FormFacts formFacts(const search::Form& form, int last, long long selection, const tables::RpTable* table);
/// The same into facts, whose strings and lists keep their memory from form to form.
void readFormFacts(const search::Form& form, int last, long long selection, const tables::RpTable* table,
                   FormFacts& facts, ObservationDetail detail = ObservationDetail::Whole);

/// Whether text is one or more of the digits 0 to 9.
bool isDigits(std::string_view text);

} // namespace exports

#endif // EXPORTS_FORMFACTS_H
