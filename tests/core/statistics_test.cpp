// Tests of the counting rules of the statistics.
#include "search/statistics.h"

#include <gtest/gtest.h>

namespace {

using search::Form;
using search::Statistics;

struct StatsFixture : ::testing::Test {
    tables::RpTable table;
    Statistics stats;
    Form form;
    std::vector<std::string> storage;

    /// Makes a form of header lines 0 to 9 (line 0 = id, line 9 = line9) and the observation lines.
    const Form& make(const std::string& id, const std::vector<std::string>& observations,
                     const std::string& line9 = "free text") {
        storage.assign(10, "");
        storage[0] = id;
        storage[9] = line9;
        storage.insert(storage.end(), observations.begin(), observations.end());
        form.clear();
        for (const auto& l : storage) form.append(l);
        return form;
    }
};

TEST(StatisticsCode, CodeOfALine) {
    EXPECT_EQ(Statistics::lineCode("H09^12"), "H09");
    EXPECT_EQ(Statistics::lineCode("H09T^12"), "H09");
    EXPECT_EQ(Statistics::lineCode("ATTNZR01^4"), "ATTNZR01");
    EXPECT_EQ(Statistics::lineCode("H09"), "H09");
    EXPECT_EQ(Statistics::lineCode("ATTNZR01"), "ATT");
    EXPECT_EQ(Statistics::lineCode("^12"), "");
    EXPECT_EQ(Statistics::lineCode("H0^1"), "H0");
    EXPECT_EQ(Statistics::lineCode(""), "");
}

TEST(StatisticsCode, StationNumberIsField2WhenAllDigits) {
    EXPECT_EQ(Statistics::stationNumber("H09^12^a"), "12");
    EXPECT_EQ(Statistics::stationNumber("H09^12a^a"), "");
    EXPECT_EQ(Statistics::stationNumber("H09^12"), "12");
    EXPECT_EQ(Statistics::stationNumber("H09^^a"), "");
    EXPECT_EQ(Statistics::stationNumber("42"), "42"); // no separator: the whole line
    EXPECT_EQ(Statistics::stationNumber("H09^ 12^"), "");
    EXPECT_EQ(Statistics::stationNumber("H09^-3^a"), "");
}

TEST(StatisticsCode, WholeNumbersAddWithoutRounding) {
    search::WholeNumber n;
    EXPECT_EQ(n.text(), "0");
    n.add("");
    n.add("000");
    EXPECT_EQ(n.text(), "0");
    n.add("1000000000000000"); // 10^15, past the exact digits of a printf %.15g
    EXPECT_EQ(n.text(), "1000000000000000");
    n.add("0007");
    EXPECT_EQ(n.text(), "1000000000000007");

    search::WholeNumber big;
    big.add("18446744073709551615"); // 2^64 - 1, the largest 64-bit word
    EXPECT_EQ(big.text(), "18446744073709551615");
    big.add("1");
    EXPECT_EQ(big.text(), "18446744073709551616");
    big.add("99999999999999999999999999999999999999");
    EXPECT_EQ(big.text(), "100000000000000000018446744073709551615");
    big.add("5");
    EXPECT_EQ(big.text(), "100000000000000000018446744073709551620");

    search::WholeNumber longText; // more digits than a word holds, from the first number on
    longText.add("123456789012345678901234567890");
    longText.add("9");
    EXPECT_EQ(longText.text(), "123456789012345678901234567899");
}

TEST_F(StatsFixture, TypesCountUnderTheirSlotAndTimeSeriesUnderTheType) {
    stats.reset({});
    stats.countObservationTypes(make("f1", {"H09^1", "H09T^2", "NOP", "ATTNZR01^3", "H09^4"}), table);
    EXPECT_EQ(stats.typeCount(9), 3);  // "H09 Water bottle stations"
    EXPECT_EQ(stats.typeCount(92), 1); // NOP
    EXPECT_EQ(stats.typeCount(93), 1); // ATTNZR01
    EXPECT_EQ(stats.unidentifiedCount(), 0);
}

TEST_F(StatsFixture, Line9BeginningWithACodeIsFaultyAndNotCounted) {
    stats.reset({});
    EXPECT_EQ(stats.countObservationTypes(make("f1", {}, "H09^1"), table), 1);
    EXPECT_EQ(stats.typeCount(9), 0);
    EXPECT_EQ(stats.countObservationTypes(make("f1", {}, "h09^1"), table), 0);
    EXPECT_EQ(stats.countObservationTypes(make("f1", {}, "H09T"), table), 1);
    // A form of fewer than ten lines has no line 9.
    form.clear();
    form.append("H09");
    EXPECT_EQ(stats.countObservationTypes(form, table), 0);
}

TEST_F(StatsFixture, UnknownCodesAreListedOnceWithTheFirstForm) {
    stats.reset({});
    stats.countObservationTypes(make("first", {"H99^1", "", "H99^2"}), table);
    stats.countObservationTypes(make("second", {"H99^1", "XYZ12345^1"}), table);
    ASSERT_EQ(stats.unidentifiedCount(), 3);
    EXPECT_EQ(stats.unidentified(1).code, "H99");
    EXPECT_EQ(stats.unidentified(1).line0, "first");
    EXPECT_EQ(stats.unidentified(2).code, "");
    EXPECT_EQ(stats.unidentified(3).code, "XYZ12345");
    EXPECT_EQ(stats.unidentified(3).line0, "second");
}

TEST_F(StatsFixture, FullUnidentifiedListReplacesEntry50) {
    stats.reset({});
    std::vector<std::string> codes;
    for (int i = 0; i < 52; ++i) codes.push_back("Q" + std::to_string(10 + i) + "^1");
    stats.countObservationTypes(make("f", codes), table);
    EXPECT_EQ(stats.unidentifiedCount(), 50);
    EXPECT_EQ(stats.unidentified(49).code, "Q58");
    EXPECT_EQ(stats.unidentified(50).code, "Q61");
    // A code already among entries 1 to 49 takes the count back to 49.
    stats.countObservationTypes(make("g", {"Q10^1"}), table);
    EXPECT_EQ(stats.unidentifiedCount(), 49);
    // Entry 50's own code is not among 1 to 49, so it is stored again with its new form.
    stats.countObservationTypes(make("h", {"Q61^1"}), table);
    EXPECT_EQ(stats.unidentifiedCount(), 50);
    EXPECT_EQ(stats.unidentified(50).line0, "h");
}

TEST_F(StatsFixture, StationTotalsOfSelectedParameters) {
    stats.reset({"H09", "H10", "H0"});
    stats.countStations(make("f", {"H09^12^a", "H09^12a^a", "h10^3", "X^5^H0"}));
    EXPECT_EQ(stats.stationTotal(0).text(), "12");
    EXPECT_EQ(stats.stationTotal(1).text(), "3");
    EXPECT_EQ(stats.stationTotal(2).text(), "17"); // 12 + 0 + 5: "H10" does not contain "H0"
    stats.reset({""});
    stats.countStations(make("f", {"H09^2", "", "A^4"}));
    EXPECT_EQ(stats.stationTotal(0).text(), "6"); // the empty text is in every non-empty line
    stats.reset({"H09"});
    stats.countStations(make("f", {"H09^9007199254740993", "H09^1"}));
    EXPECT_EQ(stats.stationTotal(0).text(), "9007199254740994"); // 2^53 + 2, beyond a double's whole numbers
}

} // namespace
