// A catalogue's reply read: its records and what it says about paging, errors and itself.
#ifndef HARVEST_PAGE_H
#define HARVEST_PAGE_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/formbuilder.h"

namespace harvest {

/// A record of a page: the record as a document of its own (UTF-8, the namespaces in scope where
/// it stood declared on it), and for OAI-PMH its header. A deleted OAI-PMH record has no XML.
struct PageRecord {
    std::string xml;
    std::string fileIdentifier; // trimmed, as the record writes it
    std::string dateStamp;      // the record's gmd:dateStamp, trimmed
    /// What the importer makes of the record (csrimport::BuiltRecord, encoded), its verdict and
    /// the date of its dateStamp as the importer reads it ("YYYY-MM-DD", empty when unreadable).
    std::string built;
    csrimport::RecordVerdict verdict = csrimport::RecordVerdict::NotCsr;
    std::string recordDate;
    // OAI-PMH header
    std::string identifier;
    std::string datestamp;
    bool deleted = false;
};

/// An error a catalogue answers with (and HTTP 200): an OAI-PMH error or a CSW exception.
struct CatalogueError {
    std::string code;
    std::string text;
};

/// A metadata format an OAI-PMH catalogue names.
struct MetadataFormat {
    std::string prefix;
    std::string schema;
    std::string metadataNamespace;
};

/// The records of a reply still to be cut from its bytes: for each, where it stands among the
/// reply's elements (0 for the root), its qualified name, the namespace declarations it
/// inherits and its index among the page's records.
struct RecordCut {
    struct Record {
        std::size_t ordinal;
        std::string name;
        std::string declarations;
        std::size_t index;
    };
    std::shared_ptr<const std::string> bytes;
    std::vector<Record> records;
};

/// What a reply holds, read as the importer reads a document: no DTD, entity or network.
struct Page {
    bool usable = false;
    std::string problem; // why it is not, as the importer says it
    std::vector<PageRecord> records;
    std::string holds; // what it holds instead of records (its root, ...), when it holds none
    // OAI-PMH
    std::string responseDate;
    std::optional<CatalogueError> oaiError;
    std::optional<std::string> resumptionToken; // present; empty ends the list
    std::string tokenExpires;                   // its expirationDate
    std::optional<long long> completeListSize;
    std::string granularity, earliestDatestamp, deletedRecord; // of Identify
    std::vector<MetadataFormat> formats;                       // of ListMetadataFormats
    // CSW
    std::optional<CatalogueError> exception;
    std::optional<long long> matched, returned, nextRecord;
    /// Set by readPageLater: the records' XML is still to be cut (cutRecords).
    std::shared_ptr<const RecordCut> cut;
};

/// Reads a reply's bytes.
Page readPage(const std::string& bytes);

/// Reads a reply's bytes as readPage does, but leaves the records of a reply in UTF-8 to be cut
/// from its bytes later, on another thread, by cutRecords: only their XML is missing.
Page readPageLater(std::shared_ptr<const std::string> bytes);

/// Fills in the XML of the records readPageLater left: false, with nothing changed, when the
/// bytes do not cut as the tree said; readPage of the bytes then gives the records written out
/// anew. Uses no libxml2, so it may run beside a reading of the next page.
bool cutRecords(const RecordCut& cut, std::vector<PageRecord>& records);

} // namespace harvest

#endif // HARVEST_PAGE_H
