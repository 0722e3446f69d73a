// One CSR record turned into one form of a form file.
#ifndef IMPORT_FORMBUILDER_H
#define IMPORT_FORMBUILDER_H

#include <libxml/tree.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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

/// What an import makes of one record: its verdict and its form, or for a record that is not
/// imported the fileIdentifier its message names. Kept as bytes, it is taken again without the
/// record's XML being read (a harvest's record store keeps it beside the record).
struct BuiltRecord {
    /// Raised whenever a change of the rules changes what a record makes: records built under
    /// another revision are built again from their XML.
    static constexpr int kRevision = 1;

    RecordVerdict verdict = RecordVerdict::NotCsr;
    std::string skippedIdentifier; // FormBuilder::identifierOf, when not imported
    ImportedForm form;             // when imported

    static BuiltRecord of(const xmlNode* record);
    /// The record as bytes that decode gives back whole.
    std::string encode() const;
    /// Nothing for bytes that encode did not write.
    static std::optional<BuiltRecord> decode(std::string_view bytes);
};

} // namespace csrimport

#endif // IMPORT_FORMBUILDER_H
