// The descriptive keywords of a record's identification, by keyword type.
#include "import/keywords.h"

#include "import/xmlnodes.h"

namespace csrimport {

namespace {

Keyword keywordOf(const xmlNode* element) {
    Keyword k;
    if (!element) return k;
    k.label = formText(allText(element));
    k.code = codeText(element);
    return k;
}

} // namespace

FormText codeText(const xmlNode* element) {
    if (!element || !hasAttribute(element, "codeListValue")) return {};
    return formText(codeListValue(element));
}

std::string codeOf(const xmlNode* element) { return codeText(element).text; }

KeywordBlocks::KeywordBlocks(const xmlNode* identification) {
    for (const xmlNode* descriptive : children(identification, Ns::Gmd, "descriptiveKeywords"))
        for (const xmlNode* block : children(descriptive, Ns::Gmd, "MD_Keywords"))
            m_blocks.emplace_back(codeOf(path(block, {{Ns::Gmd, "type"}, {Ns::Gmd, "MD_KeywordTypeCode"}})), block);
}

std::vector<const xmlNode*> KeywordBlocks::ofType(const std::string& type) const {
    std::vector<const xmlNode*> blocks;
    for (const auto& [blockType, block] : m_blocks)
        if (blockType == type) blocks.push_back(block);
    return blocks;
}

std::vector<Keyword> keywordsOf(const std::vector<const xmlNode*>& blocks) {
    std::vector<Keyword> keywords;
    for (const xmlNode* block : blocks)
        for (const xmlNode* keyword : children(block, Ns::Gmd, "keyword"))
            for (const xmlNode* n = keyword->children; n; n = n->next)
                if (n->type == XML_ELEMENT_NODE && !isElement(n, Ns::Gmd, "PT_FreeText"))
                    keywords.push_back(keywordOf(n));
    return keywords;
}

Keyword firstKeyword(const std::vector<const xmlNode*>& blocks) {
    for (const xmlNode* block : blocks)
        if (const xmlNode* keyword = child(block, Ns::Gmd, "keyword")) return keywordOf(firstElement(keyword));
    return {};
}

} // namespace csrimport
