// The result of a run as a table: its cells, dates, sorting, filtering, full forms and exports.
#include "exports/resultranks.h"
#include "exports/resulttable.h"
#include "exports/resultview.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "reports/reportrun.h"
#include "search/cruisedates.h"
#include "search/fileselection.h"
#include "search/formreader.h"
#include "tests/core/test_util.h"
#include "tests/support/memoryfilesystem.h"

namespace {

using testutil::crlf;

// A form with the fields the table's columns read: year, country, squares, agency, days and
// months of line 4, cruise, ship and the station lines.
std::string form(const std::string& year, int number, const std::string& country, const std::string& line4,
                 const std::string& ship, const std::string& stations) {
    return crlf({year + "^74^" + std::to_string(number) + "^^2^WOCE", country, "183^074^IHB01a", "NERC", line4,
                 "   Cruise " + std::to_string(number) + "^heat", ship, "J Smith", "A Jones", "",
                 "H09^" + stations + "^a^^^3 at ULMA"}) +
           "*\r\n";
}

struct ResultTableTest : ::testing::Test {
    testutil::MemoryFileSystem fs;
    const tables::RpTable table;
    testutil::RecordingHost host;
    search::FileSelection selection;
    search::CriteriaSet criteria;

    // Runs over data, every form selected, into result.
    void run(const std::string& data, exports::ResultTable& result) {
        fs.files["/d/KER1995.INF"] = data;
        std::string message;
        search::chooseFiles({"/d/KER1995.INF"}, selection, &message);
        criteria.texts[1] = "A"; // every country below holds an "a"
        reports::ReportRun reportRun(host, fs, table, {&result});
        result.follow(reportRun.reports());
        ASSERT_EQ(reportRun.run(selection, criteria), search::RunOutcome::Completed);
        result.finish();
    }
    std::vector<std::string> column(const exports::ResultTable& result, const exports::ResultView& view, int c) {
        std::vector<std::string> cells;
        for (std::uint32_t r : view.rows())
            cells.emplace_back(result.cell(r, c));
        return cells;
    }
};

constexpr int kSelection = 0, kYear = 2, kCountry = 6, kSquares = 8, kStart = 15, kEnd = 16, kShip = 21, kBottles = 25;

const std::string kData = form("1995", 1, "Spain", "12^Jun^2^Jul^Vigo", "charles darwin", "86") +
                          form("94", 2, "Canada", "20^December^5^1^", "Hudson", "10b") +
                          form("1995", 3, "France \x80", "3^3^4^sept^", "\xc9l\xe9gante", "9") +
                          form("1996", 4, "Ireland", "31^Feb^1^Mar^", "Celtic Explorer", "") +
                          form("1995", 5, "Norway", "^^^^", "\xe9lan", "120");

TEST(Arena, GivesZeroedAlignedMemoryThatStaysPut) {
    exports::Arena arena;
    std::vector<char*> given;
    for (std::size_t size :
         {std::size_t{1}, std::size_t{24}, std::size_t{33} << 20, std::size_t{700} << 10, std::size_t{0}})
        given.push_back(static_cast<char*>(arena.allocate(size)));
    for (int n = 0; n < 100; ++n) // across blocks
        given.push_back(static_cast<char*>(arena.allocate(std::size_t{1} << 20)));
    for (char* p : given) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u);
        EXPECT_EQ(*p, 0);
        *p = 1;
    }
    EXPECT_EQ(given[2][(std::size_t{33} << 20) - 1], 0); // a block of its own, as large as asked
    EXPECT_EQ(std::set<char*>(given.begin(), given.end()).size(), given.size());
}

TEST(CruiseDates, MonthsAreNamesOrNumbersAndYearEndsCross) {
    EXPECT_EQ(search::monthNumber("Jun"), 6);
    EXPECT_EQ(search::monthNumber(" june "), 6);
    EXPECT_EQ(search::monthNumber("SEPT"), 9);
    EXPECT_EQ(search::monthNumber("06"), 6);
    EXPECT_EQ(search::monthNumber("12"), 12);
    for (const char* none : {"", "Ju", "13", "0", "Juni", "Smarch", "6b"})
        EXPECT_EQ(search::monthNumber(none), std::nullopt) << none;

    search::CruiseDays days{"94", "20", "Dec", "5", "1"};
    EXPECT_EQ(search::isoDate(search::cruiseStart(days)), "1994-12-20");
    EXPECT_EQ(search::isoDate(search::cruiseEnd(days)), "1995-01-05"); // over the year's end
    days = {"1996", "29", "Feb", "1", "Mar"};
    EXPECT_EQ(search::isoDate(search::cruiseStart(days)), "1996-02-29"); // a leap year
    days.year = "1995";
    EXPECT_EQ(search::isoDate(search::cruiseStart(days)), ""); // not one: never guessed
    EXPECT_EQ(search::isoDate(search::cruiseEnd(days)), "1995-03-01");
    days = {"199", "1", "Jan", "2", "Jan"};
    EXPECT_EQ(search::isoDate(search::cruiseStart(days)), "");

    EXPECT_EQ(search::parseIsoDate("1995-06-12"), (search::CalendarDate{1995, 6, 12}));
    for (const char* bad : {"1995-6-12", "1995-06-31", "1995-13-01", "95-06-12", "1995-06-1 ", "1995/06/12"})
        EXPECT_EQ(search::parseIsoDate(bad), std::nullopt) << bad;
}

TEST_F(ResultTableTest, RowsHoldTheCsvColumnsWithTheCruiseDates) {
    exports::ResultTable result(fs, &table, search::outputPathsIn("/d"));
    run(kData, result);
    ASSERT_EQ(result.size(), 5u);
    ASSERT_EQ(exports::resultColumns()[kStart].name, "start_date");
    EXPECT_EQ(result.cell(0, kSelection), "1");
    EXPECT_EQ(result.cell(1, kYear), "1994");
    EXPECT_EQ(result.cell(2, kCountry), "France \x80");
    EXPECT_EQ(result.cell(0, kSquares), "183 074");
    EXPECT_EQ(result.cell(0, kStart), "1995-06-12");
    EXPECT_EQ(result.cell(0, kEnd), "1995-07-02");
    EXPECT_EQ(result.cell(1, kStart), "1994-12-20");
    EXPECT_EQ(result.cell(1, kEnd), "1995-01-05");
    EXPECT_EQ(result.cell(3, kStart), ""); // 31 February
    EXPECT_EQ(result.cell(3, kEnd), "1996-03-01");
    constexpr int kCodes = 24;
    EXPECT_EQ(result.cell(4, kCodes), "H09");
    const std::vector<std::int16_t> squares(result.squares(0).begin(), result.squares(0).end());
    EXPECT_EQ(squares, (std::vector<std::int16_t>{183, 74}));
    EXPECT_TRUE(result.failure().empty());
}

TEST_F(ResultTableTest, SortsNumbersDatesAndTextAndFiltersInAnyLetterCase) {
    exports::ResultTable result(fs, &table, search::outputPathsIn("/d"));
    run(kData, result);
    exports::ResultView view(result);
    view.sortBy(kBottles, false); // numbers as numbers, "10b" by its 10, the empty text last
    EXPECT_EQ(column(result, view, kBottles), (std::vector<std::string>{"9", "10b", "86", "120", ""}));
    view.sortBy(kBottles, true);
    EXPECT_EQ(column(result, view, kBottles), (std::vector<std::string>{"", "120", "86", "10b", "9"}));
    view.sortBy(kStart, false); // dates, the form without one last
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"2", "3", "1", "4", "5"}));
    view.sortBy(kShip, false); // letter case aside, Windows-1252 letters too
    EXPECT_EQ(column(result, view, kShip),
              (std::vector<std::string>{"Celtic Explorer", "charles darwin", "Hudson", "\xe9lan", "\xc9l\xe9gante"}));

    std::array<bool, exports::kResultColumnCount> shown{};
    shown[kShip] = true;
    view.setFilter("\xc9L", shown); // "ÉL" finds "élan" and "Élégante", in the order of the sort
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"5", "3"}));
    view.setFilter("\xc9LA", shown); // narrower: among those
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"5"}));
    view.setFilter("ar", shown);
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"1"}));
    shown[kCountry] = true; // "an": Canada, France, Ireland, and the ships Élégante and élan
    view.setFilter("an", shown);
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"4", "2", "5", "3"}));
    view.sortBy(kSelection, true); // the filter stays through a sort
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"5", "4", "3", "2"}));
    EXPECT_EQ(view.total(), 5u);
    view.setFilter("", shown);
    EXPECT_EQ(view.rows().size(), 5u);

    // A text across two cells is in neither; a place in a hidden cell does not count, and a
    // later one in a shown cell does.
    constexpr int kDesignation = 19, kChiefScientists = 22;
    std::array<bool, exports::kResultColumnCount> pair{};
    pair[kShip] = pair[kChiefScientists] = true;
    view.setFilter("onj", pair); // "Hudson", then "J Smith"
    EXPECT_TRUE(view.rows().empty());
    view.setFilter("SON", pair);
    EXPECT_EQ(column(result, view, kShip), (std::vector<std::string>{"Hudson"}));
    std::array<bool, exports::kResultColumnCount> designation{};
    designation[kDesignation] = true;
    view.setFilter("cruise 2", designation); // in the hidden cruise name before it too
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"2"}));

    view.setFilter("", designation);
    constexpr int kExchange = 5; // "Yes" in every row: ties keep selection order either way
    view.sortBy(kExchange, true);
    EXPECT_EQ(column(result, view, kSelection), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

// Ranks made once, by the thread or by the first sort that needs them, sort every column as
// ranks made for each sort do; a table whose ranks are still being made can go at any time.
TEST_F(ResultTableTest, RanksMadeOnceSortAsRanksMadeForEachSort) {
    exports::ResultTable result(fs, &table, search::outputPathsIn("/d"));
    run(kData + kData, result); // ties in every column
    exports::ResultRanks ranks(result);
    exports::ResultView kept(result, &ranks), fresh(result);
    for (int c = exports::kResultColumnCount - 1; c >= 0; --c)
        for (bool descending : {false, true}) {
            kept.sortBy(c, descending);
            fresh.sortBy(c, descending);
            EXPECT_EQ(kept.rows(), fresh.rows()) << c << (descending ? " descending" : " ascending");
        }
    EXPECT_EQ(ranks.of(kShip).count, 5u); // "charles darwin" ... "\xe9lan", each twice
    EXPECT_EQ(ranks.of(kSelection).count, 10u);
    for (int n = 0; n < 20; ++n)
        exports::ResultRanks early(result);
}

TEST_F(ResultTableTest, FullFormsAreFoundInTheReportAndRowsExportAgain) {
    exports::ResultTable result(fs, &table, search::outputPathsIn("/d"));
    run(kData, result);
    const std::string& report = fs.files["/d/kerforms.htm"];
    for (std::size_t r = 0; r < result.size(); ++r) {
        const reports::ReportPart part = result.fullForm(r);
        ASSERT_LT(part.begin, part.end);
        const std::string piece = report.substr(part.begin, part.end - part.begin);
        EXPECT_EQ(piece.find("<A name=\"" + std::to_string(r + 1) + "\">"), piece.find("<A name="));
        EXPECT_NE(piece.find("<A name="), std::string::npos);
        EXPECT_EQ(piece.substr(piece.size() - 20), "</TD></TR></TABLE>\r\n");
    }

    exports::ExportContext context{criteria, selection.yearsLabel, &table};
    std::string err;
    auto csv = exports::Export::make(fs, "/d/two.csv", context, &err);
    ASSERT_TRUE(csv) << err;
    ASSERT_TRUE(result.exportRows({4, 1}, *csv, &err)) << err;
    const std::string text = fs.files["/d/two.csv"];
    const auto first = text.find("\r\n5,"), second = text.find("\r\n2,");
    EXPECT_NE(first, std::string::npos);
    EXPECT_LT(first, second); // in the order given
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_NE(text.find("\u00e9lan"), std::string::npos); // Windows-1252 into UTF-8
}

// The forms a table reads back from the extraction file as the run writes it, and the forms
// it copies when they are in no extraction file, give the same rows and the same exports. Lines
// end in CR alone or CR LF; a lone LF stays within its line; a form is larger than what the
// table copies before it writes to its scratch file.
TEST_F(ResultTableTest, FormsReadBackAndFormsCopiedGiveTheSameRows) {
    std::string data = kData;
    data.replace(data.find("Canada\r\n"), 8, "Canada\r");
    data.replace(data.find("Hudson"), 6, "Hud\nson");
    // Forms without observation lines: of two lines, and of ten; and a large one.
    data += crlf({"1997^74^6", "Panama"}) + "*\r\n";
    data += crlf({"1998^74^7", "Jamaica", "", "", "", "", "", "", "", ""}) + "*\r\n";
    data += form("1995", 8, "Iceland", "1^Jan^2^Jan^", std::string(1 << 21, 'x'), "1");
    exports::ResultTable readBack(fs, &table, search::outputPathsIn("/d"));
    run(data, readBack);
    ASSERT_EQ(readBack.size(), 8u);
    EXPECT_TRUE(readBack.failure().empty()) << readBack.failure();
    EXPECT_FALSE(fs.files.contains("/d/kerxxxx.fin"));

    // Without the reports to follow, the forms are copied.
    exports::ResultTable copied(fs, &table, search::outputPathsIn("/e"));
    auto file = fs.openRead("/d/KER1995.INF", nullptr);
    search::FormReader reader(*file);
    search::Form read;
    std::string err;
    for (long long selection = 1; reader.next(read, &err) == search::FormReader::Status::Form; ++selection)
        copied.formSelected(read, read.last(), selection);
    copied.finish();
    ASSERT_EQ(copied.size(), readBack.size());
    EXPECT_TRUE(copied.failure().empty()) << copied.failure();
    // A run with the line probe extracts no form: the table copies them too.
    host.probe = "1";
    exports::ResultTable probed(fs, &table, search::outputPathsIn("/d"));
    run(data, probed);
    host.probe.clear();
    EXPECT_EQ(fs.files["/d/kerxxxx.inf"], "");
    ASSERT_EQ(probed.size(), readBack.size());
    EXPECT_TRUE(probed.failure().empty()) << probed.failure();
    for (std::size_t r = 0; r < readBack.size(); ++r) {
        for (int c = 0; c < exports::kResultColumnCount; ++c) {
            EXPECT_EQ(copied.cell(r, c), readBack.cell(r, c)) << r << " " << c;
            EXPECT_EQ(probed.cell(r, c), readBack.cell(r, c)) << r << " " << c;
        }
    }
    EXPECT_EQ(readBack.cell(1, kShip), "Hud\nson");
    EXPECT_EQ(readBack.cell(7, kShip), std::string(exports::ResultTable::kMaxCellBytes, 'x'));

    exports::ExportContext context{criteria, selection.yearsLabel, &table};
    const std::vector<std::uint32_t> rows = {0, 1, 2, 3, 4, 5, 6, 7};
    for (auto [result, path] : {std::pair{&readBack, "/d/all.jsonl"}, std::pair{&copied, "/e/all.jsonl"},
                                std::pair{&probed, "/e/probed.jsonl"}}) {
        auto e = exports::Export::make(fs, path, context, &err);
        ASSERT_TRUE(e) << err;
        ASSERT_TRUE(result->exportRows(rows, *e, &err)) << err;
    }
    EXPECT_EQ(fs.files["/d/all.jsonl"], fs.files["/e/all.jsonl"]);
    EXPECT_EQ(fs.files["/d/all.jsonl"], fs.files["/e/probed.jsonl"]);
    EXPECT_NE(fs.files["/d/all.jsonl"].find("Hud\\nson"), std::string::npos);
    EXPECT_NE(fs.files["/d/all.jsonl"].find(std::string(1 << 21, 'x')), std::string::npos); // not cut
}

// More forms than a batch, over more bytes than the extraction file holds back: the table takes
// the forms as the file grows, each once and in order.
TEST_F(ResultTableTest, ManyFormsAreTakenAsTheExtractionFileGrows) {
    std::string data;
    constexpr int kForms = 9000;
    for (int n = 1; n <= kForms; ++n)
        data += crlf({"1995^74^" + std::to_string(n), "Spain", "183", "", "1^Jan^2^Jan^", "",
                      "Ship " + std::to_string(n)}) +
                "*\r\n";
    exports::ResultTable result(fs, &table, search::outputPathsIn("/d"));
    run(data, result);
    ASSERT_TRUE(result.failure().empty()) << result.failure();
    ASSERT_EQ(result.size(), static_cast<std::size_t>(kForms));
    for (std::size_t r = 0; r < result.size(); ++r) {
        ASSERT_EQ(result.cell(r, kSelection), std::to_string(r + 1));
        ASSERT_EQ(result.cell(r, kShip), "Ship " + std::to_string(r + 1));
    }
}

// The forms of the table cannot be read back, or the extraction file changes after the run:
// the table says why, and no export is left behind.
TEST_F(ResultTableTest, FormsThatCannotBeReadBackAreSaidAndNotExported) {
    exports::ExportContext context{criteria, selection.yearsLabel, &table};
    std::string err;
    const auto exportAll = [&](exports::ResultTable& result, const std::string& path) {
        auto csv = exports::Export::make(fs, path, context, &err);
        EXPECT_TRUE(csv) << err;
        std::vector<std::uint32_t> rows(result.size());
        for (std::uint32_t r = 0; r < rows.size(); ++r)
            rows[r] = r;
        return csv && result.exportRows(rows, *csv, &err);
    };

    exports::ResultTable unread(fs, &table, search::outputPathsIn("/d"));
    fs.failingReadAts.insert("/d/kerxxxx.fin");
    run(kData, unread);
    EXPECT_EQ(unread.size(), 0u);
    EXPECT_NE(unread.failure().find("/d/kerxxxx.fin: Permission denied"), std::string::npos) << unread.failure();
    EXPECT_FALSE(exportAll(unread, "/d/none.csv"));
    EXPECT_NE(err.find("could not be kept"), std::string::npos) << err;
    EXPECT_FALSE(fs.files.contains("/d/none.csv"));
    fs.failingReadAts.clear();

    exports::ResultTable changed(fs, &table, search::outputPathsIn("/d"));
    run(kData, changed);
    ASSERT_EQ(changed.size(), 5u);
    ASSERT_TRUE(exportAll(changed, "/d/before.csv")) << err;
    fs.files["/d/kerxxxx.inf"][0] = '2'; // the user edits the file in place
    EXPECT_FALSE(exportAll(changed, "/d/after.csv"));
    EXPECT_EQ(err, "/d/kerxxxx.inf has changed since the search: search again to export its forms");
    EXPECT_FALSE(fs.files.contains("/d/after.csv"));

    // Renamed or removed, it is still read as the search wrote it.
    exports::ResultTable moved(fs, &table, search::outputPathsIn("/d"));
    run(kData, moved);
    ASSERT_TRUE(fs.renameFile("/d/kerxxxx.inf", "/d/kept.inf", &err));
    ASSERT_TRUE(fs.removeFile("/d/kept.inf", &err));
    ASSERT_TRUE(exportAll(moved, "/d/moved.csv")) << err;
    EXPECT_EQ(fs.files["/d/moved.csv"], fs.files["/d/before.csv"]);

    // Copied forms whose scratch file cannot be written.
    exports::ResultTable copied(fs, &table, search::outputPathsIn("/e"));
    fs.failingScratch.insert("/e/kerxxxx.inf");
    auto file = fs.openRead("/d/KER1995.INF", nullptr);
    search::FormReader reader(*file);
    search::Form read;
    for (long long n = 1; reader.next(read, &err) == search::FormReader::Status::Form; ++n)
        copied.formSelected(read, read.last(), n);
    copied.finish();
    EXPECT_NE(copied.failure().find("No space left on device"), std::string::npos) << copied.failure();
    EXPECT_FALSE(exportAll(copied, "/e/none.csv"));
    EXPECT_FALSE(fs.files.contains("/e/none.csv"));
}

} // namespace
