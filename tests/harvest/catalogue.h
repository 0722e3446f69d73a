// Invented catalogues for the harvest tests (CSW and OAI-PMH pages of generated records), and
// what a harvest leaves in its folder.
#ifndef TESTS_HARVEST_CATALOGUE_H
#define TESTS_HARVEST_CATALOGUE_H

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/harvest/loopbackserver.h"

namespace harvesttest {

/// A CSR record of a begin date with a title, as csrtest::minimalRecord writes it.
std::string cruise(const std::string& id, const std::string& begin, const std::string& title,
                   const std::string& stamp = "2020-01-01");

/// How a CSW catalogue writes nextRecord.
enum class NextRecord { Right, Missing, ZeroTooEarly, NotPastThePage, PastMatched, AsIfNotCapped };

/// A CSW 2.0.2 catalogue of records: pages of maxRecords, at most cap a page.
struct CswCatalogue {
    std::vector<std::string> records;
    int cap = 1000;
    NextRecord nextRecord = NextRecord::Right;
    bool refusesSort = false;
    Reply answer(const Seen& request) const;
};

/// A record of an OAI-PMH catalogue.
struct OaiRecord {
    std::string identifier, datestamp, xml;
    bool deleted = false;
};

/// An OAI-PMH catalogue: Identify (day granularity unless told), ListMetadataFormats, and
/// ListRecords pages of pageSize with tokens "t1", "t2", ...; records after from only.
struct OaiCatalogue {
    std::vector<OaiRecord> records;
    int pageSize = 2;
    std::string granularity = "YYYY-MM-DD";
    std::string responseDate = "2026-12-01T10:00:00Z";
    bool sameTokenTwice = false;
    int refuseTokens = 0; // tokens refused with badResumptionToken, the first so many times
    mutable int refused = 0;
    Reply answer(const Seen& request) const;
};

/// The rows of a query on the store of folder, each row's columns joined by " | " (NULL as
/// "-"); one line naming the failure when the store cannot be read.
std::vector<std::string> storeRows(const std::string& folder, const std::string& sql);
/// The form files KER* of a folder by name, with their bytes.
std::map<std::string, std::string> formFiles(const std::string& folder);

} // namespace harvesttest

#endif // TESTS_HARVEST_CATALOGUE_H
