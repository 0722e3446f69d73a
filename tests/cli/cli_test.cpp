// End-to-end tests of morvex-search, run as a separate process in temporary folders.
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "reports/reportform.h"
#include "search/fileselection.h"
#include "search/memoryfilesystem.h"
#include "search/searchrun.h"
#include "tables/rptable.h"
#include "tests/cli/process.h"
#include "tests/core/test_util.h"

namespace {

using clitest::Process;
using clitest::Result;
using clitest::runSearch;
using testutil::crlf;
using testutil::fileExists;
using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

// Three forms: Norway in August with data at ULMA, France in March without, Spain in
// August with data at ULMA.
const std::vector<std::string> kNorway = {
    "1995^95NO^001^^2^NORSEX",
    "Norway",
    "CH^217^218^IHB02",
    "Institute of Marine Research, Bergen",
    "12^Aug^30^Aug^Bergen - Tromso",
    "CR: Johan Hjort 5/95^Herring acoustics",
    "Johan Hjort^RV, 64 m",
    "Dr A. Hansen",
    "Dr B. Olsen",
    "Form received 01.10.95",
    "H09^12^a^^^12 at ULMA",
    "H10^5^a",
    "*",
};
const std::vector<std::string> kFrance = {
    "1995^95FR^002^^1^",
    "France",
    "180^181",
    "IFREMER, Brest",
    "3^Mar^21^Mar^Brest - Brest",
    "CR: Thalassa 95/1^Bottom trawl survey",
    "Thalassa^RV",
    "Dr C. Martin",
    "Dr D. Petit^Dr E. Roux",
    "Form received 02.05.95",
    "B06^40^a",
    "H21^20^b",
    "*",
};
const std::vector<std::string> kSpain = {
    "1995^95ES^003^^3^",
    "Spain",
    "253",
    "IEO, Vigo",
    "1^Aug^20^Aug^Vigo",
    "CR: Cornide 8/95^Hydrography",
    "Cornide de Saavedra^RV",
    "Dr F. Garcia",
    "Dr G. Lopez",
    "Form received 03.10.95",
    "H10^30^a^^^3 at ULMA",
    "*",
};

std::string threeForms() {
    return crlf(kNorway) + crlf(kFrance) + crlf(kSpain);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The stdout of a completed run with selected forms whose files are in folder.
std::string selectedLines(const std::string& counts, const std::string& folder) {
    return counts + "\n" + folder + "/kerforms.htm\n" + folder + "/kerheads.htm\n" + folder + "/ker3.txt\n" +
           folder + "/kerxxxx.inf\n";
}

struct CliSearch : ::testing::Test {
    TempDir dir;
    std::string input = dir.file("KER1995.INF");
    void SetUp() override { writeFile(input, threeForms()); }

    bool outputsExist() const {
        return fileExists(dir.file("kerforms.htm")) || fileExists(dir.file("kerheads.htm")) ||
               fileExists(dir.file("ker3.txt")) || fileExists(dir.file("kerxxxx.inf")) ||
               fileExists(dir.file("kerxxxx.fin"));
    }

    // Runs the same search in this process, in memory, and compares the four files byte for byte.
    void expectSameAsInProcess(const std::vector<std::string>& files, const search::CriteriaSet& criteria,
                               const std::string& probe, const std::string& outputDir) {
        search::MemoryFileSystem memory;
        for (const std::string& f : files)
            memory.files[f] = readFile(f);
        search::FileSelection selection;
        std::string message;
        ASSERT_EQ(search::chooseFiles(files, selection, &message, outputDir), search::ChoiceStatus::Chosen);
        testutil::RecordingHost host;
        host.probe = probe;
        tables::RpTable table;
        reports::ReportForm sink(memory, table);
        search::SearchRun run(host, memory, sink);
        ASSERT_EQ(run.run(selection, criteria), search::RunOutcome::Completed);
        for (const std::string* path : {&selection.paths.forms, &selection.paths.heads, &selection.paths.csv,
                                        &selection.paths.extraction}) {
            ASSERT_TRUE(memory.files.count(*path)) << *path;
            EXPECT_EQ(readFile(*path), memory.files[*path]) << *path;
        }
    }
};

TEST_F(CliSearch, CountryAndMonthSelectOneForm) {
    Result r = runSearch({"--country", "spain", "--month", "aug", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fileExists(dir.file("kerxxxx.inf")));
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), crlf(kSpain));
}

TEST_F(CliSearch, FilesEqualThoseOfTheInProcessRun) {
    Result r = runSearch({"--month", "aug", "--parameter", "H10", input});
    ASSERT_EQ(r.status, 0) << r.err;
    search::CriteriaSet criteria;
    criteria.texts[4] = "aug";
    criteria.texts[9] = "H10";
    expectSameAsInProcess({input}, criteria, "", dir.path());
}

TEST_F(CliSearch, RepeatedOptionJoinsWithOr) {
    Result r = runSearch({"--country", "norway", "--country", "Spain", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  2", dir.path()));
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("Country: NORWAY OR SPAIN<br>\r\n"), std::string::npos);
    search::CriteriaSet criteria;
    criteria.texts[1] = "norway OR Spain";
    expectSameAsInProcess({input}, criteria, "", dir.path());
}

TEST_F(CliSearch, EveryCriterionOptionFillsItsSlot) {
    // Each text occurs only in the header line of its own criterion in the Norway form.
    Result r =
        runSearch({"--project",   "norsex",  "--country", "norway",   "--area",      "^218",   "--agency",
                   "bergen",      "--month", "aug",       "--cruise", "5/95",        "--ship", "hjort^rv",
                   "--scientist", "hansen",  "--contact", "olsen",    "--parameter", "h09^12", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), crlf(kNorway));
    search::CriteriaSet criteria;
    criteria.texts = {"norsex", "norway",   "^218",   "bergen", "aug",
                      "5/95",   "hjort^rv", "hansen", "olsen",  "h09^12"};
    expectSameAsInProcess({input}, criteria, "", dir.path());
}

TEST_F(CliSearch, NoFormSelectedPrintsRegretAndRemovesOldExtraction) {
    writeFile(dir.file("kerheads.htm"), "earlier run");
    writeFile(dir.file("kerxxxx.inf"), "earlier extraction");
    Result r = runSearch({"--country", "germany", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Forms Read:-  3 Forms Selected:-  0\nSo Sorry, no forms selected\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(dir.file("kerheads.htm")), "earlier run");
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
    EXPECT_FALSE(fileExists(dir.file("kerforms.htm")));
}

TEST_F(CliSearch, NoCriteriaWithoutAllAsksAndStops) {
    Result r = runSearch({input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "No Selection Criteria have been chosen. Do you want to continue?\n"
                     "morvex-search: give --all to search without criteria\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, EmptyCriterionCountsAsNotGiven) {
    Result r = runSearch({"--country", "", "--ship=", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "No Selection Criteria have been chosen. Do you want to continue?\n"
                     "morvex-search: give --all to search without criteria\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, EqualsSignJoinsOptionAndText) {
    Result r = runSearch({"--country=spain", "--month=", "--all", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
    // An empty text after "=" does not take the next argument as its text.
    r = runSearch({"--country=", "--all", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  3", dir.path()));
}

TEST_F(CliSearch, TextMayLookLikeAnOption) {
    Result r = runSearch({"--country", "-spain", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Forms Read:-  3 Forms Selected:-  0\nSo Sorry, no forms selected\n");
}

TEST_F(CliSearch, FlagWithAValueIsAUsageError) {
    Result r = runSearch({"--all=yes", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: --all: takes no value\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, BlankCriterionCountsAsGiven) {
    // A blank trims to an empty alternative, found in every line that is not empty.
    Result r = runSearch({"--country", " ", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  3", dir.path()));
}

TEST_F(CliSearch, AllSearchesEveryForm) {
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  3", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), threeForms());
    expectSameAsInProcess({input}, search::CriteriaSet{}, "", dir.path());
}

TEST_F(CliSearch, WithUlmaKeepsFormsWithDataHeld) {
    Result r = runSearch({"--all", "--with-ulma", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  2", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), crlf(kNorway) + crlf(kSpain));
    search::CriteriaSet criteria;
    criteria.dataHeld = search::DataHeld::AtUlma;
    expectSameAsInProcess({input}, criteria, "", dir.path());
}

TEST_F(CliSearch, WithoutUlmaKeepsFormsWithoutDataHeld) {
    Result r = runSearch({"--without-ulma", "--all", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), crlf(kFrance));
}

TEST_F(CliSearch, BothFiltersAreAUsageError) {
    Result r = runSearch({"--all", "--with-ulma", "--without-ulma", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: --with-ulma and --without-ulma cannot be given together\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, ProbeReachesTheReports) {
    Result r = runSearch({"--all", "--probe", "1", input});
    EXPECT_EQ(r.status, 0);
    // While the probe is on, no extraction record is written.
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "");
    search::CriteriaSet criteria;
    expectSameAsInProcess({input}, criteria, "1", dir.path());
}

TEST_F(CliSearch, CriterionBytesPassUnchanged) {
    // Single-byte text: e acute is 0xE9, its capital 0xC9; nothing is recoded on the way.
    std::vector<std::string> form = kFrance;
    form[1] = "R\xC9UNION";
    writeFile(input, crlf(kNorway) + crlf(form));
    Result r = runSearch({"--country", "r\xE9union", input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  2 Forms Selected:-  1", dir.path()));
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("Country: R\xC9UNION<br>"), std::string::npos);
}

TEST_F(CliSearch, RelativePathsBecomeAbsoluteAndNormal) {
    ASSERT_EQ(mkdir(dir.file("out").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0777), 0);
    Result r =
        runSearch({"--country", "france", "--output-dir", "./sub/../out/", "sub/../KER1995.INF"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.file("out")));
    EXPECT_EQ(readFile(dir.file("out/kerxxxx.inf")), crlf(kFrance));
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, OutputDirMustBeAnExistingFolder) {
    Result r = runSearch({"--all", "--output-dir", dir.file("missing"), input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "morvex-search: error: --output-dir: " + dir.file("missing") + ": not an existing folder\n");
    r = runSearch({"--all", "--output-dir", input, input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: error: --output-dir: " + input + ": not an existing folder\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, FilesAreSearchedInTheOrderGiven) {
    std::string second = dir.file("KER1994.INF");
    writeFile(second, crlf(kFrance));
    Result r = runSearch({"--all", input, second});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  4 Forms Selected:-  4", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), threeForms() + crlf(kFrance));
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("Years selected: 1995 1994"), std::string::npos);
    expectSameAsInProcess({input, second}, search::CriteriaSet{}, "", dir.path());
}

TEST_F(CliSearch, HundredFilesAreSearched) {
    std::vector<std::string> args{"--all"};
    for (int i = 0; i < 100; ++i) {
        std::string path = dir.file("KER" + std::to_string(1900 + i) + ".INF");
        writeFile(path, crlf(kSpain));
        args.push_back(path);
    }
    Result r = runSearch(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  100 Forms Selected:-  100", dir.path()));
}

TEST_F(CliSearch, HundredAndOneFilesAreRefused) {
    std::vector<std::string> args{"--all"};
    for (int i = 0; i < 101; ++i)
        args.push_back(input);
    Result r = runSearch(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Openkervos error:  9\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, NameWithoutInfIsRefused) {
    std::string text = dir.file("KER1995.TXT");
    writeFile(text, threeForms());
    Result r = runSearch({"--all", input, text});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Openkervos error:  5\n");
    // ".INF" must come after the third character of the name.
    std::string shortName = dir.file("KE.INF");
    writeFile(shortName, threeForms());
    r = runSearch({"--all", shortName});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Openkervos error:  5\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, MissingFileIsRefusedBeforeAnyOutput) {
    Result r = runSearch({"--all", input, dir.file("KER1990.INF")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: " + dir.file("KER1990.INF") + ": No such file or directory\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, NoFormFileIsAUsageError) {
    Result r = runSearch({"--all", "--country", "spain"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: no FORMFILE given\n");
}

TEST_F(CliSearch, UnknownOptionIsAUsageError) {
    Result r = runSearch({"--colour", "red", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("morvex-search: error: ", 0), 0u) << r.err;
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, OptionWithoutItsTextIsAUsageError) {
    Result r = runSearch({input, "--country"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("morvex-search: error: ", 0), 0u) << r.err;
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, TooManyAlternativesAreRefused) {
    std::string text = "a";
    for (int i = 0; i < 20; ++i)
        text += " OR a";
    Result r = runSearch({"--country", text, input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Country: more than 20 alternatives joined by OR; at most 20 can be searched\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, TwentyAlternativesAreSearched) {
    std::vector<std::string> args;
    for (int i = 0; i < 19; ++i) {
        std::string alternative = "x";
        alternative += std::to_string(i);
        args.insert(args.end(), {"--country", alternative});
    }
    args.insert(args.end(), {"--country", "spain", input});
    Result r = runSearch(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
}

TEST_F(CliSearch, MalformedFileStopsTheRun) {
    std::string bad = dir.file("KER1996.INF");
    writeFile(bad, crlf(std::vector<std::string>(202, "line")));
    Result r = runSearch({"--all", input, bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts -" + bad + " is not correctly formatted\n");
    // The forms of the first file were written, the extraction keeps its working name.
    EXPECT_TRUE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

TEST_F(CliSearch, UnreadableFileStopsTheRun) {
    std::string folder = dir.file("KER1999.INF");
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    Result r = runSearch({"--all", input, folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot read " + folder + ": Is a directory\n");
}

TEST_F(CliSearch, WriteFailureStopsTheRun) {
    ASSERT_EQ(symlink("/dev/full", dir.file("kerforms.htm").c_str()), 0);
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Program Aborts - cannot write " + dir.file("kerforms.htm") + ": No space left on device\n");
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

// True once the process no longer catches SIGINT (its handler reset itself).
bool interruptHandlerGone(pid_t pid) {
    std::string status = readFile("/proc/" + std::to_string(pid) + "/status");
    std::size_t at = status.find("SigCgt:");
    if (at == std::string::npos) return false;
    unsigned long long caught = std::stoull(status.substr(at + 7), nullptr, 16);
    return (caught & (1ull << (SIGINT - 1))) == 0;
}

TEST_F(CliSearch, InterruptBetweenFormsBreaksTheRun) {
    // A pipe as form file: the run waits for each form, so the interrupt lands between two.
    std::string fifo = dir.file("KER2000.INF");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    Process p({"--all", fifo}, "");
    int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    std::string first = crlf(kNorway);
    ASSERT_EQ(write(writer, first.data(), first.size()), static_cast<ssize_t>(first.size()));
    // The outputs open at the first selected form.
    ASSERT_TRUE(waitFor([&] { return fileExists(dir.file("kerxxxx.fin")); }, std::chrono::seconds(20)));
    kill(p.pid(), SIGINT);
    std::string second = crlf(kSpain);
    signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(write(writer, second.data(), second.size()), static_cast<ssize_t>(second.size()));
    close(writer);
    Result r = p.finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Break used. Run aborted\n");
    EXPECT_TRUE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
    // The form being read when Break came is neither tested nor written.
    EXPECT_EQ(readFile(dir.file("kerxxxx.fin")), first);
}

TEST_F(CliSearch, SecondInterruptEndsTheProcess) {
    // The run waits inside a form for more of the pipe, so only the default action can end it.
    std::string fifo = dir.file("KER2000.INF");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    Process p({"--all", fifo}, "");
    int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    std::string first = crlf(kNorway) + "1996^half a form\r\n";
    ASSERT_EQ(write(writer, first.data(), first.size()), static_cast<ssize_t>(first.size()));
    ASSERT_TRUE(waitFor([&] { return fileExists(dir.file("kerxxxx.fin")); }, std::chrono::seconds(20)));
    kill(p.pid(), SIGINT);
    ASSERT_TRUE(waitFor([&] { return interruptHandlerGone(p.pid()); }, std::chrono::seconds(20)));
    kill(p.pid(), SIGINT);
    Result r = p.finish();
    close(writer);
    EXPECT_EQ(r.status, 128 + SIGINT);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliSearch, InterruptDuringALongRunLeavesTheWorkingExtraction) {
    std::string big;
    const std::string form = threeForms();
    while (big.size() < (std::size_t{40} << 20))
        big += form;
    writeFile(input, big);
    Process p({"--all", input}, "");
    ASSERT_TRUE(waitFor([&] { return fileExists(dir.file("kerxxxx.fin")); }, std::chrono::seconds(20)));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(p.pid(), SIGINT);
    Result r = p.finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Break used. Run aborted\n");
    EXPECT_TRUE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
    std::string partial = readFile(dir.file("kerxxxx.fin"));
    EXPECT_LT(partial.size(), big.size());
    EXPECT_EQ(partial, big.substr(0, partial.size()));
}

TEST_F(CliSearch, ProgressGoesOnlyToATerminal) {
    std::string big;
    const std::string form = threeForms();
    while (big.size() < (std::size_t{8} << 20))
        big += form;
    writeFile(input, big);
    const std::string forms = std::to_string(big.size() / form.size() * 3);
    const std::string counts = "Forms Read:-  " + forms + " Forms Selected:-  " + forms;

    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no terminal: " << std::strerror(errno);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    Process p({"--all", input}, "", slave);
    close(slave);
    std::string terminal;
    Result r = p.finish(master, &terminal);
    close(master);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines(counts, dir.path()));
    EXPECT_NE(terminal.find("forms read "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find(" MB/s"), std::string::npos);
    // The bar is erased at the end.
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");

    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    Process quiet({"--all", "--quiet", input}, "", slave);
    close(slave);
    terminal.clear();
    r = quiet.finish(master, &terminal);
    close(master);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, selectedLines(counts, dir.path()));
    EXPECT_EQ(terminal, "");
}

TEST(CliOptions, HelpListsEveryOptionOnItsOwnLine) {
    Result r = runSearch({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Usage: morvex-search [--project T]", 0), 0u) << r.out;
    for (const char* option :
         {"  --project T ", "  --country T ", "  --area T ", "  --agency T ", "  --month T ", "  --cruise T ",
          "  --ship T ", "  --scientist T ", "  --contact T ", "  --parameter T ", "  --with-ulma ",
          "  --without-ulma ", "  --probe T ", "  --all ", "  --output-dir DIR ", "  --quiet ",
          "  --version ", "  -h,--help ", "  FORMFILE ... "}) {
        std::size_t at = r.out.find(std::string("\n") + option);
        ASSERT_NE(at, std::string::npos) << option;
        std::size_t end = r.out.find('\n', at + 1);
        std::string line = r.out.substr(at + 1, end - at - 1);
        EXPECT_GT(line.size(), std::strlen(option) + 3) << "no description on the line of " << option;
    }
}

TEST(CliOptions, VersionIsTheProjectVersion) {
    Result r = runSearch({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "morvex-search " MORVEX_VERSION "\n");
    EXPECT_EQ(r.err, "");
}

} // namespace
