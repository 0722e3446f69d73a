// Invented catalogues for the harvest tests (CSW and OAI-PMH pages of generated records), and
// what a harvest leaves in its folder.
#include "tests/harvest/catalogue.h"

#include <algorithm>
#include <filesystem>

#include "harvest/sqlite.h"
#include "tests/core/test_util.h"

#include "tests/import/csrrecord.h"

namespace harvesttest {

namespace {

constexpr const char* kOaiHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\">";

long long param(const Seen& request, const std::string& name, long long otherwise) {
    const auto found = request.params.find(name);
    return found == request.params.end() ? otherwise : std::stoll(found->second);
}

std::string value(const Seen& request, const std::string& name) {
    const auto found = request.params.find(name);
    return found == request.params.end() ? std::string() : found->second;
}

std::string oai(const std::string& responseDate, const std::string& content) {
    return std::string(kOaiHead) + "<responseDate>" + responseDate + "</responseDate>" + content + "</OAI-PMH>";
}

} // namespace

std::string cruise(const std::string& id, const std::string& begin, const std::string& title,
                   const std::string& stamp) {
    using namespace csrtest;
    return record(fileIdentifier(id) + hierarchyLevel() + dateStamp(stamp) +
                  identification(citation(title) + period(begin, "")));
}

Reply CswCatalogue::answer(const Seen& request) const {
    if (refusesSort && request.params.count("sortBy") > 0)
        return {400,
                "<?xml version=\"1.0\"?><ows:ExceptionReport xmlns:ows=\"http://www.opengis.net/ows\"><ows:Exception "
                "exceptionCode=\"InvalidParameterValue\" locator=\"sortBy\"><ows:ExceptionText>No sort on Identifier"
                "</ows:ExceptionText></ows:Exception></ows:ExceptionReport>",
                "text/xml",
                {},
                -1};
    const long long start = param(request, "startPosition", 1);
    const long long asked = param(request, "maxRecords", 10);
    const auto matched = static_cast<long long>(records.size());
    const long long given = std::max(0LL, std::min({asked, static_cast<long long>(cap), matched - start + 1}));
    std::string body;
    for (long long i = 0; i < given; ++i)
        body += records[static_cast<std::size_t>(start - 1 + i)];
    long long next = start + given > matched ? 0 : start + given;
    switch (nextRecord) {
    case NextRecord::Right:
        break;
    case NextRecord::Missing:
        next = -1;
        break;
    case NextRecord::ZeroTooEarly:
        next = 0;
        break;
    case NextRecord::NotPastThePage:
        next = start;
        break;
    case NextRecord::PastMatched:
        next = matched + 5;
        break;
    case NextRecord::AsIfNotCapped:
        next = start + asked;
        break;
    }
    const std::string nextText = next < 0 ? "" : " nextRecord=\"" + std::to_string(next) + "\"";
    return {
        200,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<csw:GetRecordsResponse "
        "xmlns:csw=\"http://www.opengis.net/cat/csw/"
        "2.0.2\"><csw:SearchStatus timestamp=\"2026-12-01T10:00:00\"/><csw:SearchResults numberOfRecordsMatched=\"" +
            std::to_string(matched) + "\" numberOfRecordsReturned=\"" + std::to_string(given) + "\"" + nextText +
            " elementSet=\"full\">" + body + "</csw:SearchResults></csw:GetRecordsResponse>",
        "text/xml",
        {},
        -1};
}

Reply OaiCatalogue::answer(const Seen& request) const {
    const std::string verb = value(request, "verb");
    if (verb == "Identify")
        return {200,
                oai(responseDate, "<request verb=\"Identify\"/><Identify><repositoryName>Test</repositoryName>"
                                  "<earliestDatestamp>1990-01-01</earliestDatestamp><deletedRecord>persistent"
                                  "</deletedRecord><granularity>" +
                                      granularity + "</granularity></Identify>"),
                "text/xml",
                {},
                -1};
    if (verb == "ListMetadataFormats")
        return {200,
                oai(responseDate, "<ListMetadataFormats><metadataFormat><metadataPrefix>oai_dc</metadataPrefix>"
                                  "<schema>http://www.openarchives.org/OAI/2.0/oai_dc.xsd</schema>"
                                  "<metadataNamespace>http://www.openarchives.org/OAI/2.0/oai_dc/</metadataNamespace>"
                                  "</metadataFormat><metadataFormat><metadataPrefix>iso19139</metadataPrefix>"
                                  "<schema>http://www.isotc211.org/2005/gmd/gmd.xsd</schema><metadataNamespace>"
                                  "http://www.isotc211.org/2005/gmd</metadataNamespace></metadataFormat>"
                                  "</ListMetadataFormats>"),
                "text/xml",
                {},
                -1};
    // The records after from, as tokens of the page they start.
    const std::string from = value(request, "from");
    std::vector<const OaiRecord*> listed;
    for (const OaiRecord& r : records)
        if (from.empty() || r.datestamp.substr(0, from.size()) >= from) listed.push_back(&r);
    std::string token = value(request, "resumptionToken");
    std::size_t first = 0;
    if (!token.empty()) {
        if (refused < refuseTokens) {
            ++refused;
            return {200, oai(responseDate, "<error code=\"badResumptionToken\">expired</error>"), "text/xml", {}, -1};
        }
        first = static_cast<std::size_t>(std::stoul(token.substr(1 + token.find('t'))));
    }
    if (listed.empty())
        return {200, oai(responseDate, "<error code=\"noRecordsMatch\">none</error>"), "text/xml", {}, -1};
    std::string page = "<ListRecords>";
    const std::size_t end = std::min(listed.size(), first + static_cast<std::size_t>(pageSize));
    for (std::size_t i = first; i < end; ++i) {
        const OaiRecord& r = *listed[i];
        page += "<record><header" + std::string(r.deleted ? " status=\"deleted\"" : "") + "><identifier>" +
                r.identifier + "</identifier><datestamp>" + r.datestamp + "</datestamp></header>";
        if (!r.deleted) page += "<metadata>" + r.xml + "</metadata>";
        page += "</record>";
    }
    const std::string next = end < listed.size() ? "t" + std::to_string(end) : "";
    page += "<resumptionToken completeListSize=\"" + std::to_string(listed.size()) + "\">" +
            (sameTokenTwice && !token.empty() ? token : next) + "</resumptionToken></ListRecords>";
    return {200, oai(responseDate, page), "text/xml", {}, -1};
}

std::vector<std::string> storeRows(const std::string& folder, const std::string& sql) {
    std::string err;
    const harvest::DatabaseHandle db = harvest::openDatabase(folder + "/csr.sqlite", false, &err);
    harvest::Statement query;
    if (!db || !query.prepare(db.get(), sql.c_str(), &err)) return {"(no store: " + err + ")"};
    std::vector<std::string> rows;
    while (query.step()) {
        std::string row;
        for (int c = 0; c < query.columns(); ++c) {
            if (c > 0) row += " | ";
            row += query.isNull(c) ? "-" : query.text(c);
        }
        rows.push_back(std::move(row));
    }
    if (!query.ok()) rows.push_back("(failed: " + query.error() + ")");
    return rows;
}

std::map<std::string, std::string> formFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KER", 0) == 0) files[name] = testutil::readFile(entry.path().string());
    }
    return files;
}

} // namespace harvesttest
