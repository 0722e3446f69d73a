// What an import tells its user, and how it learns that it must stop.
#ifndef IMPORT_IMPORTHOST_H
#define IMPORT_IMPORTHOST_H

#include <cstdint>
#include <string>

namespace csrimport {

/// The counts of an import so far.
struct ImportCounts {
    long long recordsRead = 0;     // records of documents read whole
    long long imported = 0;        // forms written (duplicates left out)
    long long skipped = 0;         // not CSR, no readable begin date
    long long duplicates = 0;      // records left out for another of the same fileIdentifier
    long long transliterated = 0;  // characters Windows-1252 lacks, in the forms written
    long long inputsNotRead = 0;   // documents not usable XML, files and folders that could not be read
    long long investigatorsLeftOut = 0; // principal investigators past the 26th of a record
    long long documentsWithoutRecords = 0; // usable documents in which no record was found
};

/// The caller of an import: the command line prints, tests record.
class ImportHost {
public:
    virtual ~ImportHost() = default;
    /// Progress after each record: the bytes of the inputs read so far, the size of all regular
    /// input files (0 when unknown), and the counts.
    virtual void progress(std::uint64_t bytesRead, std::uint64_t totalBytes, const ImportCounts& counts) = 0;
    /// A document or record that was not imported, or a duplicate: one line, naming the file.
    virtual void message(const std::string& text) = 0;
    /// Whether the import must stop (asked between records, and when a read waits).
    virtual bool stopRequested() = 0;
    /// Asked once, just before the first rename: false stops the import there. From then on
    /// the renames run to their end.
    virtual bool startRenames() = 0;
};

} // namespace csrimport

#endif // IMPORT_IMPORTHOST_H
