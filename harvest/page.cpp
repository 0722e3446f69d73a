// A catalogue's reply read: its records and what it says about paging, errors and itself.
#include "harvest/page.h"

#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

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

// An attribute value as XML writes it between double quotes.
void appendEscaped(std::string& out, const char* text) {
    for (const char* c = text; *c; ++c) {
        switch (*c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += *c;
        }
    }
}

struct CloseOutput {
    void operator()(xmlOutputBuffer* out) const { xmlOutputBufferClose(out); }
};

// Whether the element itself declares the namespace's prefix (or the default namespace).
bool declaresPrefix(const xmlNode* element, const xmlNs* ns) {
    for (const xmlNs* d = element->nsDef; d; d = d->next)
        if (d->prefix == nullptr ? ns->prefix == nullptr : ns->prefix != nullptr && xmlStrEqual(d->prefix, ns->prefix))
            return true;
    return false;
}

// The namespaces in scope at a record that it does not declare itself, as attributes: declared
// on the record made a document of its own, every prefix (xsi:type's too) still resolves.
std::string inheritedDeclarations(const xmlNode* record) {
    std::string declarations;
    if (xmlNs** inScope = xmlGetNsList(record->doc, record)) {
        for (xmlNs** ns = inScope; *ns; ++ns) {
            if (!(*ns)->href || declaresPrefix(record, *ns)) continue;
            declarations += (*ns)->prefix ? " xmlns:" : " xmlns";
            if ((*ns)->prefix) declarations += reinterpret_cast<const char*>((*ns)->prefix);
            declarations += "=\"";
            appendEscaped(declarations, reinterpret_cast<const char*>((*ns)->href));
            declarations += '"';
        }
        xmlFree(inScope);
    }
    return declarations;
}

std::string qualifiedName(const xmlNode* node) {
    std::string name;
    if (node->ns && node->ns->prefix) name.append(reinterpret_cast<const char*>(node->ns->prefix)).append(":");
    return name.append(reinterpret_cast<const char*>(node->name));
}

// A record's element, as a document of its own in UTF-8 with the declarations after its name.
std::string standaloneDocument(std::string_view element, const std::string& declarations) {
    const std::size_t nameEnd = std::min(element.find_first_of(" \t\r\n/>"), element.size());
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    text.reserve(text.size() + element.size() + declarations.size() + 1);
    text.append(element.substr(0, nameEnd)).append(declarations).append(element.substr(nameEnd)).append("\n");
    return text;
}

// The record written out again from its tree, for a page whose bytes cannot be cut.
std::string rewritten(const xmlNode* record, const std::string& declarations) {
    std::unique_ptr<xmlOutputBuffer, CloseOutput> out(xmlAllocOutputBuffer(nullptr));
    if (!out) return {};
    xmlNodeDumpOutput(out.get(), record->doc, const_cast<xmlNode*>(record), 0, 0, "UTF-8");
    xmlOutputBufferFlush(out.get());
    const xmlChar* content = xmlOutputBufferGetContent(out.get());
    const std::size_t size = xmlOutputBufferGetSize(out.get());
    if (!content || size == 0) return {};
    return standaloneDocument(std::string_view(reinterpret_cast<const char*>(content), size), declarations);
}

// Whether a page's records can be cut from its bytes as they are: it is in UTF-8 (or ASCII),
// as its byte order mark and its XML declaration say.
bool inUtf8(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE") ||
        bytes.starts_with(std::string_view("\0", 1)) || (bytes.size() > 1 && bytes[1] == '\0'))
        return false;
    if (!bytes.starts_with("<?xml")) return true;
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return true;
    const std::size_t open = declaration.find_first_of("\"'", at);
    if (open == std::string_view::npos) return false;
    const std::size_t close = declaration.find(declaration[open], open + 1);
    std::string name(declaration.substr(open + 1, close == std::string_view::npos ? 0 : close - open - 1));
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII";
}

constexpr std::size_t npos = std::string_view::npos;

// The index after a comment, CDATA section or processing instruction that starts at i (npos
// when it is not closed), or i itself when none starts there.
std::size_t pastMarkup(std::string_view xml, std::size_t i) {
    static constexpr std::pair<std::string_view, std::string_view> kinds[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    for (const auto& [open, close] : kinds) {
        if (!xml.substr(i).starts_with(open)) continue;
        const std::size_t at = xml.find(close, i + open.size());
        return at == npos ? npos : at + close.size();
    }
    return i;
}

// The index of the '>' that closes a start tag, from an index past its name, over quoted
// attribute values; npos when the tag is not closed.
std::size_t startTagEnd(std::string_view xml, std::size_t from) {
    for (std::size_t end = from; end < xml.size(); ++end) {
        const char c = xml[end];
        if (c == '>') return end;
        if (c == '"' || c == '\'') {
            end = xml.find(c, end + 1);
            if (end == npos) return npos;
        }
    }
    return npos;
}

// Whether c ends an element's name in its start tag.
constexpr bool endsName(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// The bytes of the wanted elements (in document order), from their start tag to the end of
// their end tag, in a document known to be well-formed; found() is false when the bytes do
// not agree.
class ElementSpans {
public:
    ElementSpans(std::string_view xml, const std::vector<RecordCut::Record>& wanted,
                 std::vector<std::string_view>* spans)
        : m_xml(xml), m_wanted(wanted), m_spans(spans) {}

    bool found() {
        for (std::size_t i = m_xml.find('<'); i != npos && m_next < m_wanted.size(); i = m_xml.find('<', i)) {
            const char after = i + 1 < m_xml.size() ? m_xml[i + 1] : '\0';
            if (after == '/') {
                i = endTag(i);
            } else if (after == '!' || after == '?') {
                const std::size_t past = pastMarkup(m_xml, i);
                if (past == i) return false; // a DOCTYPE: such pages are not read
                i = past;
            } else {
                i = startTag(i);
            }
            if (i == npos) return false;
        }
        return m_next == m_wanted.size();
    }

private:
    std::size_t endTag(std::size_t i) {
        const std::size_t at = m_xml.find('>', i + 2);
        if (at == npos) return npos;
        if (--m_depth == m_openAt) {
            m_spans->push_back(m_xml.substr(m_begin, at + 1 - m_begin));
            ++m_next;
            m_openAt = -1;
        }
        return at + 1;
    }

    std::size_t startTag(std::size_t i) {
        std::size_t nameEnd = i + 1;
        while (nameEnd < m_xml.size() && !endsName(m_xml[nameEnd]))
            ++nameEnd;
        const std::size_t end = startTagEnd(m_xml, nameEnd);
        if (end == npos) return npos;
        const bool empty = m_xml[end - 1] == '/';
        if (m_openAt < 0 && m_ordinal == m_wanted[m_next].ordinal) {
            if (m_xml.substr(i + 1, nameEnd - i - 1) != m_wanted[m_next].name) return npos;
            m_begin = i;
            if (empty) {
                m_spans->push_back(m_xml.substr(i, end + 1 - i));
                ++m_next;
            } else {
                m_openAt = m_depth;
            }
        }
        ++m_ordinal;
        if (!empty) ++m_depth;
        return end + 1;
    }

    std::string_view m_xml;
    const std::vector<RecordCut::Record>& m_wanted;
    std::vector<std::string_view>* m_spans;
    std::size_t m_ordinal = 0, m_next = 0, m_begin = 0;
    long m_depth = 0, m_openAt = -1; // the depth the wanted element open now was opened at
};

bool elementSpans(std::string_view xml, const std::vector<RecordCut::Record>& wanted,
                  std::vector<std::string_view>* spans) {
    return ElementSpans(xml, wanted, spans).found();
}

std::size_t elementsIn(const xmlNode* node) {
    std::size_t n = 1;
    for (const xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) n += elementsIn(c);
    return n;
}

// The elements of a catalogue's reply that are not records.
class Replies : public csrimport::ElementObserver {
public:
    // plan: where the records are to be cut from the page's bytes, instead of written out
    // again (none: written out again).
    Replies(Page& page, RecordCut* plan) : m_page(page), m_plan(plan) {}

    void element(const xmlNode* node, int) override {
        ++m_elements;
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
        m_elements += elementsIn(node);
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
        const std::string declarations = inheritedDeclarations(node);
        if (m_plan) {
            m_plan->records.push_back({m_elements, qualifiedName(node), declarations, m_page.records.size() - 1});
        } else {
            r.xml = rewritten(node, declarations);
        }
        m_elements += elementsIn(node);
        r.fileIdentifier = trim(csrimport::propertyText(csrimport::child(node, Ns::Gmd, "fileIdentifier")));
        r.dateStamp = trim(csrimport::propertyText(csrimport::child(node, Ns::Gmd, "dateStamp")));
        const csrimport::BuiltRecord built = csrimport::BuiltRecord::of(node);
        r.verdict = built.verdict;
        r.built = built.encode();
        if (built.form.dateStamp) r.recordDate = built.form.dateStamp->isoText();
    }

private:
    Page& m_page;
    RecordCut* m_plan;
    bool m_headerOpen = false;
    std::size_t m_elements = 0; // the elements of the page before the one at hand
};

} // namespace

namespace {

// plan: where the records are to be cut from the bytes, their XML left empty (none: the
// records written out again).
Page readPage(const std::string& bytes, RecordCut* plan) {
    Page page;
    Replies replies(page, plan);
    std::size_t at = 0;
    const csrimport::RecordReader::Outcome outcome = csrimport::RecordReader::read(
        [&](char* buffer, int size) {
            const std::size_t n = std::min(static_cast<std::size_t>(size), bytes.size() - at);
            std::copy_n(bytes.data() + at, n, buffer);
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

bool cutFrom(std::string_view bytes, const RecordCut& cut, std::vector<PageRecord>& records) {
    std::vector<std::string_view> spans;
    if (!elementSpans(bytes, cut.records, &spans)) return false;
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (cut.records[i].index >= records.size()) return false;
    for (std::size_t i = 0; i < spans.size(); ++i)
        records[cut.records[i].index].xml = standaloneDocument(spans[i], cut.records[i].declarations);
    return true;
}

} // namespace

bool cutRecords(const RecordCut& cut, std::vector<PageRecord>& records) {
    return cut.bytes && cutFrom(*cut.bytes, cut, records);
}

// The records are cut from the reply's bytes as received where it is in UTF-8; from a reply
// in another encoding, or one whose bytes do not cut as its tree says, they are written out
// again in UTF-8.
Page readPage(const std::string& bytes) {
    if (!inUtf8(bytes)) return readPage(bytes, nullptr);
    RecordCut plan;
    Page page = readPage(bytes, &plan);
    if (page.usable && !cutFrom(bytes, plan, page.records)) return readPage(bytes, nullptr);
    return page;
}

Page readPageLater(std::shared_ptr<const std::string> bytes) {
    if (!inUtf8(*bytes)) return readPage(*bytes, nullptr);
    auto plan = std::make_shared<RecordCut>();
    Page page = readPage(*bytes, plan.get());
    if (page.usable && !plan->records.empty()) {
        plan->bytes = std::move(bytes);
        page.cut = std::move(plan);
    }
    return page;
}

} // namespace harvest
