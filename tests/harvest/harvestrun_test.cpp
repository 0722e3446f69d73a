// Whole harvests from catalogues on 127.0.0.1: paging to the end, the catalogues' quirks,
// incremental harvests, deletions, retries, refusals, and the form files written from the store.
#include <gtest/gtest.h>

#include <map>

#include "harvest/harvestrun.h"
#include "harvest/httptransport.h"
#include "harvest/recordstore.h"
#include "harvest/sqlite.h"
#include "import/importrun.h"
#include "tests/core/test_util.h"
#include "tests/harvest/catalogue.h"
#include "tests/harvest/loopbackserver.h"
#include "tests/import/csrrecord.h"

namespace {

using harvest::HarvestOutcome;
using harvesttest::cruise;
using harvesttest::CswCatalogue;
using harvesttest::formFiles;
using harvesttest::LoopbackServer;
using harvesttest::NextRecord;
using harvesttest::OaiCatalogue;
using harvesttest::OaiRecord;
using harvesttest::Reply;
using harvesttest::Seen;

// Records what the harvest tells; waits are noted, never slept.
struct RecordingHost : harvest::HarvestHost {
    std::vector<std::string> messages;
    std::vector<double> waits;
    int pages = 0;
    int stopAfterPages = -1;
    void progress(const harvest::HarvestProgress& p) override {
        if (p.retry == 0) ++pages;
    }
    void message(const std::string& text) override { messages.push_back(text); }
    bool stopRequested() override { return stopAfterPages >= 0 && pages >= stopAfterPages; }
    bool wait(double seconds) override {
        waits.push_back(seconds);
        return true;
    }
};

struct HarvestTest : ::testing::Test {
    testutil::TempDir dir;
    search::DiskFileSystem fs;
    RecordingHost host;
    harvest::HarvestSettings settings;
    std::string error;
    harvest::HarvestCounts counts;
    std::vector<std::pair<std::string, std::size_t>> written;

    HarvestTest() {
        settings.folder = dir.path();
        settings.retry.baseSeconds = 0;
        settings.retry.retries = 2;
    }
    HarvestOutcome harvest(const std::vector<harvest::SourceSpec>& sources) {
        // A transport of its own: its connections close with it, and the server's threads end.
        harvest::HttpTransport transport(
            harvest::HttpSettings{5, "", "morvex-harvest/test", std::size_t{256} << 20, 4, {}});
        harvest::HarvestRun run(host, transport, fs);
        settings.sources = sources;
        const HarvestOutcome outcome = run.run(settings);
        error = run.error();
        counts = run.counts();
        written = run.written();
        return outcome;
    }
    harvest::SourceSpec source(const std::string& address, const std::string& protocol) const {
        harvest::SourceSpec spec;
        spec.address = address;
        spec.protocol = protocol;
        return spec;
    }
    // The store's records, one line each: key, deleted, fileIdentifier.
    std::vector<std::string> stored() const {
        return harvesttest::storeRows(settings.folder, "SELECT key || iif(deleted, ' deleted', '') || ' ' || "
                                                       "file_identifier FROM records ORDER BY source, key");
    }
};

std::vector<std::string> cruises(int n, int firstYear = 1990) {
    std::vector<std::string> records;
    for (int i = 0; i < n; ++i)
        records.push_back(cruise("urn:SDN:CSR:LOCAL:C" + std::to_string(100 + i),
                                 std::to_string(firstYear + i % 3) + "-0" + std::to_string(1 + i % 9) + "-01",
                                 "Cruise " + std::to_string(i)));
    return records;
}

// Every quirk of nextRecord, and a catalogue that caps maxRecords: all records, each once.
TEST_F(HarvestTest, CswPagesToTheEndWhateverNextRecordSays) {
    for (const NextRecord quirk : {NextRecord::Right, NextRecord::Missing, NextRecord::ZeroTooEarly,
                                   NextRecord::NotPastThePage, NextRecord::PastMatched, NextRecord::AsIfNotCapped}) {
        SCOPED_TRACE(static_cast<int>(quirk));
        testutil::TempDir folder;
        settings.folder = folder.path();
        CswCatalogue catalogue{cruises(7), 2, quirk, false};
        LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
        harvest::SourceSpec spec = source(server.url("/geonetwork/srv/eng/csw"), "csw");
        spec.pageSize = 3; // asks 3, gets 2
        ASSERT_EQ(harvest({spec}), HarvestOutcome::Written) << error;
        EXPECT_EQ(counts.newRecords, 7);
        std::vector<std::string> starts;
        for (const Seen& seen : server.requests())
            starts.push_back(seen.params.at("startPosition"));
        EXPECT_EQ(starts, (std::vector<std::string>{"1", "3", "5", "7"}));
        EXPECT_EQ(server.requests().front().params.at("outputSchema"), "http://www.isotc211.org/2005/gmd");
        EXPECT_EQ(server.requests().front().params.at("ElementSetName"), "full");
        EXPECT_EQ(server.requests().front().params.at("resultType"), "results");
        EXPECT_EQ(server.requests().front().params.at("typeNames"), "gmd:MD_Metadata");
        EXPECT_EQ(server.requests().front().params.at("sortBy"), "apiso:Identifier:A");
        EXPECT_EQ(server.requests().front().userAgent, "morvex-harvest/test");
        EXPECT_NE(server.requests().front().acceptEncoding.find("gzip"), std::string::npos);
        EXPECT_EQ(formFiles(folder.path()).size(), 3u);
    }
}

// A catalogue that refuses the sort is asked without it, now and later.
TEST_F(HarvestTest, CswWithoutTheSortWhenTheCatalogueRefusesIt) {
    CswCatalogue catalogue{cruises(3), 10, NextRecord::Right, true};
    LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
    ASSERT_EQ(harvest({source(server.url("/csw"), "csw")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.newRecords, 3);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].params.count("sortBy"), 0u);
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(server.requests()[2].params.count("sortBy"), 0u);
    // The incremental harvest asks from when the first one began.
    EXPECT_NE(server.requests()[2].params.at("constraint").find("apiso:Modified >= '"), std::string::npos);
    EXPECT_EQ(counts.unchanged, 3);
}

// The OAI-PMH list to its end by its tokens; a deleted record is marked deleted; the next
// harvest asks from the first reply's responseDate, the same day again in day granularity.
TEST_F(HarvestTest, OaiListsToTheEndAndAsksFromTheLastHarvestsFirstReply) {
    OaiCatalogue catalogue;
    for (int i = 0; i < 5; ++i)
        catalogue.records.push_back({"oai:x:" + std::to_string(i), "2026-11-0" + std::to_string(1 + i),
                                     cruise("urn:o" + std::to_string(i), "1995-01-0" + std::to_string(1 + i), "O"),
                                     false});
    LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
    ASSERT_EQ(harvest({source(server.url("/oai"), "oai")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.newRecords, 5);
    std::vector<std::string> asked;
    for (const Seen& seen : server.requests())
        asked.push_back(seen.target.substr(seen.target.find('?') + 1));
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "verb=Identify", "verb=ListMetadataFormats", "verb=ListRecords&metadataPrefix=iso19139",
                         "verb=ListRecords&resumptionToken=t2", "verb=ListRecords&resumptionToken=t4"}));
    const std::string file = formFiles(dir.path()).at("KER1995.INF");
    std::size_t forms = 0;
    for (std::size_t at = file.find("\r\n*\r\n"); at != std::string::npos; at = file.find("\r\n*\r\n", at + 1))
        ++forms;
    EXPECT_EQ(forms, 5u);

    // A day later: one record changed, one deleted, one new, all of 2026-12-01.
    catalogue.records[1] = {"oai:x:1", "2026-12-01", cruise("urn:o1", "1995-01-02", "O changed"), false};
    catalogue.records[2] = {"oai:x:2", "2026-12-01", "", true};
    catalogue.records.push_back({"oai:x:9", "2026-12-01", cruise("urn:o9", "1996-03-03", "Nine"), false});
    catalogue.responseDate = "2026-12-02T08:00:00Z";
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(server.requests()[5 + 1].target.substr(server.requests()[6].target.find('?') + 1),
              "verb=ListRecords&metadataPrefix=iso19139&from=2026-12-01");
    EXPECT_EQ(counts.changed, 1);
    EXPECT_EQ(counts.deleted, 1);
    EXPECT_EQ(counts.newRecords, 1);
    EXPECT_EQ(stored(), (std::vector<std::string>{"oai:x:0 urn:o0", "oai:x:1 urn:o1", "oai:x:2 deleted urn:o2",
                                                  "oai:x:3 urn:o3", "oai:x:4 urn:o4", "oai:x:9 urn:o9"}));

    // The same files as a full harvest of the catalogue as it is now, into another folder.
    const std::map<std::string, std::string> incremental = formFiles(dir.path());
    testutil::TempDir fresh;
    settings.folder = fresh.path();
    ASSERT_EQ(harvest({source(server.url("/oai"), "oai")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(formFiles(fresh.path()), incremental);
    EXPECT_NE(incremental.at("KER1995.INF").find("CR O changed^"), std::string::npos);
    EXPECT_EQ(incremental.at("KER1995.INF").find("urn:o2"), std::string::npos);
}

TEST_F(HarvestTest, OaiTokensRefusedOrRepeatedAndListsWithNothingNew) {
    OaiCatalogue catalogue;
    for (int i = 0; i < 4; ++i)
        catalogue.records.push_back({"oai:y:" + std::to_string(i), "2026-12-01",
                                     cruise("urn:y" + std::to_string(i), "1994-05-01", "Y"), false});
    catalogue.refuseTokens = 1; // the first token sent is refused: the window is asked again
    LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
    ASSERT_EQ(harvest({source(server.url("/oai"), "oai")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.newRecords, 4);
    EXPECT_EQ(counts.unchanged, 2); // the first page, listed twice
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("refused its resumptionToken; the list is asked again from its start"),
              std::string::npos);

    // The day of the last harvest is asked again; then nothing new: noRecordsMatch.
    catalogue.responseDate = "2026-12-05T00:00:00Z";
    const std::size_t before = server.requests().size();
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    ASSERT_GT(server.requests().size(), before + 1);
    EXPECT_EQ(server.requests()[before].params.at("verb"), "Identify"); // the prefix is remembered
    EXPECT_EQ(server.requests()[before + 1].params.at("from"), "2026-12-01");
    EXPECT_EQ(counts.unchanged, 4);
    catalogue.records.clear();
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.newRecords + counts.changed + counts.unchanged, 0);

    // The same token twice ends the harvest, which keeps what it saved.
    testutil::TempDir other;
    settings.folder = other.path();
    OaiCatalogue looping;
    for (int i = 0; i < 6; ++i)
        looping.records.push_back({"oai:z:" + std::to_string(i), "2026-11-10",
                                   cruise("urn:z" + std::to_string(i), "1994-05-01", "Z"), false});
    looping.sameTokenTwice = true;
    server.setHandler([&](const Seen& r) { return looping.answer(r); });
    EXPECT_EQ(harvest({source(server.url("/oai2"), "oai")}), HarvestOutcome::Failed);
    EXPECT_NE(error.find("the catalogue gave the same resumptionToken twice (t2)"), std::string::npos) << error;
    EXPECT_EQ(counts.newRecords, 2); // the page of the token given twice is not kept
    EXPECT_TRUE(formFiles(other.path()).empty());
}

// 503 with Retry-After: 0, then the page; a wait taken from the server, never slept here.
TEST_F(HarvestTest, ServerErrorsAreTriedAgainAsTheServerAsks) {
    CswCatalogue catalogue{cruises(2), 10, NextRecord::Right, false};
    int calls = 0;
    LoopbackServer server([&](const Seen& r) {
        if (++calls <= 2) return Reply{503, "busy", "text/plain", {{"Retry-After", "0"}}, -1};
        return catalogue.answer(r);
    });
    ASSERT_EQ(harvest({source(server.url("/csw"), "csw")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(host.waits, (std::vector<double>{0, 0}));
    EXPECT_EQ(counts.retries, 2);

    // More failures than retries: the harvest ends with the address, the status and the text.
    calls = -10;
    EXPECT_EQ(harvest({}), HarvestOutcome::Failed);
    EXPECT_NE(error.find("/csw?service=CSW"), std::string::npos);
    EXPECT_NE(error.find("HTTP 503: busy"), std::string::npos) << error;
    // A 404 is not tried again.
    host.waits.clear();
    server.setHandler([](const Seen&) { return Reply{404, "no such catalogue", "text/plain", {}, -1}; });
    EXPECT_EQ(harvest({}), HarvestOutcome::Failed);
    EXPECT_NE(error.find("HTTP 404: no such catalogue"), std::string::npos) << error;
    EXPECT_TRUE(host.waits.empty());
}

// Redirects to other schemes, exceptions with HTTP 200, truncated and unusable replies.
TEST_F(HarvestTest, RepliesThatAreRefused) {
    const struct {
        const char* what;
        Reply reply;
        const char* error;
    } cases[] = {
        {"a redirect to a file", Reply{302, "", "text/plain", {{"Location", "file:///etc/passwd"}}, -1}, "file"},
        {"an exception report",
         Reply{200,
               "<ows:ExceptionReport xmlns:ows=\"http://www.opengis.net/ows/1.1\"><ows:Exception exceptionCode="
               "\"NoApplicableCode\"><ows:ExceptionText>database down</ows:ExceptionText></ows:Exception>"
               "</ows:ExceptionReport>",
               "text/xml",
               {},
               -1},
         "the catalogue answered with an exception, NoApplicableCode: database down"},
        {"a truncated reply", Reply{200, std::string(2000, ' ') + "<a/>", "text/xml", {}, 100}, "(after 2 retries)"},
        {"not XML", Reply{200, "<html><body>Oops", "text/html", {}, -1}, "not usable XML"},
        {"a DOCTYPE",
         Reply{200, "<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><r>&e;</r>", "text/xml", {}, -1},
         "DOCTYPE"},
        {"no GetRecords response", Reply{200, "<rss/>", "text/xml", {}, -1},
         "the reply is no GetRecords response: its root element is rss"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::TempDir folder;
        settings.folder = folder.path();
        const Reply reply = c.reply;
        LoopbackServer server([&](const Seen&) { return reply; });
        EXPECT_EQ(harvest({source(server.url("/csw"), "csw")}), HarvestOutcome::Failed);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(stored(), std::vector<std::string>());
    }
}

// Record addresses, at most 4 at a time, fetched again only when changed; a record gone is deleted.
TEST_F(HarvestTest, ListsAreFetchedOnceAndAgainOnlyWhenChanged) {
    std::map<std::string, std::string> files = {{"/r/a.xml", csrtest::document(cruise("urn:a", "1995-02-01", "A"))},
                                                {"/r/b.xml", csrtest::document(cruise("urn:b", "1996-02-01", "B"))},
                                                {"/r/c.xml", csrtest::document(cruise("urn:c", "1996-03-01", "C"))}};
    LoopbackServer server([&](const Seen& r) {
        const auto found = files.find(r.target);
        if (found == files.end()) return Reply{410, "gone", "text/plain", {}, -1};
        const std::string tag = "\"" + std::to_string(found->second.size()) + "\"";
        if (r.ifNoneMatch == tag) return Reply{304, "", "text/xml", {}, -1};
        return Reply{200, found->second, "text/xml", {{"ETag", tag}}, -1};
    });
    const std::string list = dir.file("records.txt");
    testutil::writeFile(list, "url\n<" + server.url("/r/a.xml") + ">\n\"" + server.url("/r/b.xml") + "\"\n" +
                                  server.url("/r/c.xml") + "\n" + server.url("/r/a.xml") + "\n");
    ASSERT_EQ(harvest({source(list, "list")}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.newRecords, 3);
    EXPECT_EQ(server.requests().size(), 3u);
    ASSERT_EQ(written.size(), 2u);

    files["/r/b.xml"] = csrtest::document(cruise("urn:b", "1996-02-01", "B2"));
    files.erase("/r/c.xml");
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(counts.unchanged, 1);
    EXPECT_EQ(counts.changed, 1);
    EXPECT_EQ(counts.deleted, 1);
    EXPECT_EQ(server.requests()[3].ifNoneMatch, "\"" + std::to_string(files["/r/a.xml"].size()) + "\"");
    EXPECT_NE(formFiles(dir.path()).at("KER1996.INF").find("CR B2^"), std::string::npos);

    // A year file whose records are all deleted goes; one the store did not write stays.
    testutil::writeFile(dir.file("KER1990.INF"), "the user's own\r\n*\r\n");
    testutil::writeFile(list, server.url("/r/b.xml") + "\n");
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(formFiles(dir.path()).count("KER1995.INF"), 0u);
    EXPECT_EQ(formFiles(dir.path()).at("KER1990.INF"), "the user's own\r\n*\r\n");
}

// Two sources of one identifier keep the later dateStamp; the files written from the store are
// those the importer writes from the store's live records given as files.
TEST_F(HarvestTest, FormFilesFromTheStoreAreThoseOfItsRecordsAsFiles) {
    CswCatalogue one{{cruise("urn:k", "1995-01-01", "older", "2020-01-01"), cruise("urn:m", "1995-06-01", "M")},
                     10,
                     NextRecord::Right,
                     false};
    CswCatalogue two{{cruise("urn:k", "1995-01-01", "newer", "2021-01-01"), cruise("urn:n", "1996-06-01", "N")},
                     10,
                     NextRecord::Right,
                     false};
    LoopbackServer server([&](const Seen& r) { return (r.target.rfind("/one", 0) == 0 ? one : two).answer(r); });
    ASSERT_EQ(harvest({source(server.url("/one"), "csw"), source(server.url("/two"), "csw")}), HarvestOutcome::Written)
        << error;
    const std::map<std::string, std::string> fromStore = formFiles(dir.path());
    EXPECT_NE(fromStore.at("KER1995.INF").find("CR newer^"), std::string::npos);
    EXPECT_EQ(fromStore.at("KER1995.INF").find("CR older^"), std::string::npos);

    std::string err;
    harvest::RecordStore store;
    ASSERT_TRUE(store.open(dir.path(), false, &err)) << err;
    testutil::TempDir records, out;
    int n = 0;
    for (const harvest::RecordStore::Live& live : store.liveRecords(&err)) {
        std::string xml;
        ASSERT_TRUE(store.recordXml(live.id, &xml, &err)) << err;
        char name[32];
        std::snprintf(name, sizeof name, "rec%06d.xml", ++n);
        testutil::writeFile(records.file(name), xml);
    }
    struct Quiet : csrimport::ImportHost {
        void progress(std::uint64_t, std::uint64_t, const csrimport::ImportCounts&) override {}
        void message(const std::string&) override {}
        bool stopRequested() override { return false; }
        bool startRenames() override { return true; }
    } quiet;
    csrimport::ImportRun import(quiet, fs);
    csrimport::ImportSettings asFiles;
    asFiles.inputs = {records.path()};
    asFiles.folder = out.path();
    ASSERT_EQ(import.run(asFiles), csrimport::ImportOutcome::Written) << import.error();
    EXPECT_EQ(formFiles(out.path()), fromStore);

    // Records kept built under another revision of the rules are read from their XML again.
    std::string err2;
    ASSERT_TRUE(harvest::execute(store.db(), "UPDATE records SET built_revision = 0", &err2)) << err2;
    settings.formsOnly = true;
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(formFiles(dir.path()), fromStore);
}

// One identifier listed twice by a harvest keeps the record the importer keeps of the two; a
// later harvest's listing replaces it, unless it is an older copy.
TEST_F(HarvestTest, AnIdentifierListedTwiceKeepsTheRecordTheImporterWouldKeep) {
    using csrtest::dateStamp;
    using csrtest::fileIdentifier;
    using csrtest::hierarchyLevel;
    const std::string notCsr =
        csrtest::record(fileIdentifier("urn:d") + hierarchyLevel("DS") + dateStamp("2024-01-01"));
    CswCatalogue catalogue{
        {cruise("urn:d", "1995-01-01", "kept", "2020-01-01"), notCsr,
         cruise("urn:e", "1995-02-01", "newer", "2021-01-01"), cruise("urn:e", "1995-02-01", "older", "2019-01-01"),
         cruise("urn:f", "1995-03-01", "first", "2020-01-01"), cruise("urn:f", "1995-03-01", "second", "2020-01-01")},
        10,
        NextRecord::Right,
        false};
    LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
    ASSERT_EQ(harvest({source(server.url("/csw"), "csw")}), HarvestOutcome::Written) << error;
    const std::string file = formFiles(dir.path()).at("KER1995.INF");
    for (const char* title : {"CR kept^", "CR newer^", "CR second^"})
        EXPECT_NE(file.find(title), std::string::npos) << title;
    for (const char* title : {"CR older^", "CR first^"})
        EXPECT_EQ(file.find(title), std::string::npos) << title;

    // The next harvest lists an older copy of urn:e, and urn:d as a record that is no CSR now.
    catalogue.records = {notCsr, cruise("urn:e", "1995-02-01", "older", "2019-01-01"),
                         cruise("urn:f", "1995-03-01", "second", "2020-01-01")};
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    const std::string again = formFiles(dir.path()).at("KER1995.INF");
    EXPECT_EQ(again.find("CR kept^"), std::string::npos);
    EXPECT_NE(again.find("CR newer^"), std::string::npos);
    EXPECT_EQ(counts.changed, 1);
    EXPECT_EQ(counts.unchanged, 2);
}

// Year files the store did not write, or that changed since, are replaced only with replace.
TEST_F(HarvestTest, FormFilesTheStoreDidNotWriteAreReplacedOnlyWhenAsked) {
    CswCatalogue catalogue{cruises(1, 1995), 10, NextRecord::Right, false};
    LoopbackServer server([&](const Seen& r) { return catalogue.answer(r); });
    testutil::writeFile(dir.file("KER1995.INF"), "earlier\r\n*\r\n");
    EXPECT_EQ(harvest({source(server.url("/csw"), "csw")}), HarvestOutcome::Refused);
    EXPECT_NE(error.find("form files exist in " + dir.path() + ": KER1995.INF"), std::string::npos) << error;
    EXPECT_EQ(testutil::readFile(dir.file("KER1995.INF")), "earlier\r\n*\r\n");
    EXPECT_EQ(stored().size(), 1u); // the records are kept
    settings.formsOnly = true;
    settings.replace = true;
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    EXPECT_EQ(server.requests().size(), 1u); // no network
    // Now the store's: replaced freely, until someone changes it.
    settings.replace = false;
    ASSERT_EQ(harvest({}), HarvestOutcome::Written) << error;
    testutil::writeFile(dir.file("KER1995.INF"), testutil::readFile(dir.file("KER1995.INF")) + "x");
    EXPECT_EQ(harvest({}), HarvestOutcome::Refused);
}

// A store of another version, or another database, is refused and left as it is; a second
// harvest of the same store is refused while the first holds it.
TEST_F(HarvestTest, StoresOfAnotherKindAreRefusedAndLeftAsTheyAre) {
    std::string err;
    {
        harvest::DatabaseHandle db = harvest::openDatabase(dir.file("csr.sqlite"), true, &err);
        ASSERT_TRUE(db) << err;
        ASSERT_TRUE(harvest::execute(db.get(), "CREATE TABLE t (x); PRAGMA user_version = 7;", &err)) << err;
    }
    const std::string before = testutil::readFile(dir.file("csr.sqlite"));
    settings.formsOnly = true;
    EXPECT_EQ(harvest({}), HarvestOutcome::Refused);
    EXPECT_EQ(error, dir.file("csr.sqlite") + ": a record store of version 7, which this morvex-harvest does not know "
                                              "(it knows version 1); it is left as it is");
    EXPECT_EQ(testutil::readFile(dir.file("csr.sqlite")), before);

    testutil::TempDir other;
    settings.folder = other.path();
    {
        harvest::DatabaseHandle db = harvest::openDatabase(other.file("csr.sqlite"), true, &err);
        ASSERT_TRUE(harvest::execute(db.get(), "CREATE TABLE mine (x)", &err)) << err;
    }
    EXPECT_EQ(harvest({}), HarvestOutcome::Refused);
    EXPECT_NE(error.find("an SQLite database that is no record store of morvex-harvest"), std::string::npos);

    testutil::TempDir third;
    settings.folder = third.path();
    settings.formsOnly = false;
    EXPECT_EQ(harvest({}), HarvestOutcome::Refused);
    EXPECT_NE(error.find("knows no source yet"), std::string::npos);
    harvest::RecordStore holder;
    ASSERT_TRUE(holder.open(third.path(), true, &err) && holder.lock(&err)) << err;
    EXPECT_EQ(harvest({}), HarvestOutcome::Refused);
    EXPECT_NE(error.find("another harvest is updating"), std::string::npos);
}

} // namespace
