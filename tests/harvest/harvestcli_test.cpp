// morvex-harvest run as a child process against catalogues on 127.0.0.1: killed after each page
// and resumed, a disk that fills, a stop asked for, its output, exit statuses and --json.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "tests/cli/process.h"
#include "tests/core/test_util.h"
#include "tests/harvest/catalogue.h"
#include "tests/harvest/loopbackserver.h"
#include "tests/import/csrrecord.h"

namespace {

using clitest::Result;
using harvesttest::cruise;
using harvesttest::CswCatalogue;
using harvesttest::formFiles;
using harvesttest::LoopbackServer;
using harvesttest::NextRecord;
using harvesttest::OaiCatalogue;
using harvesttest::Reply;
using harvesttest::Seen;
using harvesttest::storeRows;

constexpr int kWritten = 0;
constexpr int kFailed = 1;
constexpr int kRefused = 2;

// What a harvest leaves in its store, apart from the times it ran at.
constexpr const char* kRecords =
    "SELECT source, key, file_identifier, date_stamp, deleted, seen, etag, last_modified, xml FROM records "
    "ORDER BY source, key";
constexpr const char* kSources = "SELECT id, address, protocol, set_spec, metadata_prefix, page_size, generation, "
                                 "in_progress, full, window_from, paging, paging_expires, sort_accepted FROM sources";

clitest::Options harvestOptions(rlim_t fileSize = 0, const std::string& stdinFile = "") {
    clitest::Options options;
    options.program = MORVEX_HARVEST_BIN;
    options.env = {"MORVEX_HARVEST_RETRY_BASE=0"};
    options.fileSize = fileSize;
    options.stdinFile = stdinFile;
    return options;
}

Result runHarvest(const std::vector<std::string>& args, rlim_t fileSize = 0, const std::string& stdinFile = "") {
    return clitest::Process(args, harvestOptions(fileSize, stdinFile)).finish();
}

std::vector<std::string> generated(int n) {
    std::vector<std::string> records;
    for (int i = 0; i < n; ++i)
        records.push_back(cruise("urn:g" + std::to_string(i),
                                 std::to_string(1990 + i % 4) + "-02-0" + std::to_string(1 + i % 8),
                                 "Generated " + std::to_string(i)));
    return records;
}

// A catalogue that ends the child harvesting from it at its second page request of each run,
// once the page before is in the store (the paging state the store keeps has moved since the
// first request): so each run is cut short with one page saved.
struct KillingServer {
    std::atomic<pid_t> child{0};
    std::atomic<int> pagesThisRun{0};
    int signal = SIGKILL;
    std::string folder; // of the store of the run
    std::vector<std::string> pagingAtFirst;
    std::function<Reply(const Seen&)> answer;
    LoopbackServer server{[this](const Seen& r) {
        const auto verb = r.params.find("verb");
        const bool page =
            r.params.count("startPosition") > 0 || (verb != r.params.end() && verb->second == "ListRecords");
        const auto paging = [&] { return storeRows(folder, "SELECT paging FROM sources"); };
        if (page && ++pagesThisRun == 1) pagingAtFirst = paging();
        if (page && pagesThisRun == 2) {
            EXPECT_TRUE(clitest::waitUntil([&] { return child.load() != 0 && paging() != pagingAtFirst; }));
            ::kill(child.load(), signal);
        }
        return answer(r);
    }};

    Result run(const std::vector<std::string>& args) {
        pagesThisRun = 0;
        child = 0;
        folder = args[std::find(args.begin(), args.end(), "-o") - args.begin() + 1];
        clitest::Process process(args, harvestOptions());
        child = process.pid();
        return process.finish();
    }
};

TEST(HarvestCli, KilledAfterEachPageAndResumedIsOneUninterruptedHarvest) {
    CswCatalogue csw{generated(11), 1000, NextRecord::Right, false};
    OaiCatalogue oai;
    oai.pageSize = 3;
    for (int i = 0; i < 10; ++i)
        oai.records.push_back({"oai:k:" + std::to_string(i), "2026-11-2" + std::to_string(i % 10),
                               cruise("urn:k" + std::to_string(i), "1993-0" + std::to_string(1 + i % 9) + "-11", "K"),
                               i == 4});
    for (const std::string protocol : {"csw", "oai"}) {
        SCOPED_TRACE(protocol);
        KillingServer killing;
        killing.answer = [&](const Seen& r) { return protocol == "csw" ? csw.answer(r) : oai.answer(r); };
        const std::string address = killing.server.url("/" + protocol);
        testutil::TempDir killed, whole;
        const std::vector<std::string> first = {"-q",     "-o",          killed.path(), "--protocol",
                                                protocol, "--page-size", "3",           address};
        int kills = 0;
        Result r = killing.run(first);
        for (int run = 0; run < 10 && r.status == 128 + SIGKILL; ++run) {
            ++kills;
            r = killing.run({"-q", "-o", killed.path()});
            EXPECT_TRUE(r.err.find(address + ": going on with the harvest cut short before") != std::string::npos ||
                        r.status == 128 + SIGKILL)
                << r.err;
        }
        ASSERT_EQ(r.status, kWritten) << r.err;
        EXPECT_EQ(kills, 3); // four pages
        EXPECT_TRUE(testutil::hiddenNames(killed.path()).empty());

        killing.signal = 0; // a signal of 0 ends nothing
        const Result once =
            killing.run({"-q", "-o", whole.path(), "--protocol", protocol, "--page-size", "3", address});
        ASSERT_EQ(once.status, kWritten) << once.err;
        EXPECT_EQ(storeRows(killed.path(), kRecords), storeRows(whole.path(), kRecords));
        EXPECT_EQ(storeRows(killed.path(), kSources), storeRows(whole.path(), kSources));
        EXPECT_EQ(storeRows(killed.path(), "SELECT name, size, checksum FROM year_files"),
                  storeRows(whole.path(), "SELECT name, size, checksum FROM year_files"));
        EXPECT_EQ(formFiles(killed.path()), formFiles(whole.path()));
        EXPECT_EQ(formFiles(whole.path()).size(), protocol == "csw" ? 4u : 1u);
    }
}

// A harvest stopped by SIGTERM ends with status 1 and its words; the next one goes on.
TEST(HarvestCli, AStopKeepsWhatWasSavedAndTheNextHarvestGoesOn) {
    CswCatalogue csw{generated(9), 1000, NextRecord::Right, false};
    KillingServer stopping;
    stopping.signal = SIGTERM;
    stopping.answer = [&](const Seen& r) { return csw.answer(r); };
    testutil::TempDir dir;
    const Result stopped =
        stopping.run({"-q", "-o", dir.path(), "--protocol", "csw", "--page-size", "4", stopping.server.url("/csw")});
    EXPECT_EQ(stopped.status, kFailed);
    EXPECT_NE(
        stopped.err.find("morvex-harvest: stopped; the store keeps every page harvested, and the next harvest goes "
                         "on from there\n"),
        std::string::npos)
        << stopped.err;
    EXPECT_TRUE(formFiles(dir.path()).empty());
    const std::vector<std::string> saved = storeRows(dir.path(), "SELECT count(*) FROM records");
    EXPECT_TRUE(saved == std::vector<std::string>{"4"} || saved == std::vector<std::string>{"8"}) << saved[0];
    stopping.signal = 0;
    const Result resumed = stopping.run({"-o", dir.path()});
    ASSERT_EQ(resumed.status, kWritten) << resumed.err;
    EXPECT_EQ(storeRows(dir.path(), "SELECT count(*) FROM records"), std::vector<std::string>{"9"});
}

// The disk fills while a page is saved: the store and the year files are as the last harvest
// left them, and the next harvest with room does all of it.
TEST(HarvestCli, ADiskThatFillsLeavesTheStoreAndTheYearFilesAsTheyWere) {
    CswCatalogue csw{generated(4), 1000, NextRecord::Right, false};
    LoopbackServer server([&](const Seen& r) { return csw.answer(r); });
    testutil::TempDir dir;
    ASSERT_EQ(runHarvest({"-q", "-o", dir.path(), "--protocol", "csw", server.url("/csw")}).status, kWritten);
    const std::vector<std::string> records = storeRows(dir.path(), kRecords);
    const std::map<std::string, std::string> files = formFiles(dir.path());
    // Records large enough to pass the limit, in one page.
    std::uintmax_t largest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        largest = std::max(largest, entry.file_size());
    const std::string remarks(8192, 'r');
    for (int i = 0; i < 40; ++i)
        csw.records.push_back(
            cruise("urn:big" + std::to_string(i), "1991-05-01", "Big " + std::to_string(i) + remarks));
    const Result full = runHarvest({"-q", "-o", dir.path(), "--page-size", "100"}, largest + 16384);
    EXPECT_EQ(full.status, kFailed);
    EXPECT_NE(full.err.find("csr.sqlite: the page could not be saved ("), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("); the store keeps what it had"), std::string::npos) << full.err;
    EXPECT_EQ(storeRows(dir.path(), kRecords), records);
    EXPECT_EQ(formFiles(dir.path()), files);
    EXPECT_TRUE(testutil::hiddenNames(dir.path()).empty());

    // With room, the harvest does all of it; then the disk fills while the year files are
    // written again: they stay as they were, and no hidden file is left.
    const Result room = runHarvest({"-q", "-o", dir.path()});
    ASSERT_EQ(room.status, kWritten) << room.err;
    const std::map<std::string, std::string> written = formFiles(dir.path());
    ASSERT_NE(written.at("KER1991.INF").find("CR Big 39"), std::string::npos);
    const std::vector<std::string> store = storeRows(dir.path(), kRecords);
    const Result formsFull =
        runHarvest({"-q", "-o", dir.path(), "--forms-only", "--replace"}, written.at("KER1991.INF").size() / 2);
    EXPECT_EQ(formsFull.status, kFailed) << formsFull.err;
    EXPECT_EQ(formFiles(dir.path()), written);
    EXPECT_EQ(storeRows(dir.path(), kRecords), store);
    EXPECT_TRUE(testutil::hiddenNames(dir.path()).empty());
}

TEST(HarvestCli, OutputJsonExitStatusesAndAListOnStandardInput) {
    const std::map<std::string, std::string> files = {
        {"/r/1.xml", csrtest::document(cruise("urn:r1", "1995-02-01", "R1"))},
        {"/r/2.xml", csrtest::document(cruise("urn:r2", "1995-03-01", "R2"))},
        {"/r/3.xml",
         csrtest::document(csrtest::record(csrtest::fileIdentifier("urn:r3") + csrtest::hierarchyLevel("DS")))}};
    LoopbackServer server([&](const Seen& r) {
        const auto found = files.find(r.target);
        return found == files.end() ? Reply{404, "no such record", "text/plain", {}, -1}
                                    : Reply{200, found->second, "text/xml", {}, -1};
    });
    testutil::TempDir dir;
    const std::string list = dir.file("list.txt");
    testutil::writeFile(list,
                        server.url("/r/1.xml") + "\n" + server.url("/r/2.xml") + "\n" + server.url("/r/3.xml") + "\n");
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    const Result r = runHarvest({"-q", "-o", out, "-"}, 0, list); // a file, or "-", is a list
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.out,
              "KER1995.INF: 2 forms\n"
              "Records new: 3, changed: 0, unchanged: 0, deleted: 0, not CSR: 1; pages: 3; retries: 0; year files "
              "written: 1\n"
              "Records read: 3, imported: 2, skipped: 1, replaced duplicates: 0, transliterated characters: 0, "
              "inputs not read: 0, investigators left out: 0, documents without records: 0\n");

    // The store is a database the sqlite3 program reads.
    clitest::Options sqlite;
    sqlite.program = "/usr/bin/sqlite3";
    const Result query =
        clitest::Process({"-readonly", out + "/csr.sqlite", "SELECT count(*) FROM records WHERE deleted = 0"}, sqlite)
            .finish();
    EXPECT_EQ(query.out, "3\n") << query.err;

    // Again, from the list the store remembers (standard input is gone): nothing changed.
    Result again = runHarvest({"-q", "-o", out, "--json"});
    ASSERT_EQ(again.status, kWritten) << again.err;
    const nlohmann::json object = nlohmann::json::parse(again.out);
    EXPECT_EQ(object["outcome"], "completed");
    EXPECT_EQ(object["records_unchanged"], 3);
    EXPECT_EQ(object["files"][0]["name"], "KER1995.INF");
    EXPECT_EQ(object["files"][0]["forms"], 2);
    EXPECT_EQ(object["files"][0]["path"], out + "/KER1995.INF");

    // Refused: a usage error, a new source without its protocol, a folder that is not there.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--protocol", "gopher", "x"},
                                                 {"-o", out, server.url("/csw")},
                                                 {"-o", dir.file("none"), "x"},
                                                 {"-o", out, "--protocol", "csw", list},
                                                 {"-o", out, "--protocol", "list", server.url("/list")},
                                                 {"--forms-only", "--full", "-o", out},
                                                 {"--page-size", "0", "x"}}) {
        Result refused = runHarvest(args);
        EXPECT_EQ(refused.status, kRefused) << args[0] << " " << refused.err;
        EXPECT_NE(refused.err.find("morvex-harvest: error: "), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
    Result refusedJson = runHarvest({"--json", "--protocol", "gopher", "x"});
    EXPECT_EQ(nlohmann::json::parse(refusedJson.out)["outcome"], "refused");
    EXPECT_EQ(refusedJson.err, "morvex-harvest: error: --protocol gopher: csw, oai or list\n");

    // Failed: a catalogue that answers 404 to every page.
    Result failed = runHarvest({"-q", "-o", out, "--protocol", "oai", server.url("/oai"), "--json"});
    EXPECT_EQ(failed.status, kFailed);
    const nlohmann::json failure = nlohmann::json::parse(failed.out);
    EXPECT_EQ(failure["outcome"], "stopped");
    EXPECT_EQ(failure["message"], "morvex-harvest: " + server.url("/oai") + "?verb=Identify: HTTP 404: no such record");
}

// On a terminal: the wait of a retry, then the records of the total the catalogue tells; the
// line is gone at the end. Nothing with --quiet.
TEST(HarvestCli, ProgressGoesOnlyToATerminal) {
    CswCatalogue csw{generated(5), 1000, NextRecord::Right, false};
    int calls = 0;
    LoopbackServer server([&](const Seen& r) {
        if (++calls == 1) return Reply{503, "busy", "text/plain", {{"Retry-After", "0"}}, -1};
        return csw.answer(r);
    });
    testutil::TempDir dir;
    std::string terminal;
    std::optional<Result> r =
        clitest::runOnTerminal({"-o", dir.path(), "--protocol", "csw", "--page-size", "2", server.url("/csw")},
                               {"TERM=xterm", "MORVEX_HARVEST_RETRY_BASE=0"}, &terminal, 0, MORVEX_HARVEST_BIN);
    if (!r) GTEST_SKIP() << "no terminal: " << std::strerror(errno);
    EXPECT_EQ(r->status, kWritten) << r->err;
    EXPECT_NE(terminal.find("\rwaiting 0 s for retry 1 of 5  pages 0  0 KB"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("\rrecords 2 of 5  pages 1  "), std::string::npos) << terminal;
    ASSERT_GE(terminal.size(), 4u);
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");
    r = clitest::runOnTerminal({"-q", "-o", dir.path()}, {"TERM=xterm"}, &terminal, 0, MORVEX_HARVEST_BIN);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kWritten) << r->err;
    EXPECT_EQ(terminal, "");
}

} // namespace
