// CSR XML written by hand in the import tests.
#include "tests/import/csrrecord.h"

#include <cstring>
#include <stdexcept>

#include "import/recordreader.h"

namespace csrtest {

const char* const kNamespaces =
    " xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" xmlns:gmi=\"http://www.isotc211.org/2005/gmi\""
    " xmlns:gco=\"http://www.isotc211.org/2005/gco\" xmlns:gmx=\"http://www.isotc211.org/2005/gmx\""
    " xmlns:sdn=\"http://www.seadatanet.org\" xmlns:gml=\"http://www.opengis.net/gml/3.2\""
    " xmlns:xlink=\"http://www.w3.org/1999/xlink\"";

std::string record(const std::string& body, const std::string& element) {
    return "<" + element + kNamespaces + ">\n" + body + "</" + element + ">\n";
}

std::string document(const std::string& content, const std::string& encoding) {
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n" + content;
}

std::string fileIdentifier(const std::string& id) {
    return "<gmd:fileIdentifier><gco:CharacterString>" + id + "</gco:CharacterString></gmd:fileIdentifier>\n";
}

std::string hierarchyLevel(const std::string& code) {
    return "<gmd:hierarchyLevelName><sdn:SDN_HierarchyLevelNameCode codeListValue=\"" + code +
           "\">Cruise Summary record</sdn:SDN_HierarchyLevelNameCode></gmd:hierarchyLevelName>\n";
}

std::string dateStamp(const std::string& date) {
    return "<gmd:dateStamp><gco:Date>" + date + "</gco:Date></gmd:dateStamp>\n";
}

std::string identification(const std::string& body) {
    return "<gmd:identificationInfo><sdn:SDN_DataIdentification>\n" + body +
           "</sdn:SDN_DataIdentification></gmd:identificationInfo>\n";
}

std::string citation(const std::string& title, const std::string& parties) {
    std::string out = "<gmd:citation><gmd:CI_Citation>";
    if (!title.empty()) out += "<gmd:title><gco:CharacterString>" + title + "</gco:CharacterString></gmd:title>";
    return out + parties + "</gmd:CI_Citation></gmd:citation>\n";
}

std::string party(const std::string& role, const std::string& name, const std::string& organisation,
                  const std::string& countryCode, const std::string& countryLabel) {
    std::string out = "<gmd:CI_ResponsibleParty>";
    if (!name.empty()) out += "<gmd:individualName><gco:CharacterString>" + name + "</gco:CharacterString></gmd:individualName>";
    if (!organisation.empty())
        out += "<gmd:organisationName><sdn:SDN_EDMOCode codeListValue=\"1\">" + organisation +
               "</sdn:SDN_EDMOCode></gmd:organisationName>";
    if (!countryCode.empty() || !countryLabel.empty())
        out += "<gmd:contactInfo><gmd:CI_Contact><gmd:address><gmd:CI_Address><gmd:country><sdn:SDN_CountryCode "
               "codeListValue=\"" + countryCode + "\">" + countryLabel +
               "</sdn:SDN_CountryCode></gmd:country></gmd:CI_Address></gmd:address></gmd:CI_Contact></gmd:contactInfo>";
    return out + "<gmd:role><gmd:CI_RoleCode codeListValue=\"" + role + "\">" + role +
           "</gmd:CI_RoleCode></gmd:role></gmd:CI_ResponsibleParty>";
}

std::string keywords(const std::string& type, const std::vector<std::string>& keywordElements,
                     const std::string& thesaurus) {
    std::string out = "<gmd:descriptiveKeywords><gmd:MD_Keywords>";
    for (const std::string& k : keywordElements) out += "<gmd:keyword>" + k + "</gmd:keyword>";
    out += "<gmd:type><gmd:MD_KeywordTypeCode codeListValue=\"" + type + "\">" + type + "</gmd:MD_KeywordTypeCode></gmd:type>";
    if (!thesaurus.empty()) out += "<gmd:thesaurusName><gmd:CI_Citation>" + thesaurus + "</gmd:CI_Citation></gmd:thesaurusName>";
    return out + "</gmd:MD_Keywords></gmd:descriptiveKeywords>\n";
}

std::string codeKeyword(const std::string& element, const std::string& code, const std::string& label) {
    return "<sdn:" + element + " codeListValue=\"" + code + "\">" + label + "</sdn:" + element + ">";
}

std::string period(const std::string& begin, const std::string& end) {
    std::string out = "<gmd:extent><gmd:EX_Extent><gmd:temporalElement><gmd:EX_TemporalExtent><gmd:extent>"
                      "<gml:TimePeriod gml:id=\"p\">";
    if (!begin.empty()) out += "<gml:beginPosition>" + begin + "</gml:beginPosition>";
    if (!end.empty()) out += "<gml:endPosition>" + end + "</gml:endPosition>";
    return out + "</gml:TimePeriod></gmd:extent></gmd:EX_TemporalExtent></gmd:temporalElement></gmd:EX_Extent></gmd:extent>\n";
}

std::string box(const std::string& west, const std::string& east, const std::string& south, const std::string& north) {
    std::string out = "<gmd:EX_GeographicBoundingBox>";
    const auto value = [&](const char* name, const std::string& v) {
        if (v != "-") out += std::string("<gmd:") + name + "><gco:Decimal>" + v + "</gco:Decimal></gmd:" + name + ">";
    };
    value("westBoundLongitude", west);
    value("eastBoundLongitude", east);
    value("southBoundLatitude", south);
    value("northBoundLatitude", north);
    return out + "</gmd:EX_GeographicBoundingBox>";
}

std::string extent(const std::string& elements) {
    return "<gmd:extent><gmd:EX_Extent><gmd:geographicElement>" + elements +
           "</gmd:geographicElement></gmd:EX_Extent></gmd:extent>\n";
}

std::string objective(const std::string& code, const std::string& investigators, const std::string& quantity,
                      const std::string& unitCode, const std::string& unitLabel, const std::string& boxText,
                      const std::string& function) {
    std::string out = "<gmi:objective><sdn:SDN_Objective>";
    if (!function.empty()) out += "<gmi:function><gco:CharacterString>" + function + "</gco:CharacterString></gmi:function>";
    if (!boxText.empty())
        out += "<gmi:extent><gmd:EX_Extent><gmd:geographicElement>" + boxText +
               "</gmd:geographicElement></gmd:EX_Extent></gmi:extent>";
    out += "<gmi:sensingInstrument><gmi:MI_Instrument><gmi:type><sdn:SDN_DataCategoryCode codeListValue=\"" + code +
           "\">category</sdn:SDN_DataCategoryCode></gmi:type><gmi:mountedOn><gmi:MI_Platform>" + investigators +
           "</gmi:MI_Platform></gmi:mountedOn></gmi:MI_Instrument></gmi:sensingInstrument>";
    if (!quantity.empty() || !unitCode.empty()) {
        out += "<sdn:SDN_SamplingActivity><sdn:quantity>" + quantity + "</sdn:quantity>";
        if (!unitCode.empty())
            out += "<sdn:unit><sdn:SDN_CSRUnitCode codeListValue=\"" + unitCode + "\">" + unitLabel +
                   "</sdn:SDN_CSRUnitCode></sdn:unit>";
        out += "</sdn:SDN_SamplingActivity>";
    }
    return out + "</sdn:SDN_Objective></gmi:objective>\n";
}

std::string acquisition(const std::string& objectives) {
    return "<gmi:acquisitionInformation><gmi:MI_AcquisitionInformation>\n" + objectives +
           "</gmi:MI_AcquisitionInformation></gmi:acquisitionInformation>\n";
}

std::string minimalRecord(const std::string& id, const std::string& begin, const std::string& end,
                          const std::string& recordMore, const std::string& identificationMore) {
    return record(fileIdentifier(id) + hierarchyLevel() + recordMore +
                  identification(period(begin, end) + identificationMore));
}

csrimport::RecordVerdict buildForm(const std::string& documentText, csrimport::ImportedForm* form) {
    std::size_t at = 0;
    const csrimport::RecordReader::Source source = [&](char* buffer, int size) {
        const std::size_t n = std::min(static_cast<std::size_t>(size), documentText.size() - at);
        std::memcpy(buffer, documentText.data() + at, n);
        at += n;
        return static_cast<int>(n);
    };
    bool found = false;
    csrimport::RecordVerdict verdict = csrimport::RecordVerdict::NotCsr;
    std::string problem;
    const auto outcome = csrimport::RecordReader::read(
        source,
        [&](const xmlNode* node) {
            if (!found) verdict = csrimport::FormBuilder::build(node, form);
            found = true;
            return true;
        },
        &problem);
    if (outcome != csrimport::RecordReader::Outcome::Complete || !found)
        throw std::runtime_error("the test record is not usable: " + problem);
    return verdict;
}

} // namespace csrtest
