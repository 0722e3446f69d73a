// One CSR record turned into one form of a form file.
#ifndef IMPORT_FORMBUILDER_H
#define IMPORT_FORMBUILDER_H

#include <libxml/tree.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "import/calendardate.h"

namespace csrimport {

/// A record made into a form, with what the import needs to order, merge and count it.
struct ImportedForm {
    std::vector<std::string> lines; // lines 0 to 9 and the observation lines, Windows-1252
    CalendarDate begin;
    CalendarDate end;
    std::optional<CalendarDate> dateStamp;
    std::string identifier;      // the fileIdentifier, cleaned; empty when there is none
    std::string duplicateKey;    // the fileIdentifier as written (UTF-8), trimmed: duplicates share it
    std::string localIdentifier; // after its last ":"
    std::size_t transliterated = 0;       // characters Windows-1252 lacks, in the lines
    std::size_t investigatorsLeftOut = 0; // principal investigators past the 26th
    std::size_t objectivesLeftOut = 0;    // objectives past the 190th

    /// The form's bytes: each line and the "*" line, each ended by CR LF.
    std::string bytes() const;
};

/// Why a record is not imported.
enum class RecordVerdict { Imported, NotCsr, NoBeginDate };

/// Makes forms of CSR records (gmd:MD_Metadata or gmi:MI_Metadata elements).
class FormBuilder {
public:
    static constexpr std::size_t kMaxObservationLines = 190;
    static constexpr std::size_t kMaxInvestigators = 26;

    /// Fills form from record; a record whose hierarchy level name code is not "CSR", or
    /// whose begin date is missing or unreadable, is not imported.
    static RecordVerdict build(const xmlNode* record, ImportedForm* form);
    /// The record's fileIdentifier, cleaned, for messages about a record that is not imported.
    static std::string identifierOf(const xmlNode* record);
};

} // namespace csrimport

#endif // IMPORT_FORMBUILDER_H
