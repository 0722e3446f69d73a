// The catalogue protocols as requests and replies: CSW 2.0.2 GetRecords and OAI-PMH ListRecords.
#ifndef HARVEST_PROTOCOLS_H
#define HARVEST_PROTOCOLS_H

#include <optional>
#include <string>

#include "harvest/page.h"

namespace harvest {

/// An address with query parameters added: "?" or "&" as the address has one already.
///   ("https://x.org/csw", "a=1") => "https://x.org/csw?a=1"; ("https://x.org/q?s=1", "a=1") => "...?s=1&a=1"
std::string withQuery(const std::string& address, const std::string& query);
/// A query value with every byte but the unreserved ones percent-encoded: "a b:c" => "a%20b%3Ac".
std::string queryValue(const std::string& text);

/// What the next request of a list is, after a reply.
struct Paging {
    enum class Kind {
        Next,   // ask for the page at next
        Done,   // the list has ended with this page
        Failed, // the reply says something is wrong: error
    };
    Kind kind = Kind::Failed;
    std::string next; // CSW: the startPosition; OAI-PMH: the resumptionToken
    std::string error;
    std::optional<long long> total; // records the catalogue says the list holds
};

/// CSW 2.0.2 GetRecords, as GeoNetwork catalogues answer it: full ISO 19139 records, maxRecords
/// at a time, sorted on the identifier when the catalogue takes the sort, and for an
/// incremental harvest only the records modified since a time (apiso:Modified).
class CswProtocol {
public:
    /// The GetRecords request of the page at start (1 for the first).
    static std::string request(const std::string& address, long long start, int pageSize, bool sortById,
                               const std::optional<std::string>& modifiedSince);
    /// The next page after the reply to the request at start: the position after the records the
    /// page holds, which is nextRecord when the catalogue writes it right; a nextRecord that is
    /// missing, zero too early, not past the page, past numberOfRecordsMatched, or past records a
    /// capped page did not send, is not followed. The list ends past numberOfRecordsMatched.
    static Paging after(const Page& page, long long start);
};

/// OAI-PMH ListRecords with a metadata prefix, a set and a from; resumption tokens to the end.
class OaiProtocol {
public:
    static std::string identify(const std::string& address);
    static std::string listMetadataFormats(const std::string& address);
    /// The first ISO 19139 format a ListMetadataFormats reply names (its namespace gmd or gmi,
    /// or 19139 in its prefix or schema); empty when there is none.
    static std::string isoFormat(const Page& page);
    /// The first ListRecords request, or the one of a resumption token.
    static std::string request(const std::string& address, const std::string& prefix, const std::string& set,
                               const std::optional<std::string>& from);
    static std::string resume(const std::string& address, const std::string& token);
    /// A time as a from in the catalogue's granularity: "2026-11-02T10:00:00Z" with "YYYY-MM-DD" =>
    /// "2026-11-02"; with "YYYY-MM-DDThh:mm:ssZ" as it stands.
    static std::string fromIn(const std::string& time, const std::string& granularity);
    /// The next page after a reply to the request of sentToken (empty for the first): the token
    /// it gives; Done when it gives none or an empty one; Failed for the same token twice.
    static Paging after(const Page& page, const std::string& sentToken);
};

} // namespace harvest

#endif // HARVEST_PROTOCOLS_H
