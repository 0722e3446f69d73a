// What a document that holds no CSR record holds instead, noted as it streams by.
#include "import/documentfacts.h"

#include <charconv>

#include "import/xmlnodes.h"

namespace csrimport {

namespace {

std::string nameOf(const xmlNode* node) {
    std::string name = node->ns && node->ns->prefix ? reinterpret_cast<const char*>(node->ns->prefix) : "";
    if (!name.empty()) name += ':';
    return name + reinterpret_cast<const char*>(node->name);
}

// Blanks, CR, LF and TAB of a message's text as single blanks, none at either end.
std::string oneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (blank) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string codeAndText(const std::string& code, const std::string& text) {
    const std::string words = oneLine(text);
    if (code.empty()) return words.empty() ? "no code given" : words;
    return words.empty() ? code : code + ": " + words;
}

} // namespace

void ElementObserver::element(const xmlNode*, int) {}
bool ElementObserver::wants(const xmlNode*) const {
    return false;
}
void ElementObserver::take(const xmlNode*) {}

void DocumentFacts::element(const xmlNode* node, int depth) {
    if (depth == 0) {
        const char* uri = node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : nullptr;
        m_root = reinterpret_cast<const char*>(node->name) +
                 (uri ? std::string(", of namespace ") + uri : std::string(", of no namespace"));
    }
    if (m_inMetadata) {
        m_inMetadata = false;
        if (m_payload.empty()) m_payload = nameOf(node);
    }
    if (isElement(node, Ns::Oai, "metadata")) m_inMetadata = true;
    if (isElement(node, Ns::Oai, "request") && m_metadataPrefix.empty())
        m_metadataPrefix = attribute(node, "metadataPrefix");
    if (isElement(node, Ns::Csw, "SearchResults") && !m_matched) {
        const std::string matched = attribute(node, "numberOfRecordsMatched");
        long long n = 0;
        const auto [end, ec] = std::from_chars(matched.data(), matched.data() + matched.size(), n);
        if (ec == std::errc() && end == matched.data() + matched.size()) m_matched = n;
    }
}

bool DocumentFacts::wants(const xmlNode* node) const {
    return isElement(node, Ns::Oai, "error") || isElement(node, Ns::Ows, "ExceptionReport");
}

void DocumentFacts::take(const xmlNode* node) {
    if (isElement(node, Ns::Oai, "error")) {
        if (m_oaiError.empty()) m_oaiError = codeAndText(attribute(node, "code"), allText(node));
        return;
    }
    if (!m_exception.empty()) return;
    const xmlNode* exception = child(node, Ns::Ows, "Exception");
    m_exception =
        codeAndText(attribute(exception, "exceptionCode"), allText(child(exception, Ns::Ows, "ExceptionText")));
}

std::string DocumentFacts::describe() const {
    if (!m_oaiError.empty()) return "an OAI-PMH error, " + m_oaiError;
    if (!m_exception.empty()) return "a CSW exception report, " + m_exception;
    if (!m_payload.empty()) {
        const std::string format = m_metadataPrefix.empty() ? m_payload : m_metadataPrefix + " (" + m_payload + ")";
        return "an OAI-PMH page of records in another metadata format, " + format;
    }
    if (m_matched) {
        if (*m_matched == 0) return "a CSW response that matched no records";
        return "a CSW response that says it matched " + std::to_string(*m_matched) +
               (*m_matched == 1 ? " record" : " records") + " but holds none";
    }
    return "its root element is " + m_root;
}

} // namespace csrimport
