// The catalogue protocols as requests and replies: CSW 2.0.2 GetRecords and OAI-PMH ListRecords.
#include "harvest/protocols.h"

#include <cstdio>

namespace harvest {

namespace {

constexpr const char* kIsoGmd = "http://www.isotc211.org/2005/gmd";
constexpr const char* kIsoGmi = "http://www.isotc211.org/2005/gmi";

} // namespace

std::string withQuery(const std::string& address, const std::string& query) {
    if (address.find('?') == std::string::npos) return address + "?" + query;
    const char last = address.back();
    return address + (last == '?' || last == '&' ? "" : "&") + query;
}

std::string queryValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string CswProtocol::request(const std::string& address, long long start, int pageSize, bool sortById,
                                 const std::optional<std::string>& modifiedSince) {
    std::string query =
        "service=CSW&version=2.0.2&request=GetRecords&resultType=results&typeNames=gmd:MD_Metadata"
        "&outputSchema=" +
        queryValue(kIsoGmd) + "&ElementSetName=full&maxRecords=" + std::to_string(pageSize) +
        "&startPosition=" + std::to_string(start) + "&namespace=" +
        queryValue(std::string("xmlns(gmd=") + kIsoGmd + "),xmlns(apiso=http://www.opengis.net/cat/csw/apiso/1.0)");
    if (sortById) query += "&sortBy=" + queryValue("apiso:Identifier:A");
    if (modifiedSince)
        query += "&constraintLanguage=CQL_TEXT&constraint_language_version=1.1.0&constraint=" +
                 queryValue("apiso:Modified >= '" + *modifiedSince + "'");
    return withQuery(address, query);
}

Paging CswProtocol::after(const Page& page, long long start) {
    Paging paging;
    if (!page.matched) {
        paging.error =
            "the reply is no GetRecords response: " + (page.holds.empty() ? "it has no search results" : page.holds);
        return paging;
    }
    paging.total = page.matched;
    const auto held = static_cast<long long>(page.records.size());
    const long long matched = *page.matched;
    // From the records the page holds: the nextRecord of a server that caps maxRecords would skip
    // the ones it did not send, and a wrong one would end or loop the harvest.
    const long long next = start + held;
    if (next > matched) {
        paging.kind = Paging::Kind::Done;
        return paging;
    }
    if (held == 0) {
        paging.error = "the catalogue sent no record at position " + std::to_string(start) + " of the " +
                       std::to_string(matched) + " it says it matched";
        return paging;
    }
    paging.kind = Paging::Kind::Next;
    paging.next = std::to_string(next);
    return paging;
}

std::string OaiProtocol::identify(const std::string& address) {
    return withQuery(address, "verb=Identify");
}

std::string OaiProtocol::listMetadataFormats(const std::string& address) {
    return withQuery(address, "verb=ListMetadataFormats");
}

std::string OaiProtocol::isoFormat(const Page& page) {
    for (const MetadataFormat& format : page.formats)
        if (format.metadataNamespace == kIsoGmd || format.metadataNamespace == kIsoGmi ||
            format.prefix.find("19139") != std::string::npos || format.schema.find("19139") != std::string::npos)
            return format.prefix;
    return {};
}

std::string OaiProtocol::request(const std::string& address, const std::string& prefix, const std::string& set,
                                 const std::optional<std::string>& from) {
    std::string query = "verb=ListRecords&metadataPrefix=" + queryValue(prefix);
    if (!set.empty()) query += "&set=" + queryValue(set);
    if (from) query += "&from=" + queryValue(*from);
    return withQuery(address, query);
}

std::string OaiProtocol::resume(const std::string& address, const std::string& token) {
    return withQuery(address, "verb=ListRecords&resumptionToken=" + queryValue(token));
}

std::string OaiProtocol::fromIn(const std::string& time, const std::string& granularity) {
    if (granularity.find('T') == std::string::npos || time.size() < 11) return time.substr(0, 10);
    return time;
}

Paging OaiProtocol::after(const Page& page, const std::string& sentToken) {
    Paging paging;
    paging.total = page.completeListSize;
    if (!page.resumptionToken || page.resumptionToken->empty()) {
        paging.kind = Paging::Kind::Done;
        return paging;
    }
    if (*page.resumptionToken == sentToken) {
        paging.error = "the catalogue gave the same resumptionToken twice (" + sentToken + ")";
        return paging;
    }
    paging.kind = Paging::Kind::Next;
    paging.next = *page.resumptionToken;
    return paging;
}

} // namespace harvest
