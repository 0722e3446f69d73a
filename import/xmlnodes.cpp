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

bool same(const xmlChar* a, const char* b) { return std::strcmp(reinterpret_cast<const char*>(a), b) == 0; }

bool inNamespace(const xmlNode* node, Ns ns) {
    if (!node->ns || !node->ns->href) return false;
    const xmlChar* uri = node->ns->href;
    switch (ns) {
    case Ns::Gmd: return same(uri, kGmd);
    case Ns::Gmi: return same(uri, kGmi);
    case Ns::Gco: return same(uri, kGco);
    case Ns::Sdn: return same(uri, kSdn);
    case Ns::Gml: return same(uri, kGml) || same(uri, kGml32);
    }
    return false;
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

} // namespace csrimport
