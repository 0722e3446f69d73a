// Whole imports into an in-memory folder: files per year, order, duplicates, failures, stops.
#include <gtest/gtest.h>

#include <filesystem>

#include "import/importrun.h"
#include "tests/core/test_util.h"
#include "tests/import/csrrecord.h"
#include "tests/support/memoryfilesystem.h"

namespace {

using csrimport::ImportOutcome;
using namespace csrtest;

// Records the messages; stops when told.
struct RecordingImportHost : csrimport::ImportHost {
    std::vector<std::string> messages;
    int progressCalls = 0;
    int stopAfterRecords = -1; // stop once this many records were seen
    bool renamesAllowed = true;
    void progress(std::uint64_t, std::uint64_t, const csrimport::ImportCounts&) override { ++progressCalls; }
    void message(const std::string& text) override { messages.push_back(text); }
    bool stopRequested() override { return stopAfterRecords >= 0 && progressCalls >= stopAfterRecords; }
    bool startRenames() override { return renamesAllowed; }
};

// The form of minimalRecord(id, begin, end) with no dateStamp, as the note lays it out.
std::string minimalForm(const std::string& local, const std::string& id, const std::string& begin,
                        const std::string& dayMonths) {
    return testutil::crlf({begin.substr(0, 4) + "^^" + local + "^^0^", "", "", "", dayMonths + "^", "CR ^", "^", "", "",
                           "Imported from " + id + ", " + begin + " to " + begin, "*"});
}

struct ImportRunTest : ::testing::Test {
    testutil::TempDir dir;
    testutil::MemoryFileSystem fs;
    RecordingImportHost host;
    csrimport::ImportRun run{host, fs};
    csrimport::ImportSettings settings;

    ImportRunTest() {
        settings.folder = "/out";
        settings.spillFolder = dir.path();
    }
    std::string input(const std::string& name, const std::string& text) {
        testutil::writeFile(dir.file(name), text);
        settings.inputs.push_back(dir.file(name));
        return dir.file(name);
    }
    std::string recordWithStamp(const std::string& id, const std::string& begin, const std::string& stamp,
                                const std::string& title) {
        return record(fileIdentifier(id) + hierarchyLevel() + (stamp.empty() ? "" : dateStamp(stamp)) +
                      identification(citation(title) + period(begin, "")));
    }
    std::vector<std::string> hiddenFiles() const {
        std::vector<std::string> names;
        for (const auto& [path, bytes] : fs.files)
            if (path.find("/.") != std::string::npos) names.push_back(path);
        return names;
    }
};

TEST_F(ImportRunTest, OneFilePerBeginYearInOrderOfDateThenLocalIdentifier) {
    input("b.xml", document("<harvest>" + minimalRecord("urn:x:B", "1995-03-01", "") +
                            minimalRecord("urn:y:A", "1995-03-01", "") + minimalRecord("urn:x:C", "1994-12-31", "") +
                            minimalRecord("urn:x:D", "1995-01-15", "") + "</harvest>"));
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    EXPECT_EQ(fs.files["/out/KER1994.INF"], minimalForm("C", "urn:x:C", "1994-12-31", "31^Dec^31^Dec"));
    EXPECT_EQ(fs.files["/out/KER1995.INF"], minimalForm("D", "urn:x:D", "1995-01-15", "15^Jan^15^Jan") +
                                                minimalForm("A", "urn:y:A", "1995-03-01", "1^Mar^1^Mar") +
                                                minimalForm("B", "urn:x:B", "1995-03-01", "1^Mar^1^Mar"));
    EXPECT_EQ(run.files(), (std::vector<std::pair<std::string, std::size_t>>{{"KER1994.INF", 1}, {"KER1995.INF", 3}}));
    EXPECT_EQ(run.counts().recordsRead, 4);
    EXPECT_EQ(run.counts().imported, 4);
    EXPECT_EQ(hiddenFiles(), std::vector<std::string>());
}

// Documents given whole (as a record store gives them) are read after the files, as files
// would be, and named by their names; existing files that mayReplace allows are replaced.
TEST_F(ImportRunTest, DocumentsGivenWholeAreReadAsFilesAre) {
    struct Given : csrimport::DocumentSource {
        std::vector<std::pair<std::string, std::string>> documents;
        std::size_t count() const override { return documents.size(); }
        std::uint64_t totalBytes() const override { return 0; }
        std::string name(std::size_t i) const override { return documents[i].first; }
        bool read(std::size_t i, std::string* bytes, std::string* err) override {
            if (documents[i].second == "unreadable") {
                *err = "gone";
                return false;
            }
            *bytes = documents[i].second;
            return true;
        }
    } given;
    input("a.xml", document(recordWithStamp("urn:k", "1995-01-01", "2020-01-01", "from the file")));
    given.documents = {{"store:1", document(recordWithStamp("urn:k", "1995-01-01", "2021-01-01", "from the store"))},
                       {"store:2", document("<rss/>")},
                       {"store:3", document(minimalRecord("urn:x:C", "1994-12-31", ""))}};
    settings.documents = &given;
    fs.files["/out/KER1994.INF"] = "earlier";
    settings.mayReplace = [](const std::string& name) { return name == "KER1994.INF"; };
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    EXPECT_NE(fs.files["/out/KER1995.INF"].find("CR from the store^"), std::string::npos);
    EXPECT_EQ(fs.files["/out/KER1994.INF"], minimalForm("C", "urn:x:C", "1994-12-31", "31^Dec^31^Dec"));
    EXPECT_EQ(run.counts().recordsRead, 3);
    EXPECT_EQ(run.counts().documentsWithoutRecords, 1);
    EXPECT_NE(std::find(host.messages.begin(), host.messages.end(),
                        "store:2: holds no record: its root element is rss, of no namespace"),
              host.messages.end());

    settings.mayReplace = {};
    EXPECT_EQ(run.run(settings), ImportOutcome::Refused); // KER1994.INF and KER1995.INF exist now
    given.documents.push_back({"store:4", "unreadable"});
    settings.replace = true;
    EXPECT_EQ(run.run(settings), ImportOutcome::ReadFailed);
    EXPECT_EQ(host.messages.back(), "cannot read store:4: gone");
}

TEST_F(ImportRunTest, SameIdentifierKeepsTheLaterDateStampThenTheLaterInInputOrder) {
    input("1.xml", document("<r>" + recordWithStamp("urn:k", "1995-01-01", "2020-01-01T23:00", "old") +
                            recordWithStamp("urn:k", "1995-01-01", "2021-05-05", "newest") +
                            recordWithStamp("urn:k", "1995-01-01", "2019-01-01", "older") +
                            recordWithStamp("urn:t", "1995-02-01", "2020-01-01", "tie one") +
                            recordWithStamp("urn:t", "1995-02-01", "2020-01-01T01:00", "tie two") +
                            recordWithStamp("urn:n", "1995-03-01", "", "no stamp") +
                            recordWithStamp("urn:n", "1995-03-01", "junk", "no stamp either") +
                            recordWithStamp("urn:s", "1995-04-01", "2001-01-01", "stamped") +
                            recordWithStamp("urn:s", "1995-04-01", "", "unstamped") + "</r>"));
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    const std::string file = fs.files["/out/KER1995.INF"];
    for (const char* kept : {"CR newest^", "CR tie two^", "CR no stamp either^", "CR stamped^"})
        EXPECT_NE(file.find(kept), std::string::npos) << kept;
    for (const char* gone : {"CR old^", "CR older^", "CR tie one^", "CR no stamp^", "CR unstamped^"})
        EXPECT_EQ(file.find(gone), std::string::npos) << gone;
    EXPECT_EQ(run.counts().imported, 4);
    EXPECT_EQ(run.counts().duplicates, 5);
    EXPECT_EQ(host.messages.size(), 5u);
}

TEST_F(ImportRunTest, IdentifiersAreComparedTrimmedAndExactly) {
    // Inner blanks, "^" against "/" and a character transliterated ("\xC5\x82" is l with stroke)
    // make different identifiers, although line 9 writes each pair alike; blanks and line
    // ends around an identifier do not count.
    input("1.xml", document("<r>" + recordWithStamp("urn:a  b", "1995-01-01", "", "one") +
                            recordWithStamp("urn:a b", "1995-01-01", "", "two") +
                            recordWithStamp("urn:c^d", "1995-01-01", "", "three") +
                            recordWithStamp("urn:c/d", "1995-01-01", "", "four") +
                            recordWithStamp("urn:\xC5\x82", "1995-01-01", "", "five") +
                            recordWithStamp("urn:l", "1995-01-01", "", "six") +
                            recordWithStamp("urn:\xC3\xA9", "1995-01-01", "", "seven") +
                            recordWithStamp("\n  urn:\xC3\xA9\t", "1995-01-01", "", "eight") + "</r>"));
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    const std::string file = fs.files["/out/KER1995.INF"];
    for (const char* kept : {"CR one^", "CR two^", "CR three^", "CR four^", "CR five^", "CR six^", "CR eight^"})
        EXPECT_NE(file.find(kept), std::string::npos) << kept;
    EXPECT_EQ(file.find("CR seven^"), std::string::npos);
    EXPECT_EQ(run.counts().imported, 7);
    EXPECT_EQ(run.counts().duplicates, 1);
    // Messages are UTF-8, as the record wrote its identifier.
    EXPECT_EQ(host.messages, std::vector<std::string>{dir.file("1.xml") + ": record urn:\xC3\xA9 replaces the record of "
                                                                          "the same fileIdentifier in " + dir.file("1.xml")});
}

TEST_F(ImportRunTest, RecordsWithoutIdentifierAreNeverDuplicates) {
    const std::string noId = record(hierarchyLevel() + identification(period("1996-05-05", "")));
    input("a.xml", document("<r>" + noId + noId + "</r>"));
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    EXPECT_EQ(run.counts().imported, 2);
    EXPECT_EQ(fs.files["/out/KER1996.INF"], minimalForm("", "", "1996-05-05", "5^May^5^May") +
                                                minimalForm("", "", "1996-05-05", "5^May^5^May"));
}

TEST_F(ImportRunTest, SkippedRecordsAndUnusableDocumentsAreSaidAndCounted) {
    input("good.xml", document(record(fileIdentifier("urn:cdi") + hierarchyLevel("CDI") +
                                      identification(period("1995-01-01", ""))) +
                               ""));
    input("nodate.xml", document(minimalRecord("urn:nodate", "", "")));
    const std::string broken = input("broken.xml", document("<r>" + minimalRecord("urn:early", "1990-01-01", "")));
    input("ok.xml", document(minimalRecord("urn:ok", "1991-01-01", "")));
    ASSERT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    EXPECT_EQ(fs.files.count("/out/KER1990.INF"), 0u);
    EXPECT_EQ(fs.files.count("/out/KER1991.INF"), 1u);
    EXPECT_EQ(run.counts().recordsRead, 3);
    EXPECT_EQ(run.counts().skipped, 2);
    EXPECT_EQ(run.counts().inputsNotRead, 1);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0], dir.file("good.xml") + ": record urn:cdi skipped: its hierarchy level name is not CSR");
    EXPECT_EQ(host.messages[1], dir.file("nodate.xml") + ": record urn:nodate skipped: it has no readable begin date");
    EXPECT_EQ(host.messages[2].rfind(broken + ": not usable XML (line ", 0), 0u) << host.messages[2];
}

TEST_F(ImportRunTest, NothingImportedWritesNothing) {
    input("a.xml", document("<empty/>"));
    EXPECT_EQ(run.run(settings), ImportOutcome::NothingImported);
    EXPECT_EQ(run.error(), "no record was imported; nothing was written");
    EXPECT_TRUE(fs.files.empty());
}

TEST_F(ImportRunTest, ExistingFilesAreReplacedOnlyWhenAsked) {
    fs.files["/out/KER1995.INF"] = "earlier 1995";
    fs.files["/out/KER1996.INF"] = "earlier 1996";
    input("a.xml", document(minimalRecord("urn:a", "1995-06-01", "")));
    EXPECT_EQ(run.run(settings), ImportOutcome::Refused);
    EXPECT_EQ(run.error(), "form files exist in /out: KER1995.INF; --replace replaces them; nothing was written");
    EXPECT_EQ(fs.files["/out/KER1995.INF"], "earlier 1995");

    settings.replace = true;
    csrimport::ImportRun again(host, fs);
    ASSERT_EQ(again.run(settings), ImportOutcome::Written) << again.error();
    EXPECT_EQ(fs.files["/out/KER1995.INF"], minimalForm("a", "urn:a", "1995-06-01", "1^Jun^1^Jun"));
    EXPECT_EQ(fs.files["/out/KER1996.INF"], "earlier 1996");
}

TEST_F(ImportRunTest, AFullDiskLeavesTheEarlierFilesAndNoHiddenFile) {
    fs.files["/out/KER1994.INF"] = "earlier 1994";
    fs.files["/out/KER1995.INF"] = "earlier 1995";
    fs.failingWrites.insert("/out/.KER1995.INF.part");
    settings.replace = true;
    input("a.xml", document("<r>" + minimalRecord("urn:a", "1994-06-01", "") + minimalRecord("urn:b", "1995-06-01", "") +
                            "</r>"));
    EXPECT_EQ(run.run(settings), ImportOutcome::WriteFailed);
    EXPECT_EQ(run.error(), "cannot write /out/.KER1995.INF.part: No space left on device; no form file was replaced");
    EXPECT_EQ(fs.files["/out/KER1994.INF"], "earlier 1994");
    EXPECT_EQ(fs.files["/out/KER1995.INF"], "earlier 1995");
    EXPECT_EQ(hiddenFiles(), std::vector<std::string>());
}

TEST_F(ImportRunTest, AFailedRenameKeepsTheEarlierRenamesAndSaysWhich) {
    fs.failingRenames.insert("/out/KER1995.INF");
    input("a.xml", document("<r>" + minimalRecord("urn:a", "1994-06-01", "") + minimalRecord("urn:b", "1995-06-01", "") +
                            minimalRecord("urn:c", "1996-06-01", "") + "</r>"));
    EXPECT_EQ(run.run(settings), ImportOutcome::RenameFailed);
    EXPECT_EQ(run.renamed(), std::vector<std::string>{"KER1994.INF"});
    EXPECT_EQ(run.error(), "cannot rename to /out/KER1995.INF: Permission denied; written before: KER1994.INF");
    EXPECT_EQ(fs.files.count("/out/KER1994.INF"), 1u);
    EXPECT_EQ(fs.files.count("/out/KER1996.INF"), 0u);
    EXPECT_EQ(hiddenFiles(), std::vector<std::string>());
}

TEST_F(ImportRunTest, AFolderInUseOrAMissingInputIsRefusedBeforeReading) {
    input("a.xml", document(minimalRecord("urn:a", "1994-06-01", "")));
    fs.lockedFolders.insert("/out");
    EXPECT_EQ(run.run(settings), ImportOutcome::Refused);
    EXPECT_EQ(run.error(), "another import or search is writing in /out; wait until it has finished");
    fs.lockedFolders.clear();
    settings.inputs.push_back(dir.file("missing.xml"));
    csrimport::ImportRun again(host, fs);
    EXPECT_EQ(again.run(settings), ImportOutcome::Refused);
    EXPECT_EQ(again.error(), dir.file("missing.xml") + ": No such file or directory");
    EXPECT_EQ(host.progressCalls, 0);
    EXPECT_TRUE(fs.files.empty());
}

TEST_F(ImportRunTest, AStopBeforeTheRenamesWritesNothing) {
    input("a.xml", document("<r>" + minimalRecord("urn:a", "1994-06-01", "") + minimalRecord("urn:b", "1995-06-01", "") +
                            "</r>"));
    host.stopAfterRecords = 1;
    EXPECT_EQ(run.run(settings), ImportOutcome::Stopped);
    EXPECT_TRUE(fs.files.empty());

    host.stopAfterRecords = -1;
    host.renamesAllowed = false;
    csrimport::ImportRun again(host, fs);
    EXPECT_EQ(again.run(settings), ImportOutcome::Stopped);
    EXPECT_TRUE(fs.files.empty());
}

TEST_F(ImportRunTest, FoldersGiveTheirXmlFilesInPathOrder) {
    std::filesystem::create_directories(dir.file("in/a"));
    std::filesystem::create_directories(dir.file("in/.hidden"));
    testutil::writeFile(dir.file("in/a/x.xml"), document(minimalRecord("urn:1", "1995-01-01", "")));
    testutil::writeFile(dir.file("in/a-b.XML"), document(minimalRecord("urn:2", "1995-01-01", "")));
    testutil::writeFile(dir.file("in/.hidden/h.xml"), document(minimalRecord("urn:3", "1995-01-01", "")));
    testutil::writeFile(dir.file("in/notes.txt"), "not read");
    std::filesystem::create_directory_symlink(dir.file("in"), dir.file("in/a/loop"));
    settings.inputs = {dir.file("in"), dir.file("in/notes.txt")};
    EXPECT_EQ(run.run(settings), ImportOutcome::Written) << run.error();
    EXPECT_EQ(run.counts().recordsRead, 2);
    EXPECT_EQ(run.counts().inputsNotRead, 1); // notes.txt, named on the command line
    // Same begin date and local identifier "1" < "2": the order of the path walk shows in line 9 ties only.
    EXPECT_NE(fs.files["/out/KER1995.INF"].find("urn:1"), std::string::npos);
    EXPECT_NE(fs.files["/out/KER1995.INF"].find("urn:2"), std::string::npos);
}

TEST_F(ImportRunTest, ALinkThatLeadsNowhereIsAnInputNotRead) {
    std::filesystem::create_directories(dir.file("in"));
    testutil::writeFile(dir.file("in/a.xml"), document(minimalRecord("urn:1", "1995-01-01", "")));
    std::filesystem::create_symlink(dir.file("in/gone.xml"), dir.file("in/b.xml"));
    settings.inputs = {dir.file("in")};
    EXPECT_EQ(run.run(settings), ImportOutcome::ReadFailed);
    EXPECT_EQ(run.counts().inputsNotRead, 1);
    EXPECT_EQ(host.messages, std::vector<std::string>{"cannot read " + dir.file("in/b.xml") + ": No such file or directory"});
    EXPECT_TRUE(fs.files.empty());
}

} // namespace
