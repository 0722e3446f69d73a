// Finding elements of a CSR record by namespace URI and local name, and reading their text.
#ifndef IMPORT_XMLNODES_H
#define IMPORT_XMLNODES_H

#include <libxml/tree.h>

#include <string>
#include <utility>
#include <vector>

namespace csrimport {

/// The namespaces of CSR records, and of the documents around them: XML Schema instances
/// (xsi:type), OAI-PMH, OGC Web Services (exception reports) and the catalogue service (CSW).
enum class Ns { Gmd, Gmi, Gco, Sdn, Gml, Xsi, Oai, Ows, Csw };

/// Whether node is an element of namespace ns with that local name. Gml matches both
/// http://www.opengis.net/gml and http://www.opengis.net/gml/3.2; Ows its versions 1.0
/// (no number), 1.1 and 2.0.
bool isElement(const xmlNode* node, Ns ns, const char* name);

/// The first child element of parent of that name; nullptr when there is none (or no parent).
const xmlNode* child(const xmlNode* parent, Ns ns, const char* name);
/// Every child element of parent of that name, in document order.
std::vector<const xmlNode*> children(const xmlNode* parent, Ns ns, const char* name);
/// The first child element of parent whatever its name, a translation (gmd:PT_FreeText) left out.
const xmlNode* firstElement(const xmlNode* parent);
/// The first element below parent (not parent itself) of that name, in document order.
const xmlNode* descendant(const xmlNode* parent, Ns ns, const char* name);
/// Every element below parent of that name, in document order; an element found is not
/// searched further.
std::vector<const xmlNode*> descendants(const xmlNode* parent, Ns ns, const char* name);
/// Follows a path of child steps; a step named "*" is the first child element whatever its name.
///   path(record, {{Ns::Gmd, "identificationInfo"}, {Ns::Gmd, "*"}}) => the first child of the first identificationInfo
struct Step {
    Ns ns;
    const char* name;
};
const xmlNode* path(const xmlNode* from, std::initializer_list<Step> steps);

/// All text below node (text and CDATA sections), in document order, as UTF-8.
std::string allText(const xmlNode* node);
/// The text of a property element: all the text of its first child element (a
/// gco:CharacterString, a gmx:Anchor or a code element), or its own text when it has none;
/// translations are left out. Empty for nullptr.
///   <gmd:title><gco:CharacterString>Leg 2</gco:CharacterString></gmd:title> => "Leg 2"
///   <sdn:quantity>18</sdn:quantity> => "18"
std::string propertyText(const xmlNode* property);
/// The codeListValue attribute of an element, as written; empty when missing.
std::string codeListValue(const xmlNode* element);
/// An unqualified attribute of an element, as written; empty when missing.
std::string attribute(const xmlNode* element, const char* name);
/// Whether the element has that unqualified attribute.
bool hasAttribute(const xmlNode* element, const char* name);
/// An attribute of namespace ns, as written; empty when missing.
std::string attribute(const xmlNode* element, Ns ns, const char* name);
/// Whether a namespace URI is that of ns.
bool isNamespace(const char* uri, Ns ns);
/// The namespace URI that a QName's prefix has in element's scope (the default namespace
/// without a prefix), and its local part; the URI is empty when the prefix is bound to none.
///   "gmi:MI_Metadata_Type" => {"http://www.isotc211.org/2005/gmi", "MI_Metadata_Type"}
std::pair<std::string, std::string> resolveQName(const xmlNode* element, const std::string& qname);

} // namespace csrimport

#endif // IMPORT_XMLNODES_H
