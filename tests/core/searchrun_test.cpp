// Tests of the search run's sequence against a recording host.
#include "search/searchrun.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "reports/reportform.h"
#include "tests/support/memoryfilesystem.h"
#include "tests/core/test_util.h"

namespace {

using search::RunOutcome;
using testutil::crlf;

/// A form whose line 1 is the country and line 0 the id.
std::string form(const std::string& id, const std::string& country) {
    return crlf({id, country, "", "", "", "", "", "", "", "", "H09^1"}) + "*\r\n";
}

struct RunFixture : ::testing::Test {
    testutil::MemoryFileSystem fs;
    tables::RpTable table;
    reports::ReportForm sink{fs, table};
    testutil::RecordingHost host;
    search::SearchRun run{host, fs, sink};
    search::FileSelection selection;
    search::CriteriaSet criteria;

    void choose(const std::vector<std::string>& paths) {
        std::string message;
        ASSERT_EQ(search::chooseFiles(paths, selection, &message), search::ChoiceStatus::Chosen) << message;
    }
    std::string progress(long long read, long long selected) const {
        return "progress:" + std::to_string(read) + "/" + std::to_string(selected);
    }
    bool has(const std::string& path) const { return fs.files.count(path) > 0; }
};

TEST_F(RunFixture, NoFilesShowsTheMessageAndStaysIdle) {
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::NoFiles);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message:You have still to select at least one KERVOS (.inf) File"}));
}

TEST_F(RunFixture, ProgressEveryHundredFormsAndAtEachSelection) {
    std::string data;
    for (int i = 1; i <= 250; ++i) data += form("f" + std::to_string(i), (i == 5 || i == 150 || i == 250) ? "UK" : "FR");
    fs.files["/d/KER1995.INF"] = data;
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "uk";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Completed);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"started", progress(5, 1), progress(100, 1), progress(150, 2),
                                                     progress(200, 2), progress(250, 3), "ended:Completed:files"}));
    EXPECT_EQ(host.yields, 250);
    // The counts at the last form end, before it was counted.
    EXPECT_EQ(host.last.formsRead, 249);
    EXPECT_EQ(host.last.formsSelected, 2);
    EXPECT_EQ(host.last.bytesRead, data.size());
    EXPECT_EQ(run.formsRead(), 250);
    EXPECT_EQ(run.formsSelected(), 3);
    EXPECT_TRUE(has("/d/kerxxxx.inf"));
    EXPECT_FALSE(has("/d/kerxxxx.fin"));
    EXPECT_EQ(run.bytesRead(), data.size());
}

TEST_F(RunFixture, NothingSelectedLeavesReportsAndDeletesTheExtraction) {
    fs.files["/d/KER1995.INF"] = form("a", "FR");
    fs.files["/d/kerheads.htm"] = "earlier";
    fs.files["/d/kerxxxx.inf"] = "earlier";
    fs.files["/d/kerxxxx.fin"] = "interrupted";
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "uk";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Completed);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"started", "ended:Completed"})); // no files to show
    EXPECT_EQ(fs.files["/d/kerheads.htm"], "earlier");
    EXPECT_FALSE(has("/d/kerxxxx.inf"));
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], "interrupted");
    EXPECT_FALSE(has("/d/kerforms.htm"));
}

TEST_F(RunFixture, DeclinedQuestionTouchesNothing) {
    fs.files["/d/KER1995.INF"] = form("a", "FR");
    fs.files["/d/kerxxxx.inf"] = "earlier";
    choose({"/d/KER1995.INF"});
    host.answer = false;
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Declined);
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "started", "ask:No Selection Criteria have been chosen. Do you want to continue?",
                              "ended:Declined"}));
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    EXPECT_EQ(host.yields, 0);
}

TEST_F(RunFixture, BreakStopsAtTheNextFormAndLeavesTheExtractionPending) {
    std::string data;
    for (int i = 1; i <= 10; ++i) data += form("f" + std::to_string(i), "UK");
    fs.files["/d/KER1995.INF"] = data;
    fs.files["/d/kerxxxx.inf"] = "earlier";
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    host.onYield = [&] {
        if (host.yields == 4) run.requestBreak(); // clicked while form 4 waits to be counted
    };
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Stopped);
    EXPECT_EQ(run.formsRead(), 3);
    EXPECT_EQ(run.formsSelected(), 3);
    EXPECT_EQ(host.calls.back(), "message:Break used. Run aborted");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "ended:Stopped");
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    ASSERT_TRUE(has("/d/kerxxxx.fin"));
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"].substr(0, 4), "f1\r\n");
    EXPECT_EQ(fs.files["/d/kerforms.htm"].find("stats"), std::string::npos);
    // The next run starts with the break flag cleared.
    host.onYield = nullptr;
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Completed);
    EXPECT_EQ(run.formsRead(), 10);
}

TEST_F(RunFixture, MalformedSecondFileEndsTheRunAfterSelections) {
    fs.files["/d/KER1994.INF"] = form("a", "UK");
    std::string bad;
    for (int i = 0; i < 201; ++i) bad += "x\r\n";
    fs.files["/d/Ker1995.inf"] = form("b", "UK") + bad + "*\r\n";
    fs.files["/d/kerxxxx.inf"] = "earlier";
    choose({"/d/KER1994.INF", "/d/Ker1995.inf"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Malformed);
    EXPECT_EQ(run.formsSelected(), 2);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts -/d/Ker1995.inf is not correctly formatted");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "ended:Malformed");
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], "a\r\nUK\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nH09^1\r\n*\r\n"
                                          "b\r\nUK\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nH09^1\r\n*\r\n");
    const std::string& forms = fs.files["/d/kerforms.htm"];
    EXPECT_EQ(forms.find("Summary Statistics"), std::string::npos);
    EXPECT_EQ(forms.substr(forms.size() - 20), "</TD></TR></TABLE>\r\n");
}

TEST_F(RunFixture, MissingFormFileEndsTheRunWithTheReason) {
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - cannot read /d/KER1995.INF: No such file or directory");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "ended:Failed");
}

TEST_F(RunFixture, FailedWriteEndsTheRunWithoutResults) {
    fs.files["/d/KER1995.INF"] = form("a", "UK") + form("b", "UK");
    fs.files["/d/kerxxxx.inf"] = "earlier";
    fs.failingWrites.insert("/d/ker3.txt");
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - cannot write /d/ker3.txt: No space left on device");
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "ended:Failed"); // no files to show
}

TEST_F(RunFixture, TooManyAlternativesAreRefusedBeforeAnyOutput) {
    fs.files["/d/KER1995.INF"] = form("a", "UK");
    choose({"/d/KER1995.INF"});
    std::string text = "A";
    for (int i = 0; i < 20; ++i) text += " OR A";
    criteria.texts[9] = text;
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Refused);
    EXPECT_EQ(host.calls.back().rfind("message:Parameter Codes etc: more than 20", 0), 0u);
    EXPECT_EQ(fs.files.size(), 1u);
}

TEST_F(RunFixture, ExtractionReadBackSelectsTheSameForms) {
    std::string data;
    for (int i = 1; i <= 6; ++i) data += form("f" + std::to_string(i), i % 2 ? "UK" : "FR");
    fs.files["/d/KER1995.INF"] = data;
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "uk";
    ASSERT_EQ(run.run(selection, criteria), RunOutcome::Completed);
    const std::string extraction = fs.files["/d/kerxxxx.inf"];
    EXPECT_EQ(extraction, form("f1", "UK") + form("f3", "UK") + form("f5", "UK"));
    const std::string ker3 = fs.files["/d/ker3.txt"];

    // The extraction as the only input, with no criteria: the same forms again.
    choose({"/d/kerxxxx.inf"});
    EXPECT_EQ(selection.yearsLabel, "XXXX");
    ASSERT_EQ(run.run(selection, search::CriteriaSet{}), RunOutcome::Completed);
    EXPECT_EQ(run.formsSelected(), 3);
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], extraction);
    EXPECT_EQ(fs.files["/d/ker3.txt"], ker3);
}

TEST_F(RunFixture, FolderInUseRefusesTheRunBeforeItReadsOrWrites) {
    fs.files["/d/KER1995.INF"] = form("a", "UK");
    fs.files["/d/kerxxxx.inf"] = "earlier";
    fs.lockedFolders.insert("/d");
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Refused);
    // No progress box, no change of the menus.
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "message:Another search is writing its results in /d; wait until it has finished"}));
    EXPECT_EQ(host.yields, 0);
    EXPECT_EQ(fs.files.size(), 2u);
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");

    // The lock is held for the whole run and given up at its end.
    fs.lockedFolders.clear();
    bool lockedDuringRun = true;
    host.onYield = [&] { lockedDuringRun = lockedDuringRun && fs.lockedFolders.count("/d") == 1; };
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Completed);
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(fs.lockedFolders.empty());
}

TEST_F(RunFixture, MissingOutputFolderIsRefused) {
    fs.files["/d/KER1995.INF"] = form("a", "UK");
    fs.missingFolders.insert("/d");
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Refused);
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "message:Program Aborts - cannot write /d: No such file or directory"}));
}

TEST_F(RunFixture, FormFileThatIsAnOutputOfTheRunIsRefused) {
    fs.files["/d/KER1995.INF"] = form("a", "UK");
    fs.files["/d/kerheads.htm"] = "earlier heads";
    fs.files["/d/kerxxxx.fin"] = "interrupted";
    for (const char* output : {"/d/kerheads.htm", "/d/kerxxxx.fin"}) {
        SCOPED_TRACE(output);
        fs.aliases["/d/KER1996.INF"] = output; // a link to it
        choose({"/d/KER1995.INF", "/d/KER1996.INF"});
        host.calls.clear();
        EXPECT_EQ(run.run(selection, criteria), RunOutcome::Refused);
        EXPECT_EQ(host.calls, (std::vector<std::string>{std::string("message:Cannot search /d/KER1996.INF: it is ") +
                                                        output +
                                                        ", which this search would write; choose another form "
                                                        "file or output folder"}));
    }
    EXPECT_EQ(fs.files["/d/kerheads.htm"], "earlier heads");
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], "interrupted");
}

TEST_F(RunFixture, EarlierExtractionSurvivesEveryFailure) {
    const std::string earlier = form("earlier", "UK");
    const std::string data = form("a", "UK") + form("b", "FR") + form("c", "UK");
    struct Failure {
        std::string name;
        std::function<void()> inject;
        RunOutcome outcome;
    };
    std::vector<Failure> failures;
    for (const char* output : {"/d/kerforms.htm", "/d/kerheads.htm", "/d/ker3.txt", "/d/kerxxxx.fin"}) {
        failures.push_back({std::string("open ") + output, [this, output] { fs.failingOpens.insert(output); },
                            RunOutcome::Failed});
        failures.push_back({std::string("write ") + output, [this, output] { fs.failingWrites.insert(output); },
                            RunOutcome::Failed});
        failures.push_back({std::string("close ") + output, [this, output] { fs.failingCloses.insert(output); },
                            RunOutcome::Failed});
    }
    failures.push_back({"rename", [this] { fs.failingRenames.insert("/d/kerxxxx.inf"); }, RunOutcome::Failed});
    failures.push_back({"break", [this] { host.onYield = [this] { host.stop = host.yields == 2; }; },
                        RunOutcome::Stopped});
    failures.push_back({"malformed",
                        [this] {
                            for (int i = 0; i < 202; ++i) fs.files["/d/KER1995.INF"] += "x\r\n";
                        },
                        RunOutcome::Malformed});
    failures.push_back({"memory", [this] {
                            host.onYield = [this] {
                                if (host.yields == 3) throw std::bad_alloc();
                            };
                        },
                        RunOutcome::Failed});
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        fs = testutil::MemoryFileSystem();
        host = testutil::RecordingHost();
        fs.files["/d/KER1995.INF"] = data;
        fs.files["/d/kerxxxx.inf"] = earlier;
        choose({"/d/KER1995.INF"});
        criteria.texts[1] = "UK";
        failure.inject();
        EXPECT_EQ(run.run(selection, criteria), failure.outcome);
        EXPECT_EQ(fs.files["/d/kerxxxx.inf"], earlier);
        EXPECT_EQ(host.callsStartingWith("ended:Completed").size(), 0u);
    }
}

TEST_F(RunFixture, FailedRenameKeepsBothExtractions) {
    fs.files["/d/KER1995.INF"] = form("a", "UK");
    fs.files["/d/kerxxxx.inf"] = "earlier";
    fs.failingRenames.insert("/d/kerxxxx.inf");
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - cannot write /d/kerxxxx.inf: Permission denied");
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], form("a", "UK"));
}

TEST_F(RunFixture, StopRequestedByTheHostBreaksTheRun) {
    std::string data;
    for (int i = 1; i <= 5; ++i) data += form("f" + std::to_string(i), "UK");
    fs.files["/d/KER1995.INF"] = data;
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    host.onYield = [&] { host.stop = host.yields == 3; };
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Stopped);
    EXPECT_EQ(run.formsRead(), 2);
    EXPECT_EQ(host.calls.back(), "message:Break used. Run aborted");
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], form("f1", "UK") + form("f2", "UK"));

    // An open cut short by the stop (a FIFO without a writer) is a Break, not a failure.
    host = testutil::RecordingHost();
    host.stop = true;
    choose({"/d/KER1994.INF"});
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Stopped);
    EXPECT_EQ(host.calls.back(), "message:Break used. Run aborted");
}

TEST_F(RunFixture, MemoryThatCannotBeHadEndsTheRunWithAMessage) {
    fs.files["/d/KER1995.INF"] = form("a", "UK") + form("b", "UK");
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    host.onYield = [&] {
        if (host.yields == 2) throw std::bad_alloc();
    };
    EXPECT_EQ(run.run(selection, criteria), RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - not enough memory to go on with /d/KER1995.INF");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "ended:Failed");
    // The files were flushed and closed: the first form is whole in the pending extraction.
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], form("a", "UK"));
    EXPECT_FALSE(fs.lockedFolders.count("/d"));
}

TEST_F(RunFixture, FormPastTheSizeLimitEndsTheRunLikeAMalformedFile) {
    // Memory is taken a block of 1 MiB at a time, so the limit is met while the buffer grows.
    search::SearchRun small{host, fs, sink, 1 << 20};
    fs.files["/d/KER1995.INF"] = form("a", "UK") + std::string(3 << 20, 'x') + "\r\n*\r\n";
    fs.files["/d/kerxxxx.inf"] = "earlier";
    choose({"/d/KER1995.INF"});
    criteria.texts[1] = "UK";
    EXPECT_EQ(small.run(selection, criteria), RunOutcome::Malformed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - cannot read /d/KER1995.INF: a form there is larger "
                                 "than 1 MiB, the most a form may hold");
    EXPECT_EQ(small.formsRead(), 1);
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    EXPECT_EQ(fs.files["/d/kerxxxx.fin"], form("a", "UK"));
}

} // namespace
