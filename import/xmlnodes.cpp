// Finding elements of a CSR record by namespace URI and local name, and reading their text.
#include "import/xmlnodes.h"

#include <cstring>

namespace csrimport {

namespace {

constexpr const char* kGmd = "http://www.isotc211.org/2005/gmd";
constexpr const char* kGmi = "http://www.isotc211.org/2005/gmi";
constexpr const char* kGco = "http://www.isotc211.org/2005/gco";
constexpr const char* kSdn = "http://www.seadatanet.org";
constexpr const char* kGml = "http://www.opengis.net/gml";
constexpr const char* kGml32 = "http://www.opengis.net/gml/3.2";
constexpr const char* kXsi = "http://www.w3.org/2001/XMLSchema-instance";
constexpr const char* kOai = "http://www.openarchives.org/OAI/2.0/";
constexpr const char* kOws = "http://www.opengis.net/ows";
constexpr const char* kOws11 = "http://www.opengis.net/ows/1.1";
constexpr const char* kOws20 = "http://www.opengis.net/ows/2.0";
constexpr const char* kCsw = "http://www.opengis.net/cat/csw/2.0.2";

bool same(const xmlChar* a, const char* b) { return std::strcmp(reinterpret_cast<const char*>(a), b) == 0; }

bool inNamespace(const xmlNode* node, Ns ns) {
    return node->ns && node->ns->href && isNamespace(reinterpret_cast<const char*>(node->ns->href), ns);
}

bool isTranslation(const xmlNode* node) { return isElement(node, Ns::Gmd, "PT_FreeText"); }

void appendText(const xmlNode* node, std::string& out) {
    for (const xmlNode* n = node->children; n; n = n->next) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            if (n->content) out += reinterpret_cast<const char*>(n->content);
        } else if (n->type == XML_ELEMENT_NODE) {
            appendText(n, out);
        }
    }
}

template <typename Found> void searchBelow(const xmlNode* parent, Ns ns, const char* name, Found found) {
    for (const xmlNode* n = parent->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (isElement(n, ns, name)) {
            if (!found(n)) return;
        } else {
            searchBelow(n, ns, name, found);
        }
    }
}

} // namespace

bool isElement(const xmlNode* node, Ns ns, const char* name) {
    return node && node->type == XML_ELEMENT_NODE && same(node->name, name) && inNamespace(node, ns);
}

const xmlNode* child(const xmlNode* parent, Ns ns, const char* name) {
    if (!parent) return nullptr;
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (isElement(n, ns, name)) return n;
    return nullptr;
}

std::vector<const xmlNode*> children(const xmlNode* parent, Ns ns, const char* name) {
    std::vector<const xmlNode*> out;
    if (!parent) return out;
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (isElement(n, ns, name)) out.push_back(n);
    return out;
}

const xmlNode* firstElement(const xmlNode* parent) {
    if (!parent) return nullptr;
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && !isTranslation(n)) return n;
    return nullptr;
}

const xmlNode* descendant(const xmlNode* parent, Ns ns, const char* name) {
    if (!parent) return nullptr;
    // Depth first, so the first found is the first in document order.
    for (const xmlNode* n = parent->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (isElement(n, ns, name)) return n;
        if (const xmlNode* below = descendant(n, ns, name)) return below;
    }
    return nullptr;
}

std::vector<const xmlNode*> descendants(const xmlNode* parent, Ns ns, const char* name) {
    std::vector<const xmlNode*> out;
    if (parent)
        searchBelow(parent, ns, name, [&](const xmlNode* n) {
            out.push_back(n);
            return true;
        });
    return out;
}

const xmlNode* path(const xmlNode* from, std::initializer_list<Step> steps) {
    const xmlNode* at = from;
    for (const Step& step : steps) {
        if (!at) return nullptr;
        at = std::strcmp(step.name, "*") == 0 ? firstElement(at) : child(at, step.ns, step.name);
    }
    return at;
}

std::string allText(const xmlNode* node) {
    std::string out;
    if (node) appendText(node, out);
    return out;
}

std::string propertyText(const xmlNode* property) {
    if (!property) return {};
    if (const xmlNode* value = firstElement(property)) return allText(value);
    std::string own;
    for (const xmlNode* n = property->children; n; n = n->next)
        if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) && n->content)
            own += reinterpret_cast<const char*>(n->content);
    return own;
}

std::string attribute(const xmlNode* element, const char* name) {
    if (!element) return {};
    for (const xmlAttr* a = element->properties; a; a = a->next) {
        if (a->ns || !same(a->name, name)) continue;
        std::string value;
        for (const xmlNode* n = a->children; n; n = n->next)
            if (n->content) value += reinterpret_cast<const char*>(n->content);
        return value;
    }
    return {};
}

bool hasAttribute(const xmlNode* element, const char* name) {
    if (!element) return false;
    for (const xmlAttr* a = element->properties; a; a = a->next)
        if (!a->ns && same(a->name, name)) return true;
    return false;
}

std::string codeListValue(const xmlNode* element) { return attribute(element, "codeListValue"); }

bool isNamespace(const char* uri, Ns ns) {
    const auto is = [uri](const char* known) { return std::strcmp(uri, known) == 0; };
    switch (ns) {
    case Ns::Gmd:
        return is(kGmd);
    case Ns::Gmi:
        return is(kGmi);
    case Ns::Gco:
        return is(kGco);
    case Ns::Sdn:
        return is(kSdn);
    case Ns::Gml:
        return is(kGml) || is(kGml32);
    case Ns::Xsi:
        return is(kXsi);
    case Ns::Oai:
        return is(kOai);
    case Ns::Ows:
        return is(kOws) || is(kOws11) || is(kOws20);
    case Ns::Csw:
        return is(kCsw);
    }
    return false;
}

std::string attribute(const xmlNode* element, Ns ns, const char* name) {
    if (!element) return {};
    for (const xmlAttr* a = element->properties; a; a = a->next) {
        if (!a->ns || !a->ns->href || !same(a->name, name) ||
            !isNamespace(reinterpret_cast<const char*>(a->ns->href), ns))
            continue;
        std::string value;
        for (const xmlNode* n = a->children; n; n = n->next)
            if (n->content) value += reinterpret_cast<const char*>(n->content);
        return value;
    }
    return {};
}

std::pair<std::string, std::string> resolveQName(const xmlNode* element, const std::string& qname) {
    const std::size_t colon = qname.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : qname.substr(0, colon);
    const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
    const xmlNs* ns = xmlSearchNs(element->doc, const_cast<xmlNode*>(element),
                                  prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
    return {ns && ns->href ? reinterpret_cast<const char*>(ns->href) : std::string(), local};
}

} // namespace csrimport
