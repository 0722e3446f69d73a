// morvex-import run as a child process: its output, its refusals, bad inputs, signals, and a
// round trip through morvex-search.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/cli/process.h"
#include "tests/core/test_util.h"
#include "tests/import/csrrecord.h"

namespace {

using clitest::Result;
using testutil::fileExists;
using testutil::hiddenNames;
using testutil::readFile;
using testutil::writeFile;
using namespace csrtest;

constexpr int kWritten = 0;
constexpr int kFailed = 1;
constexpr int kRefused = 2;

const std::string kSamples = std::string(MORVEX_SOURCE_DIR) + "/samples/csr";

Result runImport(const std::vector<std::string>& args, const std::string& cwd = "") {
    clitest::Options options;
    if (!cwd.empty()) options.chdir = {cwd};
    options.program = MORVEX_IMPORT_BIN;
    return clitest::Process(args, options).finish();
}

Result runSearch(const std::vector<std::string>& args) { return clitest::runSearch(args); }

struct ImportCli : ::testing::Test {
    testutil::TempDir dir;
    std::string out = dir.file("out");
    ImportCli() { std::filesystem::create_directory(out); }
    std::string input(const std::string& name, const std::string& text) {
        writeFile(dir.file(name), text);
        return dir.file(name);
    }
    std::string summary(int read, int imported, int skipped, int duplicates, int transliterated, int notRead,
                        int withoutRecords = 0) const {
        return "Records read: " + std::to_string(read) + ", imported: " + std::to_string(imported) +
               ", skipped: " + std::to_string(skipped) + ", replaced duplicates: " + std::to_string(duplicates) +
               ", transliterated characters: " + std::to_string(transliterated) +
               ", inputs not read: " + std::to_string(notRead) +
               ", investigators left out: 0, documents without records: " + std::to_string(withoutRecords) + "\n";
    }
};

TEST_F(ImportCli, SamplesImportAndEachCruiseIsFoundByTheSearch) {
    Result r = runImport({"--output-dir", out, kSamples});
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.out, "KER1994.INF: 1 forms\nKER1995.INF: 2 forms\nKER1996.INF: 1 forms\n" + summary(5, 4, 1, 0, 2, 0));
    const std::vector<std::string> files = {out + "/KER1994.INF", out + "/KER1995.INF", out + "/KER1996.INF"};
    const auto found = [&](std::vector<std::string> criteria) {
        criteria.insert(criteria.begin(), {"--quiet", "--output-dir", dir.path()});
        criteria.insert(criteria.end(), files.begin(), files.end());
        Result s = runSearch(criteria);
        EXPECT_EQ(s.status, 0) << s.err;
        return s.out.substr(0, s.out.find('\n'));
    };
    // Each cruise by its ship, by its country, by its month, by a square as the map picks it,
    // by an IHB area and by an H10 parameter.
    EXPECT_EQ(found({"--ship", "Brannholt"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--country", "norway"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--country", "UK"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--month", "Apr"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--area", "^217"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--area", "^183"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--area", "IHB02a"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--parameter", "H10"}), "Forms Read:-  4 Forms Selected:-  3");
    EXPECT_EQ(found({"--ship", "Kittiwake", "--area", "^183", "--month", "jul"}), "Forms Read:-  4 Forms Selected:-  1");
    EXPECT_EQ(found({"--ship", "Esperanza do Sul", "--country", "Portugal", "--area", "^338"}),
              "Forms Read:-  4 Forms Selected:-  1");

    EXPECT_EQ(found({"--square", "183"}), "Forms Read:-  4 Forms Selected:-  1");

    // The GeoJSON export maps the squares of the imported forms.
    Result g = runSearch({"--quiet", "--all", "--output-dir", dir.path(), "--export", dir.file("all.geojson"), files[0],
                          files[1], files[2]});
    ASSERT_EQ(g.status, 0) << g.err;
    EXPECT_EQ(nlohmann::json::parse(readFile(dir.file("all.geojson")))["features"].size(), 4u); // a feature per form
    const nlohmann::json geo = nlohmann::json::parse(readFile(dir.file("all.squares.geojson")));
    std::vector<int> squares;
    for (const auto& feature : geo["features"]) squares.push_back(feature["properties"]["square"].get<int>());
    for (int square : {183, 217, 218, 338})
        EXPECT_NE(std::find(squares.begin(), squares.end(), square), squares.end()) << square;
}

TEST_F(ImportCli, JsonGivesTheSameAsOneObject) {
    Result r = runImport({"--json", "--quiet", "--output-dir", out, kSamples + "/brannholt-1995.xml"});
    ASSERT_EQ(r.status, kWritten) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["outcome"], "completed");
    EXPECT_TRUE(j["message"].is_null());
    EXPECT_EQ(j["files"][0]["name"], "KER1995.INF");
    EXPECT_EQ(j["files"][0]["path"], out + "/KER1995.INF");
    EXPECT_EQ(j["files"][0]["forms"], 1);
    EXPECT_EQ(j["records_read"], 1);
    EXPECT_EQ(j["imported"], 1);
}

TEST_F(ImportCli, CommandLineMistakesAreRefused) {
    const std::string record = input("r.xml", document(minimalRecord("urn:a", "1995-01-01", "")));
    Result r = runImport({"--replce", record});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.err, "morvex-import: error: --replce: unknown option; did you mean --replace?\n");
    r = runImport({});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.err, "morvex-import: error: no INPUT given\n");
    r = runImport({"--output-dir", dir.file("none"), record});
    EXPECT_EQ(r.err, "morvex-import: error: --output-dir: " + dir.file("none") + ": not an existing folder\n");
    EXPECT_EQ(r.status, kRefused);
    r = runImport({"--output-dir", out, "--output-dir", out, record});
    EXPECT_EQ(r.status, kRefused);
    r = runImport({"--output-dir", out, dir.file("missing.xml")});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.err, "morvex-import: error: " + dir.file("missing.xml") + ": No such file or directory\n");
    EXPECT_TRUE(std::filesystem::is_empty(out));

    r = runImport({"--help"});
    EXPECT_EQ(r.status, kWritten);
    EXPECT_EQ(r.out.rfind("Usage: morvex-import", 0), 0u);
    EXPECT_NE(r.out.find("Examples:\n  morvex-import harvest.xml\n"), std::string::npos);
}

TEST_F(ImportCli, OptionsStandAnywhereAndDashIsAFile) {
    writeFile(dir.file("-"), document(minimalRecord("urn:dash", "1994-01-01", "")));
    writeFile(dir.file("--json"), document(minimalRecord("urn:json", "1995-01-01", "")));
    Result r = runImport({"-", "--replace", "--output-dir", "out", "--quiet", "--replace", "--", "--json"}, dir.path());
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.out, "KER1994.INF: 1 forms\nKER1995.INF: 1 forms\n" + summary(2, 2, 0, 0, 0, 0));
    // The short options of morvex-search: -q, -o DIR, -oDIR, -V.
    for (const std::vector<std::string>& options : {std::vector<std::string>{"-q", "--replace", "-o", "out"},
                                                    std::vector<std::string>{"-oout", "-q", "--replace"}}) {
        std::vector<std::string> args = options;
        args.push_back("-");
        r = runImport(args, dir.path());
        EXPECT_EQ(r.status, kWritten) << r.err;
        EXPECT_EQ(r.out, "KER1994.INF: 1 forms\n" + summary(1, 1, 0, 0, 0, 0));
    }
    r = runImport({"-V"});
    EXPECT_EQ(r.status, kWritten);
    EXPECT_EQ(r.out, runImport({"--version"}).out);
    EXPECT_EQ(r.out.rfind("morvex-import ", 0), 0u);
    r = runImport({"-x", "-"}, dir.path());
    EXPECT_EQ(r.status, kRefused);
}

// A usable document from which no record is read is named with what it holds, and counted.
TEST_F(ImportCli, DocumentsWithoutRecordsAreNamedAndCounted) {
    const std::string good = input("good.xml", document(minimalRecord("urn:good", "1995-01-01", "")));
    const std::string feed = input("feed.xml", document("<rss version=\"2.0\"><channel/></rss>"));
    const std::string error = input(
        "error.xml", document("<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\"><error code=\"noRecordsMatch\">"
                              "No records.</error></OAI-PMH>"));
    Result r = runImport({"--output-dir", out, good, feed, error});
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.out, "KER1995.INF: 1 forms\n" + summary(1, 1, 0, 0, 0, 0, 2));
    EXPECT_EQ(r.err, "morvex-import: " + feed +
                         ": holds no record: its root element is rss, of no namespace\n"
                         "morvex-import: " +
                         error + ": holds no record: an OAI-PMH error, noRecordsMatch: No records.\n");

    r = runImport({"--json", "--quiet", "--output-dir", out, "--replace", error});
    EXPECT_EQ(r.status, kFailed);
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["documents_without_records"], 1);
    EXPECT_EQ(j["records_read"], 0);
    EXPECT_EQ(j["messages"][0],
              "morvex-import: " + error + ": holds no record: an OAI-PMH error, noRecordsMatch: No records.");
    EXPECT_EQ(j["message"], "morvex-import: no record was imported; nothing was written");
}

TEST_F(ImportCli, ExistingFormFilesNeedReplaceAndYearsNotWrittenAreUntouched) {
    writeFile(out + "/KER1995.INF", "earlier");
    writeFile(out + "/KER1993.INF", "other year");
    const std::string record = input("r.xml", document(minimalRecord("urn:a", "1995-01-01", "")));
    Result r = runImport({"--output-dir", out, record});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.err, "morvex-import: error: form files exist in " + out +
                         ": KER1995.INF; --replace replaces them; nothing was written\n");
    EXPECT_EQ(readFile(out + "/KER1995.INF"), "earlier");
    r = runImport({"--output-dir", out, "--replace", record});
    EXPECT_EQ(r.status, kWritten);
    EXPECT_NE(readFile(out + "/KER1995.INF"), "earlier");
    EXPECT_EQ(readFile(out + "/KER1993.INF"), "other year");
    EXPECT_EQ(hiddenNames(out), std::vector<std::string>());
}

TEST_F(ImportCli, AnInputThatIsOneOfTheFilesToWriteIsRefused) {
    writeFile(out + "/KER1995.INF", document(minimalRecord("urn:a", "1995-01-01", "")));
    Result r = runImport({"--output-dir", out, "--replace", out + "/KER1995.INF"});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.err, "morvex-import: error: " + out + "/KER1995.INF is the file " + out +
                         "/KER1995.INF that this import would write; nothing was written\n");
    EXPECT_EQ(readFile(out + "/KER1995.INF"), document(minimalRecord("urn:a", "1995-01-01", "")));
}

TEST_F(ImportCli, BadDocumentsAreNamedAndNothingOfThemIsUsed) {
    writeFile(dir.file("secret.txt"), "SECRET-CONTENT-42");
    const std::string good = input("good.xml", document(minimalRecord("urn:good", "1995-01-01", "")));
    const std::string notXml = input("notes.xml", "not xml at all\n");
    const std::string truncated = input("cut.xml", document("<r>" + minimalRecord("urn:cut", "1996-01-01", "")).substr(0, 300));
    const std::string encoding = input("enc.xml", document(minimalRecord("urn:enc", "1996-01-01", ""), "x-martian"));
    const std::string conversion = input("euc.xml", document("<r>\xFF\xFE\xFF</r>", "EUC-JP"));
    const std::string entity = input("entity.xml", "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY s SYSTEM \"file://" +
                                                       dir.file("secret.txt") + "\">]><r>" +
                                                       minimalRecord("urn:&s;", "1996-01-01", "") + "</r>");
    Result r = runImport({"--output-dir", out, good, notXml, truncated, encoding, conversion, entity});
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.out, "KER1995.INF: 1 forms\n" + summary(1, 1, 0, 0, 0, 5));
    // Each line names its file; the parser prints nothing of its own.
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("morvex-import: /", 0), 0u) << line;
    for (const std::string& bad : {notXml, truncated, encoding, conversion, entity})
        EXPECT_NE(r.err.find("morvex-import: " + bad + ": not usable XML ("), std::string::npos) << bad << r.err;
    EXPECT_NE(r.err.find(entity + ": not usable XML (it has a DOCTYPE declaration"), std::string::npos);
    EXPECT_EQ(readFile(out + "/KER1995.INF").find("SECRET"), std::string::npos);
    EXPECT_EQ(r.err.find("SECRET"), std::string::npos);
    EXPECT_FALSE(fileExists(out + "/KER1996.INF"));

    r = runImport({"--output-dir", out, notXml});
    EXPECT_EQ(r.status, kFailed);
    EXPECT_NE(r.err.find("morvex-import: no record was imported; nothing was written\n"), std::string::npos);
}

TEST_F(ImportCli, AnUnreadableInputWritesNothing) {
    // /proc/self/mem cannot be read from its start, even by root.
    const std::string good = input("good.xml", document(minimalRecord("urn:good", "1995-01-01", "")));
    Result r = runImport({"--output-dir", out, good, "/proc/self/mem"});
    EXPECT_EQ(r.status, kFailed);
    EXPECT_NE(r.err.find("morvex-import: cannot read /proc/self/mem: Input/output error\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("morvex-import: nothing was written, since an input or folder could not be read\n"),
              std::string::npos);
    // The input that could not be read is among the inputs not read.
    EXPECT_EQ(r.out, summary(1, 0, 0, 0, 0, 1));
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(ImportCli, ARecordOfTenThousandObjectivesKeepsTheFirst190) {
    std::string objectives;
    for (int i = 0; i < 10000; ++i) objectives += objective("H10", "");
    const std::string many = input("many.xml", document(minimalRecord("urn:many", "1995-01-01", "", "", "") ));
    writeFile(many, document(record(fileIdentifier("urn:many") + hierarchyLevel() + identification(period("1995-01-01", "")) +
                                    acquisition(objectives))));
    Result r = runImport({"--output-dir", out, many});
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_EQ(r.err, "morvex-import: " + many + ": record urn:many: 9810 objectives after the 190th are left out\n");
    const std::string form = readFile(out + "/KER1995.INF");
    EXPECT_EQ(std::count(form.begin(), form.end(), '\n'), 201);
}

TEST_F(ImportCli, ARecordOfAHundredMegabytesEndsWithAMessage) {
    const std::string big = dir.file("big.xml");
    {
        std::ofstream f(big, std::ios::binary);
        const std::string head = document(record(fileIdentifier("urn:big") + hierarchyLevel() +
                                                 identification(period("1995-01-01", "") + "<gmd:abstract><gco:CharacterString>")));
        f << head.substr(0, head.find("</sdn:SDN_DataIdentification>"));
        const std::string block(1 << 20, 'w');
        for (int i = 0; i < 100; ++i) f << block;
        f << "</gco:CharacterString></gmd:abstract></sdn:SDN_DataIdentification></gmd:identificationInfo></gmi:MI_Metadata>\n";
    }
    const std::string good = input("good.xml", document(minimalRecord("urn:good", "1996-01-01", "")));
    Result r = runImport({"--output-dir", out, big, good});
    ASSERT_EQ(r.status, kWritten) << r.err;
    EXPECT_NE(r.err.find("morvex-import: " + big + ": not usable XML (line "), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(out + "/KER1995.INF"));
    EXPECT_TRUE(fileExists(out + "/KER1996.INF"));
}

TEST_F(ImportCli, AFolderInUseIsRefusedAndAnImportHoldsOffASearch) {
    const std::string record = input("r.xml", document(minimalRecord("urn:a", "1995-01-01", "")));
    {
        const int fd = open(out.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(flock(fd, LOCK_EX), 0);
        Result r = runImport({"--output-dir", out, record});
        close(fd);
        EXPECT_EQ(r.status, kRefused);
        EXPECT_EQ(r.err, "morvex-import: error: another import or search is writing in " + out +
                             "; wait until it has finished\n");
    }
    // An import that waits for its FIFO input holds the folder: a search into it is refused.
    const std::string fifo = dir.file("feed.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    clitest::Options options;
    options.program = MORVEX_IMPORT_BIN;
    clitest::Process p({"--output-dir", out, fifo}, options);
    const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::string text = document(minimalRecord("urn:a", "1995-01-01", ""));
    ASSERT_EQ(write(writer, text.data(), 10), 10);
    writeFile(dir.file("KER1995.INF"), "1995^x^1^^0^\r\nNorway\r\n*\r\n");
    Result s = runSearch({"--all", "--output-dir", out, dir.file("KER1995.INF")});
    EXPECT_EQ(s.status, 2);
    EXPECT_NE(s.err.find("Another search is writing its results in " + out), std::string::npos) << s.err;
    ASSERT_EQ(write(writer, text.data() + 10, text.size() - 10), static_cast<ssize_t>(text.size() - 10));
    close(writer);
    Result r = p.finish();
    EXPECT_EQ(r.status, kWritten) << r.err;
    EXPECT_TRUE(fileExists(out + "/KER1995.INF"));
}

TEST_F(ImportCli, SignalsBeforeTheRenamesStopTheImportAndWriteNothing) {
    if (!clitest::systemCallsVisible()) GTEST_SKIP() << "/proc/PID/syscall cannot be read here";
    writeFile(out + "/KER1995.INF", "earlier");
    const std::string first = input("first.xml", document(minimalRecord("urn:first", "1995-01-01", "")));
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string fifo = dir.file("feed" + std::to_string(signal) + ".xml");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
        clitest::Options options;
        options.program = MORVEX_IMPORT_BIN;
        clitest::Process p({"--replace", "--output-dir", out, first, fifo}, options);
        const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        const std::string text = document("<r>" + minimalRecord("urn:b", "1996-01-01", ""));
        ASSERT_EQ(write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        // The import has read what was written and waits in read() for the rest.
        ASSERT_TRUE(clitest::waitUntil([&] { return clitest::inSystemCall(p.pid(), SYS_read); }));
        kill(p.pid(), signal);
        close(writer);
        Result r = p.finish();
        EXPECT_EQ(r.status, kFailed);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "morvex-import: stopped; nothing was written\n");
        EXPECT_EQ(readFile(out + "/KER1995.INF"), "earlier");
        EXPECT_FALSE(fileExists(out + "/KER1996.INF"));
        EXPECT_EQ(hiddenNames(out), std::vector<std::string>());
    }
}

TEST_F(ImportCli, AFullDiskKeepsTheEarlierFormFiles) {
    const std::string small = dir.file("small");
    std::filesystem::create_directory(small);
    if (mount("morvex-test", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{small};
    writeFile(small + "/KER1994.INF", "earlier 1994");
    writeFile(small + "/KER1995.INF", "earlier 1995");
    std::string records = "<r>" + minimalRecord("urn:a", "1994-06-01", "");
    const std::string abstract = "<gmd:abstract><gco:CharacterString>" + std::string(200000, 'x') +
                                 "</gco:CharacterString></gmd:abstract>";
    records += minimalRecord("urn:b", "1995-06-01", "", "", abstract) + "</r>";
    const std::string in = input("in.xml", document(records));
    Result r = runImport({"--replace", "--output-dir", small, in});
    EXPECT_EQ(r.status, kFailed);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(small + "/KER1994.INF"), "earlier 1994");
    EXPECT_EQ(readFile(small + "/KER1995.INF"), "earlier 1995");
    EXPECT_EQ(hiddenNames(small), std::vector<std::string>());
}

TEST_F(ImportCli, ProgressGoesOnlyToATerminal) {
    std::string terminal;
    std::optional<Result> r = clitest::runOnTerminal({"--output-dir", out, kSamples + "/brannholt-1995.xml"},
                                                     {"TERM=xterm"}, &terminal, 0, MORVEX_IMPORT_BIN);
    if (!r) GTEST_SKIP() << "no terminal: " << std::strerror(errno);
    EXPECT_EQ(r->status, kWritten);
    EXPECT_NE(terminal.find("records read 1  imported 1"), std::string::npos) << terminal;
    ASSERT_GE(terminal.size(), 4u);
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");
    std::filesystem::remove(out + "/KER1995.INF");
    r = clitest::runOnTerminal({"--quiet", "--output-dir", out, kSamples + "/brannholt-1995.xml"}, {"TERM=xterm"}, &terminal,
                               0, MORVEX_IMPORT_BIN);
    ASSERT_TRUE(r);
    EXPECT_EQ(terminal, "");
}

} // namespace
