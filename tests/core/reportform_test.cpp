// Tests of the per-form writer's error report and of its write failures.
#include "reports/reportform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "tests/support/memoryfilesystem.h"
#include "reports/htmltext.h"
#include "search/searchrun.h"
#include "tests/core/test_util.h"

namespace {

using testutil::crlf;

struct ReportFixture : ::testing::Test {
    testutil::MemoryFileSystem fs;
    tables::RpTable table;
    reports::ReportForm sink{fs, table};
    testutil::RecordingHost host;
    search::SearchRun run{host, fs, sink};
    search::FileSelection selection;

    search::RunOutcome runOn(const std::string& data, const std::string& country = "UK",
                             const std::string& parameters = "") {
        fs.files["/d/KER1995.INF"] = data;
        std::string message;
        search::chooseFiles({"/d/KER1995.INF"}, selection, &message);
        search::CriteriaSet criteria;
        criteria.texts[1] = country;
        criteria.texts[9] = parameters;
        return run.run(selection, criteria);
    }
    std::vector<std::string> messages() const { return host.shown(); }
};

TEST(HtmlText, EscapingCoversAmpersandAndAngleBrackets) {
    std::string out;
    reports::appendEscaped(out, "<script>a&b</script>\"'");
    EXPECT_EQ(out, "&lt;script&gt;a&amp;b&lt;/script&gt;\"'");
    out.clear();
    reports::appendEscaped(out, "plain");
    EXPECT_EQ(out, "plain");
    EXPECT_EQ(reports::firstHtmlSpecial("0123456789abcdefgh>"), 18u);
    EXPECT_EQ(reports::firstHtmlSpecial("plain"), 5u);
}

TEST_F(ReportFixture, UnlistedCodesShowTheirOwnCodeAsNotValid) {
    // The not-valid text is cut at eight characters like a parameter code: a three-character
    // code gives "*", the code, two blanks and "Not", a blank, then " a Valid Code".
    const std::string form = crlf({"95^A^1", "UK", "", "", "", "", "", "", "", "", "Q12^1^a", "XYZ<ABC^2^b",
                                   "H09^3^a"}) +
                             "*\r\n";
    EXPECT_EQ(runOn(form + form), search::RunOutcome::Completed);
    const std::string& forms = fs.files["/d/kerforms.htm"];
    const std::string label = "<TR><TD WIDTH=\"219\" BGCOLOR=\"#33CC99\">\r\n";
    const std::string value = "</TD><TD WIDTH=\"468\" BGCOLOR=\"#3399CC\" VALIGN=\"TOP\">\r\n";
    EXPECT_NE(forms.find(label + "*Q12  Not  a Valid Code\r\n" + value), std::string::npos);
    EXPECT_NE(forms.find(label + "*XYZ&lt;ABC   Not a Valid Code\r\n" + value), std::string::npos);
    // A listed code after them is written from the table, unchanged by the failed finds.
    EXPECT_NE(forms.find(label + "*H09  Water bottle stations\r\n" + value), std::string::npos);
    EXPECT_EQ(table.entry(169), "");
}

TEST_F(ReportFixture, ChartMarkWithoutLocationSkipsOnlyThatLine) {
    const std::string form = crlf({"95^A^1", "UK", "CH", "", "", "", "", "", "", "", "H09^1"}) + "*\r\n";
    EXPECT_EQ(runOn(form + form), search::RunOutcome::Completed);
    // The line loop of the extraction record has passed the last line: the record is empty.
    EXPECT_EQ(messages(), (std::vector<std::string>{"Error  5 encountered - Form 95^A^1 Record ",
                                                    "Error  5 encountered - Form 95^A^1 Record "}));
    const std::string& forms = fs.files["/d/kerforms.htm"];
    const std::string location = "areas):-<br>\r\n</TD><TD WIDTH=\"468\" BGCOLOR=\"#3399CC\" VALIGN=\"TOP\">\r\n"
                                 "(Cruise track chart has been supplied)<br>\r\n<BR></TD></TR><TR>\r\n";
    EXPECT_NE(forms.find(location), std::string::npos);
    EXPECT_NE(forms.find("*H09  Water bottle stations"), std::string::npos); // writing went on
    EXPECT_EQ(fs.files["/d/ker3.txt"].substr(fs.files["/d/ker3.txt"].find("\r\n") + 2, 29),
              "A^^  to   95^^CH^1^^0^ng^1\r\nA");
}

TEST_F(ReportFixture, ProbeOutsideTheFormIsAnErrorAndWritesNothing) {
    host.probe = "201";
    const std::string form = crlf({"95^A^1", "UK"}) + "*\r\n";
    EXPECT_EQ(runOn(form), search::RunOutcome::Completed);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Error  9 encountered - Form 95^A^1 Record 95^A^1"}));
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "");
    host.probe = "-0.4"; // rounds to 0
    host.calls.clear();
    EXPECT_EQ(runOn(form), search::RunOutcome::Completed);
    EXPECT_TRUE(messages().empty());
    const std::string& heads = fs.files["/d/kerheads.htm"];
    EXPECT_NE(heads.find("</TR>\r\n95^A^1\r\n</TR></TD></TABLE>"), std::string::npos);
}

TEST_F(ReportFixture, ContactLettersPastTheAlphabetContinueInCodeOrder) {
    std::string contacts = "p1";
    for (int i = 2; i <= 28; ++i) contacts += "^p" + std::to_string(i);
    const std::string form = crlf({"95^A^1", "UK", "", "", "", "", "", "", contacts}) + "*\r\n";
    EXPECT_EQ(runOn(form), search::RunOutcome::Completed);
    const std::string& forms = fs.files["/d/kerforms.htm"];
    EXPECT_NE(forms.find("\r\nz p26<br>\r\n{ p27<br>\r\n| p28<br>\r\n"), std::string::npos);
}

TEST_F(ReportFixture, WriteFailureOfAnyReportEndsTheRun) {
    for (const char* failing : {"/d/kerforms.htm", "/d/kerheads.htm", "/d/kerxxxx.fin"}) {
        SCOPED_TRACE(failing);
        fs.files.clear();
        fs.failingWrites = {failing};
        fs.files["/d/kerxxxx.inf"] = "earlier";
        host.calls.clear();
        EXPECT_EQ(runOn(crlf({"95^A^1", "UK"}) + "*\r\n"), search::RunOutcome::Failed);
        EXPECT_EQ(messages(), (std::vector<std::string>{std::string("Program Aborts - cannot write ") +
                                                        failing + ": No space left on device"}));
        EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "earlier");
    }
}

TEST_F(ReportFixture, InfinitiesAtUlmaGiveNanAndStationTotalsStayExact) {
    // Just past the largest single: infinity on the H09 line, minus infinity on the H10 line,
    // whose sum is not a number.
    const std::string form = crlf({"95^A^1", "UK", "", "", "", "", "", "", "", "",
                                   "H09^500000000000000^a^^^340282356779733661637539395458142568448 at ULMA",
                                   "H10^1^a^^^-340282356779733661637539395458142568447 at ULMA"}) +
                             "*\r\n";
    EXPECT_EQ(runOn(form + form, "UK", "H09 OR H10"), search::RunOutcome::Completed);
    EXPECT_TRUE(messages().empty());
    const std::string& heads = fs.files["/d/kerheads.htm"];
    EXPECT_NE(heads.find("<TD WIDTH=\"80\" ALIGN=\"CENTER\" BGCOLOR=\"#3399CC\">\r\nnan#&nbsp</TD>"),
              std::string::npos);
    const std::string& csv = fs.files["/d/ker3.txt"];
    EXPECT_NE(csv.find("^50000^1^nan#^ng^1\r\n"), std::string::npos);
    const std::string& forms = fs.files["/d/kerforms.htm"];
    const std::string label = "<TR><TD WIDTH=\"119\" BGCOLOR=\"#33CC99\">\r\n";
    const std::string value = "</TD><TD WIDTH=\"568\" BGCOLOR=\"#3399CC\" VALIGN=\"TOP\">";
    const std::string rowEnd = "</TD></TR><TR>\r\n";
    // 10^15 in plain digits, with the blanks of a number.
    EXPECT_NE(forms.find(label + "H09\r\n" + value + "\r\n 1000000000000000 \r\n" + rowEnd + label + "H10\r\n" +
                         value + "\r\n 2 \r\n" + rowEnd),
              std::string::npos);
    EXPECT_NE(forms.find(label + "H09/H10 Stations at ULMA\r\n" + value + "     nan \r\n" + rowEnd),
              std::string::npos);
    EXPECT_EQ(forms.find("-nan"), std::string::npos);
}

TEST(ReportFormFiles, FilesLeftOpenAreClosedAndAFailedCloseIsReported) {
    testutil::MemoryFileSystem fs;
    fs.failingCloses.insert("/d/ker3.txt");
    const tables::RpTable table;
    ::testing::internal::CaptureStderr();
    {
        reports::ReportForm sink(fs, table);
        std::string err;
        ASSERT_TRUE(sink.open(search::outputPathsIn("/d"), {}, &err)) << err;
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "morvex: /d/ker3.txt: Input/output error\n");
    // Files the run closed itself are not reported again.
    ::testing::internal::CaptureStderr();
    {
        reports::ReportForm sink(fs, table);
        std::string err;
        ASSERT_TRUE(sink.open(search::outputPathsIn("/d"), {}, &err)) << err;
        EXPECT_FALSE(sink.closeAll(&err));
        EXPECT_EQ(err, "/d/ker3.txt: Input/output error");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// The file system's hook runs before and after each file is opened or closed, each file done
// before the hook that follows it: a window gets its turns between them.
TEST(ReportFormFiles, TheFileHookRunsAroundEveryFileOpenedOrClosed) {
    testutil::TempDir dir;
    search::DiskFileSystem disk;
    const tables::RpTable table;
    reports::ReportForm sink(disk, table);
    const search::OutputPaths paths = search::outputPathsIn(dir.path());
    std::vector<std::string> turns; // at each turn: which files exist, and which hold bytes
    disk.setFileHook([&] {
        std::string state;
        for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv, &paths.pending})
            state += !testutil::fileExists(*path) ? '-' : testutil::readFile(*path).empty() ? 'o' : 'x';
        turns.push_back(state);
    });
    std::string err;
    ASSERT_TRUE(sink.open(paths, {}, &err)) << err;
    EXPECT_EQ(turns, (std::vector<std::string>{"----", "o---", "o---", "oo--", "oo--", "ooo-", "ooo-", "oooo"}));
    turns.clear();
    sink.writeHeads(search::CriteriaSet{});
    ASSERT_TRUE(sink.closeAll(&err)) << err;
    EXPECT_EQ(turns, (std::vector<std::string>{"xooo", "xooo", "xxoo", "xxoo", "xxoo", "xxoo", "xxoo", "xxoo"}));
}

TEST(ReportFormDisk, ReportPathThatIsAFolderOrAFullDeviceFails) {
    testutil::TempDir dir;
    testutil::writeFile(dir.file("KER1995.INF"), crlf({"95^A^1", "UK"}) + "*\r\n");
    testutil::writeFile(dir.file("kerxxxx.inf"), "earlier");
    search::DiskFileSystem disk;
    tables::RpTable table;
    reports::ReportForm sink(disk, table);
    testutil::RecordingHost host;
    search::SearchRun run(host, disk, sink);
    search::FileSelection selection;
    std::string message;
    search::chooseFiles({dir.file("KER1995.INF")}, selection, &message);
    search::CriteriaSet criteria;
    criteria.texts[1] = "uk";

    std::filesystem::create_directory(dir.file("kerheads.htm"));
    EXPECT_EQ(run.run(selection, criteria), search::RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(), "message:Program Aborts - cannot write " + dir.file("kerheads.htm") + ": Is a directory");
    EXPECT_EQ(testutil::readFile(dir.file("kerxxxx.inf")), "earlier");

    std::filesystem::remove(dir.file("kerheads.htm"));
    std::filesystem::create_symlink("/dev/full", dir.file("ker3.txt"));
    EXPECT_EQ(run.run(selection, criteria), search::RunOutcome::Failed);
    EXPECT_EQ(host.calls.back(),
              "message:Program Aborts - cannot write " + dir.file("ker3.txt") + ": No space left on device");
    EXPECT_EQ(testutil::readFile(dir.file("kerxxxx.inf")), "earlier");
    EXPECT_EQ(host.callsStartingWith("ended:Completed").size(), 0u);
}

} // namespace
