// End-to-end tests of morvex-search, run as a separate process in temporary folders.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "exports/formats.h"
#include "geo/marsdensquare.h"
#include "reports/reportrun.h"
#include "search/fileselection.h"
#include "search/searchrun.h"
#include "tables/rptable.h"
#include "tests/cli/process.h"
#include "tests/core/test_util.h"
#include "tests/support/memoryfilesystem.h"

namespace {

using clitest::Process;
using clitest::Result;
using clitest::runSearch;
using clitest::waitUntil;
using testutil::crlf;
using testutil::fileExists;
using testutil::hiddenNames;
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
        testutil::MemoryFileSystem memory;
        for (const std::string& f : files)
            memory.files[f] = readFile(f);
        search::FileSelection selection;
        std::string message;
        ASSERT_EQ(search::chooseFiles(files, selection, &message, outputDir), search::ChoiceStatus::Chosen);
        testutil::RecordingHost host;
        host.probe = probe;
        tables::RpTable table;
        reports::ReportRun run(host, memory, table);
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
    EXPECT_EQ(r.err, "morvex-search: no criterion was given; --all searches every form\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, EmptyCriterionCountsAsNotGiven) {
    Result r = runSearch({"--country", "", "--ship=", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: no criterion was given; --all searches every form\n");
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
    EXPECT_EQ(r.err, "Openkervos error:  9\n"
                     "morvex-search: at most 100 form files can be searched at once; 101 were given\n");
    EXPECT_FALSE(outputsExist());
}

TEST_F(CliSearch, NameWithoutInfIsRefused) {
    std::string text = dir.file("KER1995.TXT");
    writeFile(text, threeForms());
    Result r = runSearch({"--all", input, text});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Openkervos error:  5\nmorvex-search: " + text +
                         ": not the name of a form file; form files are named KER????.INF, for example KER1995.INF\n");
    // ".INF" must come after the third character of the name.
    std::string shortName = dir.file("KE.INF");
    writeFile(shortName, threeForms());
    r = runSearch({"--all", shortName});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Openkervos error:  5\nmorvex-search: " + shortName +
                         ": not the name of a form file; form files are named KER????.INF, for example KER1995.INF\n");
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

TEST_F(CliSearch, UnknownOptionNamesTheNearestKnownOne) {
    Result r = runSearch({"--colour", "red", input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: --colour: unknown option; morvex-search --help lists the options\n");
    for (const auto& [typed, meant] : {std::pair{"--contry", "--country"}, std::pair{"--withulma", "--with-ulma"},
                                       std::pair{"--exports", "--export"}, std::pair{"--Area", "--area"},
                                       std::pair{"--parmeter", "--parameter"}}) {
        r = runSearch({typed, "x", input});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, std::string("morvex-search: error: ") + typed + ": unknown option; did you mean " + meant + "?\n");
    }
    r = runSearch({"--contry=france", input});
    EXPECT_EQ(r.err, "morvex-search: error: --contry: unknown option; did you mean --country?\n");
    // After "--" every argument is a form file.
    r = runSearch({"--all", "--", "--contry"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Openkervos error:  5"), std::string::npos) << r.err;
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
    EXPECT_EQ(r.err, "morvex-search: Country: more than 20 alternatives joined by OR; at most 20 can be searched\n");
    EXPECT_FALSE(outputsExist());
    // Refused before any export is made.
    r = runSearch({"--country", text, "--export", dir.file("out.csv"), input});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fileExists(dir.file("out.csv")));
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

TEST_F(CliSearch, ExportsFollowACompletedRunAndLeaveTheOutputAlone) {
    const std::string csv = dir.file("spain.csv");
    Result r = runSearch({"--country", "spain", "--export", csv, "--export", dir.file("spain.JSONL"), "--export",
                          dir.file("spain.geojson"), "--export", dir.file("spain.svg"), input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  1", dir.path()));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(csv).substr(0, 27), "selection,reference,year,io");
    EXPECT_NE(readFile(csv).find("\r\n1,199595ES003,1995,95ES,,Y/N,Spain,no,253,,\"IEO, Vigo\",1,Aug,20,Aug,Vigo,"),
              std::string::npos);
    EXPECT_EQ(readFile(dir.file("spain.JSONL")).rfind("{\"selection\":1,\"reference\":\"199595ES003\",", 0), 0u);
    EXPECT_NE(readFile(dir.file("spain.squares.geojson")).find("\"square\":253,\"forms\":1"), std::string::npos);
    EXPECT_NE(readFile(dir.file("spain.svg")).find(">Country: SPAIN</text>"), std::string::npos);
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
    // The four files are those of a run without exports.
    search::CriteriaSet criteria;
    criteria.texts[1] = "spain";
    expectSameAsInProcess({input}, criteria, "", dir.path());

    // Nothing selected: every export is there, without rows.
    r = runSearch({"--country", "germany", "--export", csv, "--export", dir.file("spain.geojson"), input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Forms Read:-  3 Forms Selected:-  0\nSo Sorry, no forms selected\n");
    EXPECT_EQ(readFile(csv).find("\r\n"), readFile(csv).size() - 2); // the header row alone
    EXPECT_EQ(readFile(dir.file("spain.geojson")), "{\"type\":\"FeatureCollection\",\"features\":[]}\n");
}

TEST_F(CliSearch, ExportThatCannotBeWrittenIsRefusedBeforeTheSearch) {
    writeFile(dir.file("kerxxxx.inf"), "earlier");
    Result r = runSearch({"--all", "--export", dir.file("out.txt"), input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: --export " + dir.file("out.txt") +
                         ": the name must end in .csv, .jsonl, .geojson, .squares.geojson or .svg\n");

    r = runSearch({"--all", "--export", dir.file("out.csv"), "--export", dir.file("missing/out.svg"), input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: error: --export " + dir.file("missing/out.svg") +
                         ": No such file or directory\n");

    ASSERT_EQ(mkdir(dir.file("folder.csv").c_str(), 0777), 0);
    r = runSearch({"--all", "--export", dir.file("folder.csv"), input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: error: --export " + dir.file("folder.csv") + ": Is a directory\n");

    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "earlier");
    EXPECT_FALSE(fileExists(dir.file("kerforms.htm")));
    EXPECT_FALSE(fileExists(dir.file("out.txt")));
    EXPECT_FALSE(fileExists(dir.file("out.csv")));
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

TEST_F(CliSearch, ExportThatIsAFormFileOrAReportIsRefused) {
    const std::string named = dir.file("KER1995.INF.csv"); // a form file may be named so
    writeFile(named, threeForms());
    writeFile(dir.file("inventory.csv"), threeForms());
    ASSERT_EQ(symlink("inventory.csv", dir.file("KER1996.INF").c_str()), 0);
    ASSERT_EQ(link(input.c_str(), dir.file("hard.csv").c_str()), 0);
    ASSERT_EQ(symlink("x.csv", dir.file("kerforms.htm").c_str()), 0); // dangling until x.csv is made
    const std::string reads = ", which this search reads; choose another name for the export\n";
    const std::string writes = ", which this search writes; choose another name for the export\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--export", named, named}, "--export " + named + ": it is the form file " + named + reads},
        {{"--export", dir.file("inventory.csv"), dir.file("KER1996.INF")},
         "--export " + dir.file("inventory.csv") + ": it is the form file " + dir.file("KER1996.INF") + reads},
        {{"--export", dir.file("hard.csv"), input},
         "--export " + dir.file("hard.csv") + ": it is the form file " + input + reads},
        {{"--export", dir.file("x.csv"), input}, "--export " + dir.file("x.csv") + ": it is " + dir.file("kerforms.htm") + writes},
        {{"--export", dir.file("a.svg"), "--export", dir.file("a.svg"), input},
         "--export " + dir.file("a.svg") + ": it is the export " + dir.file("a.svg") +
             " as well; give each export a file of its own\n"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> all = {"--all"};
        all.insert(all.end(), args.begin(), args.end());
        Result r = runSearch(all);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "morvex-search: error: " + message);
    }
    writeFile(dir.file("x.csv"), "earlier");
    Result r = runSearch({"--all", "--export", dir.file("x.csv"), input});
    EXPECT_EQ(r.err, "morvex-search: error: --export " + dir.file("x.csv") + ": it is " + dir.file("kerforms.htm") + writes);
    EXPECT_EQ(readFile(dir.file("x.csv")), "earlier");
    EXPECT_EQ(readFile(input), threeForms());
    EXPECT_EQ(readFile(named), threeForms());
    EXPECT_EQ(readFile(dir.file("inventory.csv")), threeForms());
    EXPECT_FALSE(fileExists(dir.file("kerheads.htm")));
    EXPECT_FALSE(fileExists(dir.file("a.svg")));
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

TEST_F(CliSearch, FailedExportIsNamedAndTheRunStops) {
    writeFile(dir.file("out.svg"), "earlier");
    clitest::Options limited;
    limited.fileSize = 64 << 10; // room for the reports, not for the map
    Result r = Process({"--all", "--export", dir.file("out.csv"), "--export", dir.file("out.svg"), input}, limited)
                   .finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: cannot write the export " + dir.file("out.svg") + ": File too large\n");
    EXPECT_EQ(readFile(dir.file("out.svg")), "earlier");
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());

    r = Process({"--all", "--json", "--export", dir.file("out.csv"), "--export", dir.file("out.svg"), input}, limited)
            .finish();
    EXPECT_EQ(r.status, 1);
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["outcome"], "stopped");
    EXPECT_EQ(j["exports"], nlohmann::json::array({dir.file("out.csv"), nullptr}));
}

TEST_F(CliSearch, ExportKeepsItsModeFitsAnyNameAndClearsWhatAKilledRunLeft) {
    writeFile(dir.file("out.csv"), "earlier");
    ASSERT_EQ(chmod(dir.file("out.csv").c_str(), 0600), 0);
    // A hidden file of an earlier run that was killed before its end.
    writeFile(dir.file(".out.csv.morvex-Ab12Cd"), "left behind");
    timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file(".out.csv.morvex-Ab12Cd").c_str(), old, 0), 0);
    const std::string longest = dir.file(std::string(251, 'n') + ".csv");
    Result r = runSearch({"--all", "--export", dir.file("out.csv"), "--export", longest, input});
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(stat(dir.file("out.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(longest).substr(0, 10), "selection,");
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

TEST_F(CliSearch, RefusedRunWritesNoExport) {
    writeFile(dir.file("out.csv"), "earlier");
    Result r = runSearch({"--export", dir.file("out.csv"), "--export", dir.file("out.jsonl"), input});
    EXPECT_EQ(r.status, 2); // no criteria
    EXPECT_EQ(readFile(dir.file("out.csv")), "earlier");
    EXPECT_FALSE(fileExists(dir.file("out.jsonl")));
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

// Writes all of bytes into a pipe; false when its reader has gone.
bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Whether text is made of whole forms of the three: every form ends with its terminator line.
bool wholeForms(const std::string& text) {
    return text.empty() || (text.size() >= 3 && text.compare(text.size() - 3, 3, "*\r\n") == 0);
}

// SIGPIPE ignored while in scope: writing to a FIFO whose reader has gone fails instead.
struct IgnoredPipeSignal {
    IgnoredPipeSignal() : previous(std::signal(SIGPIPE, SIG_IGN)) {}
    ~IgnoredPipeSignal() { std::signal(SIGPIPE, previous); }
    void (*previous)(int);
};

// A run fed through a FIFO: the first part is written, the signal is sent once the outputs
// exist, then the rest follows. The run cannot finish before the signal, however fast it is.
struct FifoRun {
    std::vector<std::string> options = {"--all"};
    std::string fifo;
    std::string first, rest;
    std::function<void()> beforeSignal; // called once the outputs exist
    Result result;

    void run(const TempDir& dir, int signal) {
        fifo = dir.file("KER2000.INF");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
        std::vector<std::string> args = options;
        args.push_back(fifo);
        Process p(args, "");
        const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        ASSERT_TRUE(writeAll(writer, first));
        // The outputs open at the first selected form.
        ASSERT_TRUE(waitUntil([&] { return fileExists(dir.file("kerxxxx.fin")); }));
        if (beforeSignal) beforeSignal();
        kill(p.pid(), signal);
        IgnoredPipeSignal ignored;
        writeAll(writer, rest); // the run may have gone already
        close(writer);
        result = p.finish();
    }
};

TEST_F(CliSearch, InterruptBetweenFormsBreaksTheRun) {
    writeFile(dir.file("kerxxxx.inf"), "earlier");
    writeFile(dir.file("out.csv"), "earlier");
    FifoRun fifo;
    fifo.options = {"--all", "--export", dir.file("out.csv"), "--export", dir.file("out.svg")};
    fifo.first = crlf(kNorway);
    fifo.rest = crlf(kSpain);
    fifo.run(dir, SIGINT);
    EXPECT_EQ(fifo.result.status, 1);
    EXPECT_EQ(fifo.result.out, "");
    EXPECT_EQ(fifo.result.err, "Break used. Run aborted\n");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "earlier");
    // The form being read when Break came is neither tested nor written.
    EXPECT_EQ(readFile(dir.file("kerxxxx.fin")), fifo.first);
    // A stopped run writes no export: the earlier one stays, and no half file is left.
    EXPECT_EQ(readFile(dir.file("out.csv")), "earlier");
    EXPECT_FALSE(fileExists(dir.file("out.svg")));
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

TEST_F(CliSearch, ExportFolderMovedDuringAStoppedRunKeepsNothing) {
    ASSERT_EQ(mkdir(dir.file("exports").c_str(), 0777), 0);
    FifoRun fifo;
    fifo.options = {"--all", "--export", dir.file("exports/out.csv")};
    fifo.first = crlf(kNorway);
    fifo.rest = crlf(kSpain);
    fifo.beforeSignal = [&] { ASSERT_EQ(rename(dir.file("exports").c_str(), dir.file("moved").c_str()), 0); };
    fifo.run(dir, SIGTERM);
    EXPECT_EQ(fifo.result.status, 1);
    EXPECT_EQ(hiddenNames(dir.file("moved")), std::vector<std::string>());
    EXPECT_FALSE(fileExists(dir.file("moved/out.csv")));
}

TEST_F(CliSearch, SecondInterruptEndsTheProcess) {
    // The run waits inside a form for more of the pipe, so only the default action can end it.
    std::string fifo = dir.file("KER2000.INF");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    Process p({"--all", "--export", dir.file("out.csv"), "--export", dir.file("out.geojson"), fifo}, "");
    int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    std::string first = crlf(kNorway) + "1996^half a form\r\n";
    ASSERT_TRUE(writeAll(writer, first));
    ASSERT_TRUE(waitUntil([&] { return fileExists(dir.file("kerxxxx.fin")); }));
    kill(p.pid(), SIGINT);
    ASSERT_TRUE(waitUntil([&] { return !clitest::catchesSignal(p.pid(), SIGINT); }));
    kill(p.pid(), SIGINT);
    Result r = p.finish();
    close(writer);
    EXPECT_EQ(r.status, 128 + SIGINT);
    EXPECT_EQ(r.out, "");
    // However the process ends, its exports leave nothing behind.
    EXPECT_FALSE(fileExists(dir.file("out.csv")));
    EXPECT_EQ(hiddenNames(dir.path()), std::vector<std::string>());
}

TEST_F(CliSearch, SignalsDuringALongRunStopItAtAFormEnd) {
    // Enough forms that the reports pass their buffers: what the signal leaves must be flushed
    // whole forms, not the cut end of a buffer.
    std::string many;
    while (many.size() < (std::size_t{1} << 20))
        many += threeForms();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir folder;
        writeFile(folder.file("kerxxxx.inf"), "earlier");
        FifoRun fifo;
        fifo.first = many;
        fifo.rest = many;
        fifo.run(folder, signal);
        EXPECT_EQ(fifo.result.status, 1);
        EXPECT_EQ(fifo.result.out, "");
        EXPECT_EQ(fifo.result.err, "Break used. Run aborted\n");
        EXPECT_EQ(readFile(folder.file("kerxxxx.inf")), "earlier");
        const std::string partial = readFile(folder.file("kerxxxx.fin"));
        EXPECT_GE(partial.size(), crlf(kNorway).size());
        EXPECT_LE(partial.size(), many.size());
        EXPECT_EQ(partial, many.substr(0, partial.size()));
        EXPECT_TRUE(wholeForms(partial));
        // The HTML reports were flushed too: each ends with a whole line.
        for (const char* report : {"kerforms.htm", "kerheads.htm", "ker3.txt"}) {
            const std::string text = readFile(folder.file(report));
            ASSERT_GE(text.size(), 2u) << report;
            EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << report;
        }
    }
}

TEST_F(CliSearch, InterruptWhileAFormFileWaitsForItsWriter) {
    if (!clitest::systemCallsVisible()) GTEST_SKIP() << "/proc/PID/syscall cannot be read here";
    writeFile(dir.file("kerxxxx.inf"), "earlier");
    std::string fifo = dir.file("KER2000.INF");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    Process p({"--all", input, fifo}, "");
    // Opening a FIFO without a writer waits in the kernel; the first Ctrl-C must end that.
    ASSERT_TRUE(waitUntil([&] { return clitest::inSystemCall(p.pid(), SYS_openat); }));
    kill(p.pid(), SIGINT);
    Result r = p.finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Break used. Run aborted\n");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "earlier");
    EXPECT_EQ(readFile(dir.file("kerxxxx.fin")), threeForms());
}

TEST_F(CliSearch, InterruptWhileAReportWaitsForItsReader) {
    if (!clitest::systemCallsVisible()) GTEST_SKIP() << "/proc/PID/syscall cannot be read here";
    writeFile(dir.file("kerxxxx.inf"), "earlier");
    ASSERT_EQ(mkfifo(dir.file("kerheads.htm").c_str(), 0666), 0);
    Process p({"--all", input}, "");
    ASSERT_TRUE(waitUntil([&] { return clitest::inSystemCall(p.pid(), SYS_openat); }));
    kill(p.pid(), SIGTERM);
    Result r = p.finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Break used. Run aborted\n");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "earlier");
}

TEST_F(CliSearch, ProgressGoesOnlyToATerminal) {
    const std::string counts = "Forms Read:-  3 Forms Selected:-  3";
    std::string terminal;
    std::optional<Result> r = clitest::runOnTerminal({"--all", input}, {"TERM=xterm"}, &terminal);
    if (!r) GTEST_SKIP() << "no terminal: " << std::strerror(errno);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->out, selectedLines(counts, dir.path()));
    // Drawn at the first form, however short the run, and erased at the end.
    EXPECT_EQ(terminal.rfind("\r[", 0), 0u) << terminal;
    EXPECT_NE(terminal.find("] 100%  forms read "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find(" MB/s\033[K"), std::string::npos) << terminal;
    ASSERT_GE(terminal.size(), 4u);
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");

    r = clitest::runOnTerminal({"--all", "--quiet", input}, {"TERM=xterm"}, &terminal);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->out, selectedLines(counts, dir.path()));
    EXPECT_EQ(terminal, "");

    // Not a terminal: nothing but the result.
    EXPECT_EQ(runSearch({"--all", input}).err, "");

    // A terminal that cannot move its cursor, or none named: no bar.
    for (const char* term : {"TERM=dumb", "TERM"}) {
        r = clitest::runOnTerminal({"--all", input}, {term}, &terminal);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(terminal, "") << term;
    }
}

TEST_F(CliSearch, ProgressBarFitsANarrowTerminal) {
    std::string many;
    while (many.size() < (std::size_t{1} << 20)) many += threeForms();
    writeFile(input, many);
    std::string terminal;
    const std::optional<Result> r = clitest::runOnTerminal({"--all", input}, {"TERM=xterm"}, &terminal, 40);
    if (!r) GTEST_SKIP() << "no terminal: " << std::strerror(errno);
    EXPECT_EQ(r->status, 0);
    // Every drawing, from its carriage return to its erase-to-end-of-line, keeps off the last
    // of the 40 columns, so the terminal never wraps it.
    std::size_t drawings = 0;
    for (std::size_t at = terminal.find('\r'); at != std::string::npos; at = terminal.find('\r', at + 1)) {
        const std::size_t end = terminal.find("\033[K", at);
        ASSERT_NE(end, std::string::npos) << terminal;
        EXPECT_LE(end - at - 1, 39u) << terminal.substr(at + 1, end - at - 1);
        if (end > at + 1) ++drawings;
    }
    EXPECT_GE(drawings, 1u) << terminal;
    EXPECT_NE(terminal.find("forms read"), std::string::npos) << terminal; // the words still fit
}

// A form of Tromsø in Windows-1252, with a cruise of ’95 (0x92, a right single quotation mark).
const std::vector<std::string> kTromso = {
    "1995^95NO^004^^2^", "Norway", "217", "Universitetet i Troms\xf8", "2^Mar^9^Mar^Troms\xf8",
    "CR: Lance \x92" "95^Ice edge", "Lance^RV", "", "", "", "H10^3^a", "*"};

TEST_F(CliSearch, TextsOfAUtf8TerminalBecomeWindows1252) {
    writeFile(input, threeForms() + crlf(kTromso));
    clitest::Options utf8;
    utf8.env = {"LC_ALL=C.UTF-8"};
    Result r = runSearch({"--agency", "troms\xc3\xb8", input}, utf8); // UTF-8 "tromsø"
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  4 Forms Selected:-  1", dir.path()));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), crlf(kTromso));
    r = runSearch({"--cruise", "\xe2\x80\x99" "95", input}, utf8); // UTF-8 "’95"
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  4 Forms Selected:-  1", dir.path()));
    // Windows-1252 bytes, not UTF-8, are taken as they are.
    r = runSearch({"--agency", "TROMS\xd8", input}, utf8);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  4 Forms Selected:-  1", dir.path()));
    // In the C locale every text is taken byte for byte: the UTF-8 bytes are not in the form.
    r = runSearch({"--agency", "troms\xc3\xb8", input});
    EXPECT_EQ(r.out, "Forms Read:-  4 Forms Selected:-  0\nSo Sorry, no forms selected\n");
    r = runSearch({"--agency", "TROMS\xd8", input});
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  4 Forms Selected:-  1", dir.path()));
    // Decomposed: "o" and a combining stroke has no composed form, "e" and an acute accent has.
    r = runSearch({"--agency", "tromso\xcc\xb8", input}, utf8);
    EXPECT_EQ(r.status, 2);
    r = runSearch({"--country", "Re\xcc\x81union", "--all", input}, utf8);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Forms Read:-  4 Forms Selected:-  0\nSo Sorry, no forms selected\n");
    writeFile(input, crlf(kTromso) + crlf({"95^95FR^002^^3^", "R\xe9union"}) + "*\r\n");
    r = runSearch({"--country", "Re\xcc\x81union", input}, utf8);
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  2 Forms Selected:-  1", dir.path()));
}

TEST_F(CliSearch, Utf8LocaleThatIsNotInstalledIsSaid) {
    writeFile(input, threeForms() + crlf(kTromso));
    clitest::Options missing;
    missing.env = {"LC_ALL", "LC_CTYPE", "LANG=zz_ZZ.UTF-8"};
    Result r = runSearch({"--agency", "troms\xc3\xb8", input}, missing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Forms Read:-  4 Forms Selected:-  0\nSo Sorry, no forms selected\n");
    EXPECT_EQ(r.err, "morvex-search: warning: the locale zz_ZZ.UTF-8 is not installed here, so the criteria are "
                     "searched byte for byte and letters beyond ASCII find nothing; install the locale or use "
                     "C.UTF-8\n");
    // ASCII criteria are not touched by it; nor is a locale that is installed.
    EXPECT_EQ(runSearch({"--agency", "troms", input}, missing).err, "");
    missing.env = {"LC_ALL=C.UTF-8"};
    EXPECT_EQ(runSearch({"--agency", "troms\xc3\xb8", input}, missing).err, "");
}

TEST_F(CliSearch, CharacterOutsideWindows1252IsRefused) {
    writeFile(dir.file("kerxxxx.inf"), "earlier");
    clitest::Options utf8;
    utf8.env = {"LC_ALL=C.UTF-8"};
    Result r = runSearch({"--country", "norway", "--ship", "\xce\xa9mega", input}, utf8); // "Ωmega"
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: --ship: \"\xce\xa9\" (U+03A9) is not a character of Windows-1252, "
                     "the character set of form files\n");
    r = runSearch({"--probe", "\xf0\x9f\x8c\x8a", "--all", input}, utf8); // a wave, past U+FFFF
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: error: --probe: \"\xf0\x9f\x8c\x8a\" (U+1F30A) is not a character of "
                     "Windows-1252, the character set of form files\n");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), "earlier");
    EXPECT_FALSE(fileExists(dir.file("kerforms.htm")));
}

// The object --json prints, read back by a JSON parser.
nlohmann::json jsonOf(const Result& r) {
    try {
        return nlohmann::json::parse(r.out);
    } catch (const nlohmann::json::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << r.out;
        return {};
    }
}

TEST_F(CliSearch, JsonTellsTheOutcomeInPlaceOfTheResultLines) {
    const std::string csv = dir.file("out.csv");
    Result r = runSearch({"--json", "--country", "spain", "--export", csv, input});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    nlohmann::json j = jsonOf(r);
    EXPECT_EQ(j["outcome"], "completed");
    EXPECT_TRUE(j["message"].is_null());
    EXPECT_EQ(j["forms_read"], 3);
    EXPECT_EQ(j["forms_selected"], 1);
    EXPECT_EQ(j["files"], nlohmann::json({{"kerforms.htm", dir.file("kerforms.htm")},
                                          {"kerheads.htm", dir.file("kerheads.htm")},
                                          {"ker3.txt", dir.file("ker3.txt")},
                                          {"kerxxxx.inf", dir.file("kerxxxx.inf")}}));
    EXPECT_EQ(j["exports"], nlohmann::json::array({csv}));

    // Nothing selected: no file written.
    r = runSearch({"--json", "--country", "germany", "--export", csv, input});
    j = jsonOf(r);
    EXPECT_EQ(j["outcome"], "completed");
    EXPECT_EQ(j["forms_selected"], 0);
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"}) EXPECT_TRUE(j["files"][name].is_null());
    EXPECT_EQ(j["exports"], nlohmann::json::array({csv})); // written, without rows

    // Stopped by a malformed file (a form past 200 lines) after the reports were opened: no
    // extraction, no export.
    std::remove(dir.file("kerxxxx.inf").c_str());
    writeFile(dir.file("KER1996.INF"), crlf(std::vector<std::string>(202, "line")));
    r = runSearch({"--json", "--all", "--export", csv, input, dir.file("KER1996.INF")});
    EXPECT_EQ(r.status, 1);
    j = jsonOf(r);
    EXPECT_EQ(j["outcome"], "stopped");
    EXPECT_EQ(j["message"], "Program Aborts -" + dir.file("KER1996.INF") + " is not correctly formatted");
    EXPECT_EQ(r.err, "Program Aborts -" + dir.file("KER1996.INF") + " is not correctly formatted\n");
    EXPECT_EQ(j["forms_selected"], 3);
    EXPECT_EQ(j["files"]["kerforms.htm"], dir.file("kerforms.htm"));
    EXPECT_TRUE(j["files"]["kerxxxx.inf"].is_null());
    EXPECT_EQ(j["exports"], nlohmann::json::array({nullptr}));

    // Refused: no criterion, and a command line that cannot be read.
    r = runSearch({"--json", input});
    EXPECT_EQ(r.status, 2);
    j = jsonOf(r);
    EXPECT_EQ(j["outcome"], "refused");
    EXPECT_EQ(j["message"], "morvex-search: no criterion was given; --all searches every form");
    EXPECT_EQ(j["forms_read"], 0);
    r = runSearch({"--json", "--contry", "x", input});
    EXPECT_EQ(r.status, 2);
    j = jsonOf(r);
    EXPECT_EQ(j["outcome"], "refused");
    EXPECT_EQ(j["message"], "morvex-search: error: --contry: unknown option; did you mean --country?");
    EXPECT_EQ(j["exports"], nlohmann::json::array());
}

TEST(CliOptions, HelpListsEveryOptionOnItsOwnLine) {
    Result r = runSearch({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Usage: morvex-search [--project T]", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(" [--format FMT] [--quiet] [--json]\n                     [--files-from FILE] FORMFILE...\n"),
              std::string::npos)
        << r.out;
    // --help and --version are for people: text, with --json too.
    EXPECT_EQ(runSearch({"--json", "--help"}).out, r.out);
    EXPECT_EQ(runSearch({"--json", "--version"}).out, "morvex-search " MORVEX_VERSION "\n");
    for (const char* option :
         {"  --project T ",  "  --country T ",    "  --area T ",      "  --agency T ",          "  --month T ",
          "  --cruise T ",   "  --ship T ",       "  --scientist T ", "  --contact T ",         "  --parameter T ",
          "  --with-ulma ",  "  --without-ulma ", "  --square N ",    "  --bbox W,S,E,N ",      "  --from DATE ",
          "  --to DATE ",    "  --probe T ",      "  --all ",         "  -o,--output-dir DIR ", "  -q,--quiet ",
          "  -V,--version ", "  -h,--help ",      "  FORMFILE ... "}) {
        std::size_t at = r.out.find(std::string("\n") + option);
        ASSERT_NE(at, std::string::npos) << option;
        std::size_t end = r.out.find('\n', at + 1);
        std::string line = r.out.substr(at + 1, end - at - 1);
        EXPECT_GT(line.size(), std::strlen(option) + 3) << "no description on the line of " << option;
    }
}

// The short options of grep-like tools, and errors in plain words with the program's name.
TEST(CliOptions, ShortOptionsAndPlainErrors) {
    TempDir dir;
    const std::string input = dir.file("KER1995.INF");
    writeFile(input, threeForms());
    EXPECT_EQ(runSearch({"-V"}).out, "morvex-search " MORVEX_VERSION "\n");
    TempDir out;
    Result r = runSearch({"-q", "-o", out.path(), "--all", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, selectedLines("Forms Read:-  3 Forms Selected:-  3", out.path()));
    for (const auto& [args, message] :
         {std::pair<std::vector<std::string>, std::string>{{"--country"}, "--country: needs a value after it"},
          {{input, "-o"}, "--output-dir: needs a value after it"},
          {{"-x", input}, "-x: unknown option; see morvex-search --help"}}) {
        r = runSearch(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "morvex-search: error: " + message + "\n");
    }
}

// Form file paths read from a file or from standard input, one a line, as find writes them.
TEST(CliOptions, FilesFromAListOrStandardInput) {
    TempDir dir;
    writeFile(dir.file("KER1995.INF"), threeForms());
    writeFile(dir.file("KER1996.INF"), threeForms());
    writeFile(dir.file("list"), dir.file("KER1995.INF") + "\r\n\n" + dir.file("KER1996.INF") + "\n");
    Result r = runSearch({"--all", "--files-from", dir.file("list")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Forms Read:-  6 Forms Selected:-  6");
    writeFile(dir.file("found"), dir.file("KER1996.INF") + "\n");
    clitest::Options options;
    options.stdinFile = dir.file("found");
    r = Process({"--all", "--files-from", "-", dir.file("KER1995.INF")}, options).finish();
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Forms Read:-  6 Forms Selected:-  6");
    r = runSearch({"--all", "--files-from", dir.file("none")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvex-search: error: --files-from " + dir.file("none") + ": No such file or directory\n");
}

// --export - writes the export to standard output for a pipeline; the result lines go to stderr.
TEST(CliOptions, ExportToStandardOutput) {
    TempDir dir;
    const std::string input = dir.file("KER1995.INF");
    writeFile(input, threeForms());
    Result r = runSearch({"--all", "--export", "-", "--format", "jsonl", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, selectedLines("Forms Read:-  3 Forms Selected:-  3", dir.path()));
    std::istringstream lines(r.out);
    int objects = 0;
    for (std::string line; std::getline(lines, line); ++objects)
        EXPECT_EQ(nlohmann::json::parse(line)["selection"], objects + 1);
    EXPECT_EQ(objects, 3);
    r = runSearch({"--all", "--export", "-", "--format", "geojson", input});
    EXPECT_EQ(nlohmann::json::parse(r.out)["features"].size(), 3u);
    EXPECT_FALSE(fileExists(dir.file("-"))); // nothing beside it: standard output has no folder
    EXPECT_FALSE(fileExists(dir.file("-.squares.geojson")));
    for (const auto& [args, message] :
         {std::pair<std::vector<std::string>, std::string>{
              {"--all", "--export", "-", input},
              "--export -: give its format with --format csv|jsonl|geojson|squares.geojson|svg"},
          {{"--all", "--format", "csv", input},
           "--format: only for --export - (standard output); other exports take theirs from their names"},
          {{"--all", "--export", "-", "--format", "xml", input},
           "--format xml: not one of csv|jsonl|geojson|squares.geojson|svg"}}) {
        r = runSearch(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "morvex-search: error: " + message + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// Form files in a folder that cannot be written: the way out is said.
TEST(CliOptions, UnwritableFolderOfTheFormFilesSuggestsOutputDir) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes in every folder";
    TempDir dir;
    const std::string input = dir.file("KER1995.INF");
    writeFile(input, threeForms());
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const Result r = runSearch({"--all", input});
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("morvex-search: the reports are written beside the first form file, in " + dir.path() +
                         ", which cannot be written; choose another folder with --output-dir DIR\n"),
              std::string::npos)
        << r.err;
    TempDir out;
    EXPECT_EQ(runSearch({"--all", "-o", out.path(), input}).status, 0);
}

TEST(CliOptions, HelpEndsWithThreeExamples) {
    Result r = runSearch({"--help"});
    const std::size_t examples = r.out.find("\nExamples:\n");
    ASSERT_NE(examples, std::string::npos) << r.out;
    std::vector<std::string> lines;
    for (std::size_t at = examples + 11; at < r.out.size();) {
        const std::size_t end = r.out.find('\n', at);
        lines.push_back(r.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 3u) << r.out;
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("  morvex-search --", 0), 0u) << line;
    EXPECT_NE(r.out.find("  --export FILE "), std::string::npos);
    EXPECT_NE(r.out.find("  --json "), std::string::npos);
}

// The export formats are listed once, in the exports' table: the help, the messages, the three
// completions and the manual page follow it.
TEST(CliOptions, ExportFormatsAreThoseOfTheExportsTable) {
    std::string alternatives;
    for (const exports::ExportFormat& format : exports::exportFormats()) {
        if (!alternatives.empty()) alternatives += '|';
        alternatives += format.extension;
    }
    EXPECT_EQ(alternatives, "csv|jsonl|geojson|squares.geojson|svg");
    const std::string help = runSearch({"--help"}).out;
    EXPECT_NE(help.find("to FILE: " + exports::extensionList("") + "; - for stdout\n"), std::string::npos) << help;
    EXPECT_EQ(runSearch({"--all", "--export", "x.txt", "KER1995.INF"}).err,
              "morvex-search: error: --export x.txt: the name must end in " + exports::extensionList("or") + "\n");
    const std::string source = MORVEX_SOURCE_DIR;
    for (const char* completion : {"/completions/morvex-search.bash", "/completions/morvex-search.fish",
                                   "/completions/_morvex-search"})
        EXPECT_NE(readFile(source + completion).find("(" + alternatives + ")"), std::string::npos) << completion;
    const std::string manual = readFile(source + "/docs/man/morvex-search.1");
    const std::size_t exportsSection = manual.find("\n.SH EXPORTS\n");
    ASSERT_NE(exportsSection, std::string::npos);
    for (const exports::ExportFormat& format : exports::exportFormats())
        EXPECT_NE(manual.find("\n.B ." + std::string(format.extension) + "\n", exportsSection), std::string::npos)
            << format.extension;
}

// --square selects by number exactly the forms whose squares the exports list, on the samples;
// --bbox across the 180th meridian and --from/--to across a year end select as their words say.
TEST(CliFilters, SquaresBoxesAndDatesSelectWhatTheExportsShow) {
    TempDir dir;
    std::vector<std::string> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(MORVEX_SOURCE_DIR) + "/samples")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KER", 0) != 0) continue;
        std::filesystem::copy_file(entry.path(), dir.file(name));
        inputs.push_back(dir.file(name));
    }
    std::sort(inputs.begin(), inputs.end());
    // The references of a JSON Lines export, with the squares of each.
    const auto exported = [&](std::vector<std::string> options) {
        options.insert(options.end(), {"--export", dir.file("out.jsonl")});
        options.insert(options.end(), inputs.begin(), inputs.end());
        const Result r = runSearch(options);
        EXPECT_EQ(r.status, 0) << r.err;
        std::map<std::string, std::vector<int>> forms;
        std::istringstream lines(readFile(dir.file("out.jsonl")));
        for (std::string line; std::getline(lines, line);) {
            const auto object = nlohmann::json::parse(line);
            const std::vector<int> squares = object["marsden_squares"].get<std::vector<int>>();
            forms[object["reference"].get<std::string>()] = squares;
        }
        return forms;
    };
    const auto all = exported({"--all"});
    ASSERT_GT(all.size(), 100u);
    for (int square : {217, 181, 74}) {
        std::set<std::string> naming;
        for (const auto& [reference, squares] : all)
            if (std::find(squares.begin(), squares.end(), square) != squares.end()) naming.insert(reference);
        std::set<std::string> selected;
        for (const auto& [reference, squares] : exported({"--square", std::to_string(square)}))
            selected.insert(reference);
        EXPECT_EQ(selected, naming) << square;
        EXPECT_FALSE(naming.empty());
    }
    EXPECT_EQ(exported({"--square", "217,074"}).size(), exported({"--square", "217", "--square", "74"}).size());

    const std::string input = dir.file("KER1994.INF");
    writeFile(input,
              testutil::crlf({"1994^74^1^^2^", "UK", "CH^" + std::to_string(geo::squareAt(0, 170)) + "^IHB01", "",
                              "20^Dec^5^Jan^"}) +
                  "*\r\n" +
                  testutil::crlf({"1994^74^2^^2^", "UK", std::to_string(geo::squareAt(0, -180)), "", "1^Jun^2^Jun^"}) +
                  "*\r\n");
    const auto count = [&](std::vector<std::string> options) {
        options.push_back(input);
        const Result r = runSearch(options);
        return r.out.substr(0, r.out.find('\n'));
    };
    EXPECT_EQ(count({"--bbox", "175,1,-175,2"}), "Forms Read:-  2 Forms Selected:-  2");
    EXPECT_EQ(count({"--bbox", "175,1,179,2"}), "Forms Read:-  2 Forms Selected:-  1");
    EXPECT_EQ(count({"--from", "1995-01-05"}), "Forms Read:-  2 Forms Selected:-  1"); // ends in 1995
    EXPECT_EQ(count({"--from", "1995-01-06"}), "Forms Read:-  2 Forms Selected:-  0");
    EXPECT_EQ(count({"--to", "1994-05-31"}), "Forms Read:-  2 Forms Selected:-  0");
    EXPECT_EQ(count({"--from", "1994-06-02", "--to", "1994-12-20"}), "Forms Read:-  2 Forms Selected:-  2");
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("AND\r\nCruise Dates To: 1994-12-20<br>\r\n"), std::string::npos);

    for (const auto& [option, value, message] :
         {std::tuple("--square", "1831",
                     "--square 1831: not the number of a Marsden square (1 to 288, 300 to 623, 901 to 936)"),
          std::tuple("--bbox", "1,2,3", "--bbox 1,2,3: give four numbers separated by commas: west,south,east,north"),
          std::tuple("--from", "1995-02-30", "--from 1995-02-30: not a calendar date written YYYY-MM-DD")}) {
        const Result r = runSearch({option, value, input});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, std::string("morvex-search: error: ") + message + "\n");
    }
}

// The names of options in a text: long ones after dashes ("--" or roff's "\\-\\-"); short
// ones, a dash (or "\\-") and a letter standing alone after a blank, "[", "(", "{", "|" or
// "'" (so that "Ctrl\\-C" and "OAI\\-PMH" are none).
std::set<std::string> optionNames(const std::string& text, const std::string& dashes) {
    std::set<std::string> names;
    for (std::size_t at = text.find(dashes); at != std::string::npos; at = text.find(dashes, at + 1)) {
        std::size_t end = at + dashes.size();
        std::string name;
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) != 0 ||
                                     text.compare(end, 2, "\\-") == 0 || text[end] == '-')) {
            if (text[end] == '\\') end += 1; // a roff hyphen "\-"
            name += text[end++];
        }
        if (!name.empty() && name.front() != '-') names.insert(name);
    }
    return names;
}

std::set<std::string> shortOptionNames(const std::string& text, const std::string& dash) {
    std::set<std::string> names;
    for (std::size_t at = text.find(dash); at != std::string::npos; at = text.find(dash, at + 1)) {
        const std::size_t letter = at + dash.size();
        if (letter >= text.size() || std::isalpha(static_cast<unsigned char>(text[letter])) == 0) continue;
        if (letter + 1 < text.size() && std::isalnum(static_cast<unsigned char>(text[letter + 1])) != 0) continue;
        if (dash != "{-" && at > 0 && std::string_view(" [({|'\n").find(text[at - 1]) == std::string_view::npos)
            continue;
        if (at >= 2 && text.compare(at - 2, 2, "\\-") == 0) continue;
        names.insert(std::string(1, text[letter]));
    }
    return names;
}

// The part of text from the first begin to the first end after it (to its end without one).
std::string between(const std::string& text, const std::string& begin, const std::string& end) {
    const std::size_t from = text.find(begin);
    if (from == std::string::npos) return {};
    return text.substr(from, text.find(end, from + begin.size()) - from);
}

// Every option of --help, long and short, is in the manual page and in each completion, and no
// other is; for morvex-search, morvex-import and morvex-harvest alike.
TEST(CliOptions, HelpManualPageAndCompletionsNameTheSameOptions) {
    const std::string source = MORVEX_SOURCE_DIR;
    const std::map<std::string, std::string> programs = {{"morvex-search", MORVEX_SEARCH_BIN},
                                                         {"morvex-import", MORVEX_IMPORT_BIN},
                                                         {"morvex-harvest", MORVEX_HARVEST_BIN}};
    for (const auto& [program, binary] : programs) {
        SCOPED_TRACE(program);
        clitest::Options options;
        options.program = binary;
        // The options as --help lists them, before the examples (which may name another program's).
        const std::string helpText = between(runSearch({"--help"}, options).out, "Usage:", "\nExamples:");
        const std::set<std::string> help = optionNames(helpText, "--");
        const std::set<std::string> shorts = shortOptionNames(between(helpText, "Options:", "\n\n"), "-");
        EXPECT_TRUE(help.contains("output-dir") && help.contains("quiet") && help.contains("version"));
        EXPECT_EQ(shorts, (std::set<std::string>{"V", "h", "o", "q"}));
        // The manual page but its examples, which may name another program's options.
        std::string manual = readFile(source + "/docs/man/" + program + ".1");
        const std::string examples = between(manual, "\n.SH EXAMPLES\n", "\n.SH SEE ALSO");
        if (!examples.empty()) manual.erase(manual.find(examples), examples.size());
        EXPECT_EQ(optionNames(manual, "\\-\\-"), help);
        EXPECT_EQ(shortOptionNames(between(manual, "\n.SH OPTIONS\n", "\n.SH "), "\\-"), shorts);
        const std::string bash = readFile(source + "/completions/" + program + ".bash");
        EXPECT_EQ(optionNames(bash, "--"), help);
        EXPECT_EQ(shortOptionNames(between(bash, "options=\"", "\""), "-"), shorts);
        const std::string zsh = readFile(source + "/completions/_" + program);
        EXPECT_EQ(optionNames(zsh, "--"), help);
        EXPECT_EQ(shortOptionNames(zsh, "{-"), shorts); // '{-o+,--output-dir=}'

        std::set<std::string> fish, fishShorts;
        std::istringstream fishLines(readFile(source + "/completions/" + program + ".fish"));
        for (std::string line; std::getline(fishLines, line);) {
            if (!line.starts_with("complete -c " + program + " ")) continue;
            for (const std::string& name : optionNames(line, " -l "))
                fish.insert(name);
            if (const std::size_t s = line.find(" -s "); s != std::string::npos)
                fishShorts.insert(line.substr(s + 4, 1));
        }
        EXPECT_EQ(fish, help);
        EXPECT_EQ(fishShorts, shorts);
    }
}

TEST(CliOptions, VersionIsTheProjectVersion) {
    Result r = runSearch({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "morvex-search " MORVEX_VERSION "\n");
    EXPECT_EQ(r.err, "");
}

} // namespace
