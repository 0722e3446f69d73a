// The forms of an import: their bytes in a temporary file, a small index in memory.
#ifndef IMPORT_FORMSTORE_H
#define IMPORT_FORMSTORE_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/calendardate.h"
#include "import/formbuilder.h"
#include "search/filesystem.h"

namespace csrimport {

/// Keeps finished forms in an unnamed temporary file, so that memory holds only their index
/// whatever the size of the import. Forms come document by document: a document's forms count
/// only once it is committed, and those of a document that turns out unusable are dropped.
/// Two forms of the same fileIdentifier (as written, trimmed, compared exactly) keep the one of
/// the later dateStamp (the later in input order when equal).
class FormStore {
public:
    /// What the index holds of one form.
    struct Entry {
        CalendarDate begin;
        std::optional<CalendarDate> dateStamp;
        std::string line9;  // "Imported from URN, BEGIN to END"
        std::string duplicateKey; // the fileIdentifier as written, trimmed; empty: no duplicates
        std::uint64_t order = 0; // input order
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::uint32_t transliterated = 0;
        std::uint32_t investigatorsLeftOut = 0;
        int source = 0; // index of the input file
        bool kept = true;

        /// The fileIdentifier, from line 9.
        std::string_view identifier() const;
        /// The local identifier: the identifier after its last ":", trimmed.
        std::string_view localIdentifier() const;
    };

    FormStore() = default;
    ~FormStore();
    FormStore(const FormStore&) = delete;
    FormStore& operator=(const FormStore&) = delete;

    /// Creates the temporary file in folder (it has no name: nothing is left behind, however
    /// the process ends). False with err filled on failure.
    bool open(const std::string& folder, std::string* err);
    /// Starts a document.
    void beginDocument();
    /// Adds a form of the document read from input file source. False with err filled when
    /// the temporary file cannot be written.
    bool add(const ImportedForm& form, int source, std::string* err);
    /// Keeps the document's forms; each duplicate left out is said in messages (naming the
    /// input files by sourceNames).
    void commitDocument(const std::vector<std::string>& sourceNames, std::vector<std::string>* messages);
    /// Forgets the document's forms.
    void dropDocument();

    /// Writes what is still buffered; call before byYear and copyForm. False with err filled
    /// when the temporary file cannot be written.
    bool finish(std::string* err);
    /// The kept forms by begin year, each year's in file order: begin date, local identifier,
    /// line 9, input order.
    std::map<int, std::vector<const Entry*>> byYear() const;
    /// Copies a form's bytes into out. False with err filled when they cannot be read back.
    bool copyForm(const Entry& entry, search::OutputFile& out, std::string* err) const;

    std::uint64_t kept() const { return m_kept; }
    std::uint64_t duplicatesLeftOut() const { return m_duplicates; }

private:
    bool flush(std::string* err);

    int m_fd = -1;
    std::string m_buffer;        // bytes from m_flushed on, not yet written
    std::uint64_t m_flushed = 0; // bytes in the file
    std::uint64_t m_size = 0;    // bytes of all forms added
    std::uint64_t m_documentStart = 0;
    std::uint64_t m_order = 0;
    std::uint64_t m_kept = 0;
    std::uint64_t m_duplicates = 0;
    std::size_t m_firstPending = 0;
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::size_t> m_byIdentifier;
};

} // namespace csrimport

#endif // IMPORT_FORMSTORE_H
