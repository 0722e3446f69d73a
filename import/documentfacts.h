// What a document that holds no CSR record holds instead, noted as it streams by.
#ifndef IMPORT_DOCUMENTFACTS_H
#define IMPORT_DOCUMENTFACTS_H

#include <libxml/tree.h>

#include <optional>
#include <string>

namespace csrimport {

/// Sees the elements outside records as a document streams by: each as the reader reaches it
/// (depth 0 for the root), and those it wants whole expanded once read. Nothing by default.
class ElementObserver {
public:
    virtual ~ElementObserver() = default;
    /// An element whose children are not yet read.
    virtual void element(const xmlNode* node, int depth);
    /// Whether the element is to be read whole and given to take().
    virtual bool wants(const xmlNode* node) const;
    /// An element wants() asked for, expanded.
    virtual void take(const xmlNode* node);
};

/// The elements outside records that tell what a document is: its root, an OAI-PMH error or
/// request, the first element of an OAI-PMH record's metadata, a CSW exception report or
/// search results. The reader shows it each element it passes (depth 0 for the root); an
/// element that wants() its whole subtree is then given it expanded with take().
class DocumentFacts : public ElementObserver {
public:
    /// Notes an element whose children are not yet read.
    void element(const xmlNode* node, int depth) override;
    /// Whether the element is one read whole: an OAI-PMH error or a CSW exception report.
    bool wants(const xmlNode* node) const override;
    /// Reads an element that wants() its subtree, expanded.
    void take(const xmlNode* node) override;

    /// One phrase saying what the document holds, for the message of a document without records:
    ///   "an OAI-PMH error, noRecordsMatch: no record matches"
    ///   "an OAI-PMH page of records in another metadata format, oai_dc (oai_dc:dc)"
    ///   "a CSW exception report, InvalidParameterValue: typeNames unknown"
    ///   "a CSW response that says it matched 120 records but holds none"
    ///   "its root element is rss, of no namespace"
    std::string describe() const;

private:
    std::string m_root;      // "rss, of no namespace", "OAI-PMH, of namespace http://..."
    std::string m_oaiError;  // "noRecordsMatch: text"
    std::string m_exception; // "InvalidParameterValue: text"
    std::string m_metadataPrefix;
    std::string m_payload; // the qualified name of the first element in an OAI-PMH record's metadata
    bool m_inMetadata = false;
    std::optional<long long> m_matched; // numberOfRecordsMatched of CSW search results
};

} // namespace csrimport

#endif // IMPORT_DOCUMENTFACTS_H
