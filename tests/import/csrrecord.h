// CSR XML written by hand in the import tests: records built from small pieces.
#ifndef TESTS_IMPORT_CSRRECORD_H
#define TESTS_IMPORT_CSRRECORD_H

#include <string>
#include <vector>

#include "import/formbuilder.h"

namespace csrtest {

/// The namespace declarations of a record: gmd, gmi, gco, gmx, sdn, gml, xlink.
extern const char* const kNamespaces;

/// A record element (gmi:MI_Metadata unless told) holding body, with the namespaces declared.
std::string record(const std::string& body, const std::string& element = "gmi:MI_Metadata");
/// An XML document: the declaration, then content.
std::string document(const std::string& content, const std::string& encoding = "UTF-8");

/// gmd:fileIdentifier, gmd:hierarchyLevelName (code CSR unless told), gmd:dateStamp.
std::string fileIdentifier(const std::string& id);
std::string hierarchyLevel(const std::string& code = "CSR");
std::string dateStamp(const std::string& date);
/// gmd:identificationInfo holding an sdn:SDN_DataIdentification with body.
std::string identification(const std::string& body);
/// gmd:citation with a title and cited parties.
std::string citation(const std::string& title, const std::string& parties = "");
/// A gmd:CI_ResponsibleParty with a role, a name, an organisation and a country (each left
/// out when empty); the country is an sdn:SDN_CountryCode with code and label.
std::string party(const std::string& role, const std::string& name, const std::string& organisation,
                  const std::string& countryCode = "", const std::string& countryLabel = "");
/// A gmd:descriptiveKeywords block of a keyword type, with keyword elements and a thesaurus.
std::string keywords(const std::string& type, const std::vector<std::string>& keywordElements,
                     const std::string& thesaurus = "");
/// One keyword element: <sdn:ELEMENT codeListValue="code">label</sdn:ELEMENT>.
std::string codeKeyword(const std::string& element, const std::string& code, const std::string& label);
/// A gmd:extent with a gml:TimePeriod (begin and end left out when empty).
std::string period(const std::string& begin, const std::string& end);
/// A gmd:EX_GeographicBoundingBox with four values (each left out when "-").
std::string box(const std::string& west, const std::string& east, const std::string& south, const std::string& north);
/// A gmd:extent holding geographic elements.
std::string extent(const std::string& elements);
/// A gmi:objective with an sdn:SDN_Objective: instrument code, principal investigators
/// (parties), quantity and unit, box, function.
std::string objective(const std::string& code, const std::string& investigators, const std::string& quantity = "",
                      const std::string& unitCode = "", const std::string& unitLabel = "", const std::string& box = "",
                      const std::string& function = "");
/// A gmi:acquisitionInformation holding objectives.
std::string acquisition(const std::string& objectives);

/// A CSR record with an identifier, a begin and end date, and more of the record and of the
/// identification.
std::string minimalRecord(const std::string& id, const std::string& begin, const std::string& end,
                          const std::string& recordMore = "", const std::string& identificationMore = "");

/// The verdict and form of the first record of a document.
csrimport::RecordVerdict buildForm(const std::string& documentText, csrimport::ImportedForm* form);

} // namespace csrtest

#endif // TESTS_IMPORT_CSRRECORD_H
