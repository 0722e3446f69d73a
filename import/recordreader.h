// Streams one XML document and hands over each CSR record in it, one at a time.
#ifndef IMPORT_RECORDREADER_H
#define IMPORT_RECORDREADER_H

#include <libxml/tree.h>

#include <functional>
#include <string>

namespace csrimport {

class ElementObserver;

/// Sets up libxml2 for reading untrusted documents, once: its allocator, no external entity.
void setUpXmlParser();

/// Reads a document with libxml2's xmlTextReader, expanding only the record elements
/// (gmd:MD_Metadata and gmi:MI_Metadata not inside another record), so that memory stays near
/// the size of the largest record. The parser never reads a DTD, an external entity or the
/// network; a document with a DOCTYPE declaration is refused before any record is handed over.
class RecordReader {
public:
    /// Fills buffer with up to size bytes of the document: the count, 0 at its end, -1 when the
    /// bytes cannot be had (the source keeps its reason).
    using Source = std::function<int(char* buffer, int size)>;
    /// Receives each record element; returns false to stop reading.
    using RecordSink = std::function<bool(const xmlNode* record)>;

    enum class Outcome {
        Complete,  // the document was read to its end and is well-formed
        NotUsable, // not well-formed, truncated, a DOCTYPE, an encoding the parser lacks, ...
        Stopped,   // the sink asked to stop
    };

    /// Reads the document; for NotUsable, *problem says why ("line 3: ..."). Records handed
    /// over before a problem is found must not be used: the document counts as a whole. When
    /// what is given, it is filled with what a complete document holds instead of records
    /// (empty when it handed over a record). An observer sees the elements outside records.
    static Outcome read(const Source& source, const RecordSink& sink, std::string* problem, std::string* what = nullptr,
                        ElementObserver* observer = nullptr);

    /// Whether an element is a record: gmd:MD_Metadata or gmi:MI_Metadata; or an element whose
    /// xsi:type, its prefix resolved in the element's scope, names gmd:MD_Metadata_Type or
    /// gmi:MI_Metadata_Type; or whose gco:isoType is MD_Metadata or MI_Metadata, with or
    /// without a prefix and "_Type".
    ///   <MI_Metadata xsi:type="gmi:MI_Metadata_Type"> => a record
    ///   <mcp:MD_Metadata gco:isoType="gmd:MD_Metadata"> => a record
    ///   <gmd:MD_Metadata_Type> => none
    static bool isRecord(const xmlNode* node);
};

} // namespace csrimport

#endif // IMPORT_RECORDREADER_H
