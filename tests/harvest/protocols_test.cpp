// The pieces of a harvest that need no server: retry waits, paging decisions, requests, and
// replies read.
#include <gtest/gtest.h>

#include "harvest/fetcher.h"
#include "harvest/page.h"
#include "harvest/pagewriter.h"
#include "harvest/protocols.h"
#include "harvest/recordstore.h"
#include "tests/core/test_util.h"
#include "tests/harvest/catalogue.h"
#include "tests/import/csrrecord.h"

namespace {

using harvest::CswProtocol;
using harvest::OaiProtocol;
using harvest::Page;
using harvest::Paging;
using harvest::Response;

Response status(long code, const std::string& retryAfter = "") {
    Response r;
    r.status = code;
    r.retryAfter = retryAfter;
    return r;
}

TEST(RetryWait, ServersRetryAfterInSecondsOrAsADateElseDoublingUpToTheLimit) {
    harvest::RetrySettings settings;
    const std::time_t now = 1'780'000'000; // 2026-05-28T20:26:40Z
    EXPECT_EQ(harvest::retryWait(status(503, "0"), 0, settings, now), 0.0);
    EXPECT_EQ(harvest::retryWait(status(503, "120"), 0, settings, now), 120.0);
    EXPECT_EQ(harvest::retryWait(status(429, "9999"), 0, settings, now), 600.0);
    EXPECT_EQ(harvest::retryWait(status(503, "Thu, 28 May 2026 20:27:10 GMT"), 0, settings, now), 30.0);
    EXPECT_EQ(harvest::retryWait(status(503, "Thu, 28 May 2026 20:00:00 GMT"), 0, settings, now), 0.0);
    EXPECT_EQ(harvest::retryWait(status(503, "Fri, 29 May 2026 20:26:40 GMT"), 0, settings, now), 600.0);
    // Not a number or a date: the wait of the attempt, as without one.
    EXPECT_EQ(harvest::retryWait(status(502, "soon"), 1, settings, now), 2.0);
    const std::vector<double> doubling = {1, 2, 4};
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(harvest::retryWait(status(500), attempt, settings, now), doubling[static_cast<std::size_t>(attempt)]);
    settings.retries = 10;
    EXPECT_EQ(harvest::retryWait(status(504), 9, settings, now), 60.0);
    Response timeout;
    timeout.failure = Response::Failure::Retryable;
    EXPECT_EQ(harvest::retryWait(timeout, 0, settings, now), 1.0);
    // The last try is not followed by another; other replies are not tried again.
    settings.retries = 5;
    EXPECT_FALSE(harvest::retryWait(status(503, "0"), 5, settings, now));
    for (const long code : {200L, 304L, 400L, 403L, 404L, 501L})
        EXPECT_FALSE(harvest::retryWait(status(code, "0"), 0, settings, now)) << code;
    Response refused;
    refused.failure = Response::Failure::Refused;
    EXPECT_FALSE(harvest::retryWait(refused, 0, settings, now));
}

// A transport that answers each request from a script of statuses, one a try.
struct ScriptedTransport : harvest::Transport {
    std::map<std::string, std::vector<long>> script;
    std::vector<std::string> asked;
    std::vector<Response> fetch(const std::vector<harvest::Request>& requests) override {
        std::vector<Response> out;
        for (const harvest::Request& r : requests) {
            asked.push_back(r.url);
            std::vector<long>& left = script[r.url];
            out.push_back(status(left.empty() ? 200 : left.front(), "0"));
            if (!left.empty()) left.erase(left.begin());
        }
        return out;
    }
};

TEST(Fetcher, TriesAgainOnlyWhatFailedAndGivesUpWhenAStopComesDuringTheWait) {
    ScriptedTransport transport;
    transport.script = {{"a", {503, 200}}, {"b", {200}}, {"c", {429, 429, 200}}, {"d", {404}}};
    std::vector<std::string> told;
    harvest::Fetcher fetcher(
        transport, harvest::RetrySettings{},
        [&](double s, int retry, int of) {
            told.push_back(std::to_string(static_cast<int>(s)) + " " + std::to_string(retry) + "/" +
                           std::to_string(of));
        },
        [](double) { return true; });
    const std::vector<Response> replies = fetcher.fetch({{"a", {}, {}}, {"b", {}, {}}, {"c", {}, {}}, {"d", {}, {}}});
    std::vector<long> statuses;
    for (const Response& r : replies)
        statuses.push_back(r.status);
    EXPECT_EQ(statuses, (std::vector<long>{200, 200, 200, 404}));
    EXPECT_EQ(transport.asked, (std::vector<std::string>{"a", "b", "c", "d", "a", "c", "c"}));
    EXPECT_EQ(told, (std::vector<std::string>{"0 1/5", "0 2/5"}));
    EXPECT_EQ(fetcher.retries(), 3);

    transport.script = {{"e", {503, 503}}};
    harvest::Fetcher stopping(
        transport, harvest::RetrySettings{}, [](double, int, int) {}, [](double) { return false; });
    EXPECT_EQ(stopping.fetch(harvest::Request{"e", {}, {}}).failure, Response::Failure::Stopped);
}

Page csw(long long matched, long long returned, int records) {
    Page page;
    page.usable = true;
    page.matched = matched;
    page.returned = returned;
    page.records.resize(static_cast<std::size_t>(records));
    return page;
}

TEST(CswPaging, AdvancesByTheRecordsThePageHoldsAndEndsPastTheMatched) {
    // The records held decide, whatever nextRecord says.
    Paging p = CswProtocol::after(csw(250, 100, 100), 1);
    EXPECT_EQ(p.kind, Paging::Kind::Next);
    EXPECT_EQ(p.next, "101");
    EXPECT_EQ(p.total, 250);
    EXPECT_EQ(CswProtocol::after(csw(250, 40, 40), 101).next, "141"); // capped: the rest is asked for
    EXPECT_EQ(CswProtocol::after(csw(250, 100, 100), 151).kind, Paging::Kind::Done);
    EXPECT_EQ(CswProtocol::after(csw(250, 50, 50), 201).kind, Paging::Kind::Done);
    EXPECT_EQ(CswProtocol::after(csw(0, 0, 0), 1).kind, Paging::Kind::Done);
    // Short of the matched, with nothing sent: the catalogue lost count, not an endless loop.
    p = CswProtocol::after(csw(250, 0, 0), 101);
    EXPECT_EQ(p.kind, Paging::Kind::Failed);
    EXPECT_EQ(p.error, "the catalogue sent no record at position 101 of the 250 it says it matched");
    Page none;
    none.usable = true;
    none.holds = "its root element is rss";
    EXPECT_EQ(CswProtocol::after(none, 1).error, "the reply is no GetRecords response: its root element is rss");
}

TEST(OaiPaging, TokensToTheEndAndTheSameTokenTwiceRefused) {
    Page page;
    page.usable = true;
    page.completeListSize = 12;
    EXPECT_EQ(OaiProtocol::after(page, "").kind, Paging::Kind::Done); // no token
    page.resumptionToken = "";
    EXPECT_EQ(OaiProtocol::after(page, "t1").kind, Paging::Kind::Done); // an empty one
    page.resumptionToken = "t2";
    const Paging next = OaiProtocol::after(page, "t1");
    EXPECT_EQ(next.kind, Paging::Kind::Next);
    EXPECT_EQ(next.next, "t2");
    EXPECT_EQ(next.total, 12);
    const Paging again = OaiProtocol::after(page, "t2");
    EXPECT_EQ(again.kind, Paging::Kind::Failed);
    EXPECT_EQ(again.error, "the catalogue gave the same resumptionToken twice (t2)");

    EXPECT_EQ(OaiProtocol::fromIn("2026-11-02T10:00:00Z", "YYYY-MM-DD"), "2026-11-02");
    EXPECT_EQ(OaiProtocol::fromIn("2026-11-02T10:00:00Z", "YYYY-MM-DDThh:mm:ssZ"), "2026-11-02T10:00:00Z");
    EXPECT_EQ(OaiProtocol::fromIn("2026-11-02", "YYYY-MM-DDThh:mm:ssZ"), "2026-11-02");
}

TEST(Requests, QueriesAreAddedToTheAddressAndTheirValuesEncoded) {
    EXPECT_EQ(harvest::withQuery("https://x.org/csw", "a=1"), "https://x.org/csw?a=1");
    EXPECT_EQ(harvest::withQuery("https://x.org/q?s=1", "a=1"), "https://x.org/q?s=1&a=1");
    EXPECT_EQ(harvest::withQuery("https://x.org/q?", "a=1"), "https://x.org/q?a=1");
    EXPECT_EQ(harvest::queryValue("a b:c/d~é"), "a%20b%3Ac%2Fd~%C3%A9");
    EXPECT_EQ(OaiProtocol::request("http://h/oai", "iso19139", "cruises:2026", std::string("2026-12-01")),
              "http://h/oai?verb=ListRecords&metadataPrefix=iso19139&set=cruises%3A2026&from=2026-12-01");
    EXPECT_EQ(OaiProtocol::resume("http://h/oai?x=1", "a b&c"),
              "http://h/oai?x=1&verb=ListRecords&resumptionToken=a%20b%26c");
    const std::string get = CswProtocol::request("http://h/csw", 101, 50, false, std::string("2026-12-01T00:00:00Z"));
    EXPECT_NE(get.find("&maxRecords=50&startPosition=101&"), std::string::npos) << get;
    EXPECT_EQ(get.find("sortBy"), std::string::npos);
    EXPECT_NE(get.find("&constraint=apiso%3AModified%20%3E%3D%20%272026-12-01T00%3A00%3A00Z%27"), std::string::npos);
}

TEST(ReadPage, RecordsStandAloneWithTheirNamespacesAndWhatAPageSaysBesideThem) {
    // A record whose prefixes are declared above it, on the page, as catalogues write them.
    const std::string record =
        "<gmd:MD_Metadata xsi:type=\"gmd:MD_Metadata_Type\"><gmd:fileIdentifier><gco:CharacterString>"
        " urn:a </gco:CharacterString></gmd:fileIdentifier><gmd:dateStamp><gco:Date>2021-03-04"
        "</gco:Date></gmd:dateStamp></gmd:MD_Metadata>";
    const std::string body =
        "<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\" xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" "
        "xmlns:gco=\"http://www.isotc211.org/2005/gco\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
        "<responseDate>2026-12-01T10:00:00Z</responseDate><ListRecords><record><header><identifier>oai:a</identifier>"
        "<datestamp>2026-11-30</datestamp></header><metadata>" +
        record +
        "</metadata></record><record><header status=\"deleted\"><identifier>oai:b</identifier><datestamp>2026-11-29"
        "</datestamp></header></record><resumptionToken expirationDate=\"2026-12-02T00:00:00Z\" completeListSize=\"9\">"
        "t2</resumptionToken></ListRecords></OAI-PMH>";
    const Page page = harvest::readPage(body);
    ASSERT_TRUE(page.usable) << page.problem;
    ASSERT_EQ(page.records.size(), 2u);
    EXPECT_EQ(page.records[0].identifier, "oai:a");
    EXPECT_EQ(page.records[0].fileIdentifier, "urn:a");
    EXPECT_EQ(page.records[0].dateStamp, "2021-03-04");
    EXPECT_EQ(page.records[0].verdict, csrimport::RecordVerdict::NotCsr);
    EXPECT_TRUE(page.records[1].deleted);
    EXPECT_EQ(page.records[1].datestamp, "2026-11-29");
    EXPECT_EQ(page.responseDate, "2026-12-01T10:00:00Z");
    EXPECT_EQ(page.resumptionToken, "t2");
    EXPECT_EQ(page.tokenExpires, "2026-12-02T00:00:00Z");
    EXPECT_EQ(page.completeListSize, 9);
    // The record's bytes as the page holds them, with the namespaces it uses declared on it.
    EXPECT_EQ(
        page.records[0].xml,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gmd:MD_Metadata xmlns=\"http://www.openarchives.org/OAI/2.0/\" "
        "xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" xmlns:gco=\"http://www.isotc211.org/2005/gco\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"" +
            record.substr(std::string("<gmd:MD_Metadata").size()) + "\n");
    // The record read again alone is the same record.
    const Page alone = harvest::readPage(page.records[0].xml);
    ASSERT_EQ(alone.records.size(), 1u) << page.records[0].xml;
    EXPECT_EQ(alone.records[0].fileIdentifier, "urn:a");
    EXPECT_NE(page.records[0].xml.find("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""), std::string::npos);

    // Comments, CDATA, instructions and a ">" in an attribute before and inside the records do
    // not mislead the cut; a reply in another encoding has its records written out in UTF-8.
    const std::string tricky =
        "<?xml version=\"1.0\"?><!-- <gmd:MD_Metadata> --><r a=\"x>y\" "
        "xmlns:gmd=\"http://www.isotc211.org/2005/gmd\"><?p <b>?><![CDATA[<gmd:MD_Metadata/>]]>"
        "<gmd:MD_Metadata><x a='>'/><!-- </gmd:MD_Metadata> --></gmd:MD_Metadata><gmd:MD_Metadata/>"
        "</r>";
    const Page cut = harvest::readPage(tricky);
    ASSERT_EQ(cut.records.size(), 2u);
    EXPECT_EQ(cut.records[0].xml,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gmd:MD_Metadata xmlns:gmd=\""
              "http://www.isotc211.org/2005/gmd\"><x a='>'/><!-- </gmd:MD_Metadata> --></gmd:MD_Metadata>\n");
    EXPECT_EQ(cut.records[1].xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gmd:MD_Metadata xmlns:gmd=\""
                                  "http://www.isotc211.org/2005/gmd\"/>\n");
    const Page latin = harvest::readPage("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gmd:MD_Metadata xmlns:gmd=\""
                                         "http://www.isotc211.org/2005/gmd\"><t>Mar\xE9"
                                         "e</t></gmd:MD_Metadata>");
    ASSERT_EQ(latin.records.size(), 1u);
    EXPECT_EQ(latin.records[0].xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gmd:MD_Metadata xmlns:gmd=\""
                                    "http://www.isotc211.org/2005/gmd\"><t>Mar\xC3\xA9"
                                    "e</t></gmd:MD_Metadata>\n");

    const Page csr = harvest::readPage(csrtest::document(harvesttest::cruise("urn:c", "1995-01-01", "C")));
    ASSERT_EQ(csr.records.size(), 1u);
    EXPECT_EQ(csr.records[0].verdict, csrimport::RecordVerdict::Imported);
    EXPECT_EQ(csr.records[0].recordDate, "2020-01-01");

    const Page error = harvest::readPage("<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\"><error code="
                                         "\"badResumptionToken\"> expired </error></OAI-PMH>");
    ASSERT_TRUE(error.oaiError);
    EXPECT_EQ(error.oaiError->code, "badResumptionToken");
    EXPECT_EQ(error.oaiError->text, "expired");
    const Page exception =
        harvest::readPage("<ows:ExceptionReport xmlns:ows=\"http://www.opengis.net/ows\"><ows:Exception "
                          "exceptionCode=\"NoApplicableCode\">"
                          "<ows:ExceptionText>down</ows:ExceptionText></ows:Exception></ows:ExceptionReport>");
    ASSERT_TRUE(exception.exception);
    EXPECT_EQ(exception.exception->code + ": " + exception.exception->text, "NoApplicableCode: down");

    EXPECT_FALSE(harvest::readPage("<a><b></a>").usable);
    EXPECT_FALSE(harvest::readPage(body.substr(0, body.size() / 2)).usable);
    const Page doctype = harvest::readPage("<!DOCTYPE r SYSTEM \"http://127.0.0.1:1/r.dtd\"><r/>");
    EXPECT_FALSE(doctype.usable);
    EXPECT_NE(doctype.problem.find("DOCTYPE"), std::string::npos) << doctype.problem;
}

// A page of records with an identifier each, in one document.
std::string recordsPage(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string page = "<r xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" "
                       "xmlns:gco=\"http://www.isotc211.org/2005/gco\"><!-- <gmd:MD_Metadata> -->";
    for (const auto& [identifier, title] : records)
        page.append("<gmd:MD_Metadata><gmd:fileIdentifier><gco:CharacterString>")
            .append(identifier)
            .append("</gco:CharacterString></gmd:fileIdentifier><t a=\">\">")
            .append(title)
            .append("</t></gmd:MD_Metadata>");
    return page + "</r>";
}

// Records left to be cut (on the thread that stores them) are cut as readPage cuts them; bytes
// that do not cut as the tree says change nothing, and the writer has such a page read again
// before it is written, with no later page written before it.
TEST(ReadPage, RecordsLeftToBeCutAreCutAsReadPageCutsThemOrReadAgain) {
    const std::string bytes = recordsPage({{"urn:a", "one"}, {"urn:b", "two"}});
    const Page now = harvest::readPage(bytes);
    ASSERT_EQ(now.records.size(), 2u);
    EXPECT_FALSE(now.cut);
    Page later = harvest::readPageLater(std::make_shared<const std::string>(bytes));
    ASSERT_TRUE(later.cut);
    ASSERT_EQ(later.records.size(), 2u);
    EXPECT_EQ(later.records[1].fileIdentifier, "urn:b");
    EXPECT_TRUE(later.records[0].xml.empty());
    harvest::RecordCut wrong = *later.cut;
    wrong.records[1].name = "gmd:MI_Metadata";
    std::vector<harvest::PageRecord> kept = later.records;
    EXPECT_FALSE(harvest::cutRecords(wrong, kept));
    EXPECT_TRUE(kept[0].xml.empty() && kept[1].xml.empty());
    ASSERT_TRUE(harvest::cutRecords(*later.cut, later.records));
    EXPECT_EQ(later.records[0].xml, now.records[0].xml);
    EXPECT_EQ(later.records[1].xml, now.records[1].xml);
    const Page latin = harvest::readPageLater(
        std::make_shared<const std::string>("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gmd:MD_Metadata "
                                            "xmlns:gmd=\"http://www.isotc211.org/2005/gmd\"/>"));
    ASSERT_EQ(latin.records.size(), 1u);
    EXPECT_FALSE(latin.cut);
    EXPECT_FALSE(latin.records[0].xml.empty());

    testutil::TempDir dir;
    std::string err;
    harvest::RecordStore store;
    ASSERT_TRUE(store.open(dir.path(), true, &err)) << err;
    harvest::Source source;
    source.address = "http://127.0.0.1/csw";
    source.protocol = "csw";
    ASSERT_TRUE(store.saveSource(source, &err)) << err;
    const std::string again = recordsPage({{"urn:a", "three"}});
    {
        harvest::PageWriter writer(store);
        Page first = harvest::readPageLater(std::make_shared<const std::string>(bytes));
        auto uncut = std::make_shared<harvest::RecordCut>(*first.cut);
        uncut->records[0].ordinal += 1;
        writer.write(std::move(first.records), source, {}, uncut);
        Page second = harvest::readPageLater(std::make_shared<const std::string>(again));
        writer.write(std::move(second.records), source, {}, second.cut);
        ASSERT_TRUE(writer.drain(&err)) << err;
        EXPECT_EQ(writer.counts().newRecords, 2);
        EXPECT_EQ(writer.counts().changed, 1);
    }
    const std::vector<harvest::RecordStore::Live> live = store.liveRecords(&err);
    ASSERT_EQ(live.size(), 2u) << err;
    std::string a, b;
    ASSERT_TRUE(store.recordXml(live[0].id, &a, &err) && store.recordXml(live[1].id, &b, &err)) << err;
    EXPECT_EQ(a, harvest::readPage(again).records[0].xml);
    EXPECT_EQ(b, now.records[1].xml);
}

} // namespace
