// Tests of cutting criteria into alternatives, the test of a form and the echo.
#include "search/criteria.h"

#include <gtest/gtest.h>

#include "geo/marsdensquare.h"
#include "reports/criteriaecho.h"
#include "search/formreader.h"
#include "tests/support/memoryfilesystem.h"

namespace {

using search::Criteria;
using search::CriteriaSet;
using search::cutAlternatives;
using search::DataHeld;
using search::Form;

using Alternatives = std::vector<std::string>;

TEST(Criteria, CuttingAtOrBetweenBlanksInAnyCase) {
    EXPECT_EQ(cutAlternatives("north sea or baltic"), (Alternatives{"NORTH SEA", "BALTIC"}));
    EXPECT_EQ(cutAlternatives("a Or b oR c"), (Alternatives{"A", "B", "C"}));
    EXPECT_EQ(cutAlternatives("IRELAND OR"), (Alternatives{"IRELAND OR"}));
    EXPECT_EQ(cutAlternatives("ERROR^ORB"), (Alternatives{"ERROR^ORB"}));
    EXPECT_EQ(cutAlternatives("H09 OR "), (Alternatives{"H09", ""}));
    EXPECT_EQ(cutAlternatives(" OR H09"), (Alternatives{"", "H09"}));
    EXPECT_EQ(cutAlternatives("   "), (Alternatives{""}));
    EXPECT_EQ(cutAlternatives(""), (Alternatives{}));
    // Only blanks are trimmed; "OR OR" needs a blank on each side of each separator.
    EXPECT_EQ(cutAlternatives("\tA\t OR  B "), (Alternatives{"\tA\t", "B"}));
    EXPECT_EQ(cutAlternatives("A OR OR B"), (Alternatives{"A", "OR B"}));
}

struct MatchFixture : ::testing::Test {
    std::vector<std::string> lines = std::vector<std::string>(12);
    Form form;
    Criteria criteria;

    bool passes(const CriteriaSet& set) {
        form.clear();
        for (const auto& l : lines) form.append(l);
        std::string err;
        EXPECT_TRUE(criteria.prepare(set, &err)) << err;
        return criteria.test(form);
    }
    static CriteriaSet with(int index, const std::string& text, DataHeld held = DataHeld::Any) {
        CriteriaSet set;
        set.texts[static_cast<std::size_t>(index)] = text;
        set.dataHeld = held;
        return set;
    }
};

TEST_F(MatchFixture, SubstringOfTheUpperCasedLine) {
    lines[1] = "Northern Ireland";
    EXPECT_TRUE(passes(with(1, "ireland")));
    EXPECT_FALSE(passes(with(1, "scotland")));
    EXPECT_TRUE(passes(with(1, "scotland or Irel")));
    EXPECT_FALSE(passes(with(3, "Ireland"))); // criterion 3 searches line 3
}

TEST_F(MatchFixture, EveryUsedCriterionMustMatch) {
    lines[1] = "UK";
    lines[4] = "12^Jun^20^Jul^";
    CriteriaSet set = with(1, "uk");
    set.texts[4] = "aug";
    EXPECT_FALSE(passes(set));
    set.texts[4] = "aug or jul";
    EXPECT_TRUE(passes(set));
}

TEST_F(MatchFixture, EmptyAlternativeAcceptsEveryNonEmptyLine) {
    lines[1] = "FRANCE";
    EXPECT_TRUE(passes(with(1, "UK OR ")));
    lines[1] = "";
    EXPECT_FALSE(passes(with(1, "UK OR ")));
    EXPECT_FALSE(passes(with(1, "  "))); // blanks only: used, one empty alternative
}

TEST_F(MatchFixture, ParameterCriterionSearchesTheObservationText) {
    lines[9] = "H21 on line nine";
    lines[10] = "H09^12";
    lines[11] = "B01^3";
    EXPECT_TRUE(passes(with(9, "b01")));
    EXPECT_FALSE(passes(with(9, "h21")));
    EXPECT_EQ(criteria.selectedParameters(), (Alternatives{"H21"}));
    // The join "^" after each line can be matched.
    EXPECT_TRUE(passes(with(9, "12^B01^")));
}

TEST_F(MatchFixture, ParameterCriterionWithEmptyFirstAlternativeSearchesLine9) {
    lines[9] = "";
    lines[10] = "H09^12";
    EXPECT_FALSE(passes(with(9, " OR H09")));
    EXPECT_TRUE(criteria.selectedParameters().empty());
    lines[9] = "see H09";
    EXPECT_TRUE(passes(with(9, " OR H09")));
}

TEST_F(MatchFixture, MapSquareAlternativeNeedsAPrecedingSeparator) {
    lines[2] = "123^145";
    EXPECT_FALSE(passes(with(2, "^123")));
    EXPECT_TRUE(passes(with(2, "^145")));
    lines[2] = "CH^123^145";
    EXPECT_TRUE(passes(with(2, "^123")));
    EXPECT_TRUE(passes(with(2, "23"))); // typed without "^": anywhere in the line
}

TEST_F(MatchFixture, DataHeldFilter) {
    lines[10] = "H09^12^a^^^3 at ulma";
    EXPECT_TRUE(passes(with(1, "", DataHeld::AtUlma)));
    EXPECT_FALSE(passes(with(1, "", DataHeld::NotAtUlma)));
    lines[10] = "H09^12^a";
    EXPECT_FALSE(passes(with(1, "", DataHeld::AtUlma)));
    EXPECT_TRUE(passes(with(1, "", DataHeld::NotAtUlma)));
    EXPECT_TRUE(passes(with(1, "")));
}

TEST_F(MatchFixture, NoCriteriaPassesEveryFormEvenWithoutLines) {
    lines.clear();
    EXPECT_TRUE(passes(CriteriaSet{}));
    EXPECT_FALSE(criteria.used());
    EXPECT_FALSE(passes(with(0, " ")));
    EXPECT_TRUE(criteria.used());
}

TEST(Criteria, MoreThanTwentyAlternativesAreRefusedWithTheLabel) {
    CriteriaSet set;
    std::string text = "A";
    for (int i = 0; i < 19; ++i) text += " OR A";
    set.texts[2] = text;
    Criteria criteria;
    std::string err;
    EXPECT_TRUE(criteria.prepare(set, &err));
    set.texts[2] = text + " OR B";
    EXPECT_FALSE(criteria.prepare(set, &err));
    EXPECT_EQ(err, "Area (Marsden square(s), IHB areas: more than 20 alternatives joined by OR; at most 20 can be "
                   "searched");
}

TEST(Criteria, EchoListsUsedCriteriaUpperCasedAndEscaped) {
    CriteriaSet set;
    set.texts[1] = "Ireland or uk";
    set.texts[9] = "h09 & <b>";
    auto echo = reports::echoCriteria(set);
    EXPECT_EQ(echo.formsLines, (Alternatives{"Selection Criteria:-", "<br>", "Country: IRELAND OR UK<br>", "AND<br>",
                                             "Parameter Codes etc: H09 &amp; &lt;B&gt;<br>"}));
    EXPECT_EQ(echo.headsLines, (Alternatives{"Selection Criteria:-", "<br>", "Country: IRELAND OR UK<br>", "AND",
                                             "Parameter Codes etc: H09 &amp; &lt;B&gt;<br>"}));
    auto none = reports::echoCriteria(CriteriaSet{});
    EXPECT_EQ(none.formsLines, (Alternatives{"", "All forms selected<br>"}));
    EXPECT_EQ(none.headsLines, (Alternatives{"", "All forms selected"}));

    // The filters follow the criteria, a line each, only when given.
    set.texts[9].clear();
    set.filters.squares = {183, 74};
    set.filters.box = search::GeoBox{170, -5.5, -170, 10};
    set.filters.from = search::CalendarDate{1995, 1, 1};
    echo = reports::echoCriteria(set);
    EXPECT_EQ(echo.formsLines,
              (Alternatives{"Selection Criteria:-", "<br>", "Country: IRELAND OR UK<br>", "AND<br>",
                            "Marsden Square Numbers: 183 OR 74<br>", "AND<br>", "Box (W,S,E,N): 170,-5.5,-170,10<br>",
                            "AND<br>", "Cruise Dates From: 1995-01-01<br>"}));
    set.texts[1].clear();
    set.filters = {};
    set.filters.to = search::CalendarDate{1996, 12, 31};
    EXPECT_EQ(reports::echoCriteria(set).headsLines,
              (Alternatives{"Selection Criteria:-", "<br>", "Cruise Dates To: 1996-12-31<br>"}));
}

// A form of the lines given, the rest empty; it keeps the lines its views point into.
struct BuiltForm {
    explicit BuiltForm(std::vector<std::string> text) : lines(std::move(text)) {
        for (const std::string& line : lines)
            form.append(line);
    }
    operator const Form&() const { return form; } // NOLINT(google-explicit-constructor): reads as a form
    std::vector<std::string> lines;
    Form form;
};

TEST(FormFilters, SquaresByNumberBoxesAndCruiseDates) {
    const BuiltForm chart({"1994^74^1", "UK", "CH^183^1831^IHB183^0217", "", "20^Dec^5^Jan^"});
    const BuiltForm first({"95^74^2", "UK", "183^074", "", "3^Mar^4^Mar^"});
    const BuiltForm noDates({"1995^74^3", "UK", "217", "", "^^^^"});
    search::FormFilters filters;
    filters.squares = {183};
    EXPECT_TRUE(filters.test(chart)); // after the chart mark
    EXPECT_TRUE(filters.test(first)); // the first field of the line
    EXPECT_FALSE(filters.test(noDates));
    filters.squares = {217}; // "0217" is four digits: no square's number
    EXPECT_FALSE(filters.test(chart));
    EXPECT_TRUE(filters.test(noDates));
    filters.squares = {74, 217};
    EXPECT_TRUE(filters.test(first));

    // Square 183 is 30W to 20W, 50N to 60N; a box that only touches its edge does not overlap it.
    filters = {};
    filters.box = search::GeoBox{-25, 55, -24, 56};
    EXPECT_TRUE(filters.test(first));
    filters.box = search::GeoBox{-20, 50, -10, 60};
    EXPECT_FALSE(filters.test(first));
    // Across the 180th meridian: 170E to 170W takes the squares on both sides of it.
    const int east = geo::squareAt(0, 170), west = geo::squareAt(0, -180), beside = geo::squareAt(0, 160);
    const search::GeoBox dateLine{170, 0, -170, 10};
    EXPECT_TRUE(search::squareInBox(east, dateLine));
    EXPECT_TRUE(search::squareInBox(west, dateLine));
    EXPECT_FALSE(search::squareInBox(beside, dateLine));

    // A cruise from 20 December 1994 to 5 January 1995 overlaps each year; one without dates, none.
    filters = {};
    filters.from = search::CalendarDate{1995, 1, 1};
    EXPECT_TRUE(filters.test(chart));
    EXPECT_FALSE(filters.test(noDates));
    filters.from = search::CalendarDate{1995, 1, 6};
    EXPECT_FALSE(filters.test(chart));
    filters = {};
    filters.to = search::CalendarDate{1994, 12, 31};
    EXPECT_TRUE(filters.test(chart));
    EXPECT_FALSE(filters.test(first)); // 1995
    filters.to = search::CalendarDate{1994, 12, 19};
    EXPECT_FALSE(filters.test(chart));

    search::GeoBox box;
    std::string err;
    EXPECT_TRUE(search::parseGeoBox("-60, -15.5,+60,85", &box, &err)) << err;
    EXPECT_EQ(box.south, -15.5);
    EXPECT_FALSE(search::parseGeoBox("1,2,3", &box, &err));
    EXPECT_FALSE(search::parseGeoBox("1,2,181,3", &box, &err));
    EXPECT_EQ(err, "east must be a number of degrees from -180 to 180");
    EXPECT_FALSE(search::parseGeoBox("0,10,5,10", &box, &err));
    EXPECT_FALSE(search::parseGeoBox("0,x,5,10", &box, &err));

    // Square lists: commas as the command line takes them; commas and blanks as the window does.
    std::vector<int> squares;
    std::string bad;
    EXPECT_TRUE(search::parseSquares(" 183,074 ,183", false, &squares, &bad));
    EXPECT_EQ(squares, (std::vector<int>{183, 74}));
    EXPECT_FALSE(search::parseSquares("183 184", false, &squares, &bad));
    EXPECT_EQ(bad, "183 184");
    EXPECT_FALSE(search::parseSquares("183,,184", false, &squares, &bad));
    EXPECT_EQ(bad, "");
    squares.clear();
    EXPECT_TRUE(search::parseSquares("183 184,, 936\t32", true, &squares, &bad));
    EXPECT_EQ(squares, (std::vector<int>{183, 184, 936, 32}));
    EXPECT_TRUE(search::parseSquares("  ", true, &squares, &bad));
    EXPECT_EQ(squares.size(), 4u);
    for (const char* none : {"289", "0", "937", "18a", "-3"}) {
        EXPECT_FALSE(search::parseSquares(std::string("1 ") + none, true, &squares, &bad)) << none;
        EXPECT_EQ(bad, none);
    }
    EXPECT_EQ(search::datesApart("From", "1995-06-01", "to", "1995-01-01"),
              "From 1995-06-01 comes after to 1995-01-01: no cruise can meet both");
}

TEST(Criteria, LabelsAreTheFieldCaptions) {
    EXPECT_EQ(search::criterionLabel(0), "Project Name(s)");
    EXPECT_EQ(search::criterionLabel(2), "Area (Marsden square(s), IHB areas");
    EXPECT_EQ(search::criterionLabel(8), "Scientist's name(s) for queries");
    EXPECT_EQ(search::criterionLabel(9), "Parameter Codes etc");
}

} // namespace

namespace {

// Forms read from a file are searched in place; forms built line by line through the joined
// observation text. Both must give the same verdicts.
TEST(Criteria, ReadFormsAndBuiltFormsAgree) {
    const std::vector<std::vector<std::string>> forms = {
        {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "H09^12^a^^^3 at ULMA", "B01^4"},
        {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ""},
        {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "h10\nx^1", "b02^2"},
        {"0", "1"},
    };
    std::string file;
    for (const auto& f : forms) {
        for (const auto& l : f) file += l + "\r\n";
        file += "*\r\n";
    }
    testutil::MemoryFileSystem fs;
    fs.files["f"] = file;
    const std::vector<std::string> texts = {"b01", "12^a", "^B01", "", " OR x", "H10", "1^B02", "zz OR b02",
                                            "ULMA^", "X"};
    for (const auto& text : texts) {
        for (DataHeld held : {DataHeld::Any, DataHeld::AtUlma, DataHeld::NotAtUlma}) {
            CriteriaSet set;
            set.texts[9] = text;
            set.dataHeld = held;
            Criteria criteria;
            std::string err;
            ASSERT_TRUE(criteria.prepare(set, &err));
            auto input = fs.openRead("f", &err);
            search::FormReader reader(*input);
            Form read;
            for (const auto& lines : forms) {
                ASSERT_EQ(reader.next(read, &err), search::FormReader::Status::Form);
                Form built;
                for (const auto& l : lines) built.append(l);
                EXPECT_EQ(criteria.test(read), criteria.test(built)) << "text \"" << text << "\"";
            }
        }
    }
}

} // namespace
