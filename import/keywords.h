// The descriptive keywords of a record's identification, by keyword type.
#ifndef IMPORT_KEYWORDS_H
#define IMPORT_KEYWORDS_H

#include <libxml/tree.h>

#include <string>
#include <vector>

#include "import/formtext.h"

namespace csrimport {

/// One keyword: its label (the element's text) and its code (codeListValue), both cleaned.
/// A keyword given as gco:CharacterString has a label and no code.
struct Keyword {
    FormText label;
    FormText code;
};

/// The gmd:MD_Keywords blocks below an identification's gmd:descriptiveKeywords, with their
/// keyword types (gmd:type/gmd:MD_KeywordTypeCode codes), read once.
class KeywordBlocks {
public:
    explicit KeywordBlocks(const xmlNode* identification);
    /// The blocks of a keyword type ("platform", "place", ...), in document order.
    std::vector<const xmlNode*> ofType(const std::string& type) const;

private:
    std::vector<std::pair<std::string, const xmlNode*>> m_blocks;
};

/// Every keyword of the blocks: the child elements of each gmd:keyword, in document order.
std::vector<Keyword> keywordsOf(const std::vector<const xmlNode*>& blocks);

/// The first keyword of the blocks: the first child element of the first gmd:keyword. Empty
/// label and code when there is none.
Keyword firstKeyword(const std::vector<const xmlNode*>& blocks);

/// The code of an element: its codeListValue converted and cleaned like a value, with the
/// characters Windows-1252 lacks counted for a code that is written into a form.
FormText codeText(const xmlNode* element);
/// codeText without the count, for codes that are compared.
std::string codeOf(const xmlNode* element);

} // namespace csrimport

#endif // IMPORT_KEYWORDS_H
