// A catalogue's reply read: its records and what it says about paging, errors and itself.
#include "harvest/page.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "import/documentfacts.h"
#include "import/recordreader.h"
#include "import/xmlnodes.h"

namespace harvest {

namespace {

using csrimport::Ns;

std::string trim(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::optional<long long> number(const std::string& text) {
    long long n = 0;
    const std::string t = trim(text);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return n;
}

std::string childText(const xmlNode* parent, Ns ns, const char* name) {
    return trim(csrimport::allText(csrimport::child(parent, ns, name)));
}

struct FreeDoc {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// The record as a document of its own: the namespaces in scope where it stood are declared on
// it, so that prefixes in attribute values (xsi:type) still resolve.
std::string standalone(const xmlNode* record) {
    std::unique_ptr<xmlDoc, FreeDoc> doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlNode* copy = xmlDocCopyNode(const_cast<xmlNode*>(record), doc.get(), 1);
    if (!copy) return {};
    xmlDocSetRootElement(doc.get(), copy);
    if (xmlNs** inScope = xmlGetNsList(record->doc, record)) {
        for (xmlNs** ns = inScope; *ns; ++ns)
            if (!xmlSearchNs(doc.get(), copy, (*ns)->prefix)) xmlNewNs(copy, (*ns)->href, (*ns)->prefix);
        xmlFree(inScope);
    }
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc.get(), &bytes, &size, "UTF-8");
    std::string text = bytes ? std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size)) : "";
    xmlFree(bytes);
    return text;
}

// The elements of a catalogue's reply that are not records.
class Replies : public csrimport::ElementObserver {
public:
    explicit Replies(Page& page) : m_page(page) {}

    void element(const xmlNode* node, int) override {
        if (csrimport::isElement(node, Ns::Csw, "SearchResults")) {
            m_page.matched = number(csrimport::attribute(node, "numberOfRecordsMatched"));
            m_page.returned = number(csrimport::attribute(node, "numberOfRecordsReturned"));
            m_page.nextRecord = number(csrimport::attribute(node, "nextRecord"));
        }
    }
    bool wants(const xmlNode* node) const override {
        for (const char* name : {"header", "error", "resumptionToken", "responseDate", "Identify", "metadataFormat"})
            if (csrimport::isElement(node, Ns::Oai, name)) return true;
        return csrimport::isElement(node, Ns::Ows, "ExceptionReport");
    }
    void take(const xmlNode* node) override {
        if (csrimport::isElement(node, Ns::Oai, "header")) {
            PageRecord record;
            record.identifier = childText(node, Ns::Oai, "identifier");
            record.datestamp = childText(node, Ns::Oai, "datestamp");
            record.deleted = csrimport::attribute(node, "status") == "deleted";
            m_page.records.push_back(std::move(record));
            m_headerOpen = true;
        } else if (csrimport::isElement(node, Ns::Oai, "error")) {
            if (!m_page.oaiError)
                m_page.oaiError = CatalogueError{csrimport::attribute(node, "code"), trim(csrimport::allText(node))};
        } else if (csrimport::isElement(node, Ns::Oai, "resumptionToken")) {
            m_page.resumptionToken = trim(csrimport::allText(node));
            m_page.tokenExpires = csrimport::attribute(node, "expirationDate");
            m_page.completeListSize = number(csrimport::attribute(node, "completeListSize"));
        } else if (csrimport::isElement(node, Ns::Oai, "responseDate")) {
            m_page.responseDate = trim(csrimport::allText(node));
        } else if (csrimport::isElement(node, Ns::Oai, "Identify")) {
            m_page.granularity = childText(node, Ns::Oai, "granularity");
            m_page.earliestDatestamp = childText(node, Ns::Oai, "earliestDatestamp");
            m_page.deletedRecord = childText(node, Ns::Oai, "deletedRecord");
        } else if (csrimport::isElement(node, Ns::Oai, "metadataFormat")) {
            m_page.formats.push_back({childText(node, Ns::Oai, "metadataPrefix"), childText(node, Ns::Oai, "schema"),
                                      childText(node, Ns::Oai, "metadataNamespace")});
        } else if (!m_page.exception) {
            const xmlNode* exception = csrimport::child(node, Ns::Ows, "Exception");
            m_page.exception =
                CatalogueError{csrimport::attribute(exception, "exceptionCode"),
                               trim(csrimport::allText(csrimport::child(exception, Ns::Ows, "ExceptionText")))};
        }
    }

    // A record: the one of the OAI-PMH header just read, or one of its own.
    void record(const xmlNode* node) {
        if (!m_headerOpen) m_page.records.emplace_back();
        m_headerOpen = false;
        PageRecord& r = m_page.records.back();
        r.xml = standalone(node);
        r.fileIdentifier = trim(csrimport::propertyText(csrimport::child(node, Ns::Gmd, "fileIdentifier")));
        r.dateStamp = trim(csrimport::propertyText(csrimport::child(node, Ns::Gmd, "dateStamp")));
        r.csr =
            trim(csrimport::codeListValue(csrimport::path(node, {{Ns::Gmd, "hierarchyLevelName"}, {Ns::Gmd, "*"}}))) ==
            "CSR";
    }

private:
    Page& m_page;
    bool m_headerOpen = false;
};

} // namespace

Page readPage(const std::string& bytes) {
    Page page;
    Replies replies(page);
    std::size_t at = 0;
    const csrimport::RecordReader::Outcome outcome = csrimport::RecordReader::read(
        [&](char* buffer, int size) {
            const std::size_t n = std::min(static_cast<std::size_t>(size), bytes.size() - at);
            std::memcpy(buffer, bytes.data() + at, n);
            at += n;
            return static_cast<int>(n);
        },
        [&](const xmlNode* record) {
            replies.record(record);
            return true;
        },
        &page.problem, &page.holds, &replies);
    page.usable = outcome == csrimport::RecordReader::Outcome::Complete;
    if (!page.usable) page.records.clear();
    return page;
}

} // namespace harvest
