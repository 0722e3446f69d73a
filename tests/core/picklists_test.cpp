// Tests of the IHB area table and the five pick-list tables.
#include "tables/picklists.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

using tables::PickTable;

namespace {

struct Expected {
    const char* name;
    const PickTable& table;
    std::size_t slots;
    int lastValue;
    std::string heading;
    std::string first;
    std::string last;
};

std::vector<Expected> allTables() {
    return {
        {"projtable", tables::projtable(), 31, 22, "Some Projects in ULMA Kervos Database", "WOCE", "GSP"},
        {"cunttable", tables::cunttable(), 31, 27, "Some Countries in ULMA Kervos Database", "Angola",
         "USSR"},
        {"ihbtable", tables::ihbtable(), 114, 113, "IHB" + std::string(15, ' ') + "Description of Area",
         "01  Baltic Sea", "66  Bismarck Sea"},
        {"agentable", tables::agentable(), 31, 27, "Some Operating Agencies in ULMA Kervos Database",
         "Ministry of Public Health", "NSF"},
        {"monthtable", tables::monthtable(), 15, 13, "Months", "Jan", "Dec"},
        {"shiptable", tables::shiptable(), 31, 20, "Some Ships in ULMA Kervos Database", "Franklin",
         "Musson"},
    };
}

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

TEST(PickTable, SlotCountsHeadingsAndFirstAndLastValues) {
    for (const Expected& e : allTables()) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.table.slots.size(), e.slots);
        EXPECT_EQ(e.table.lastValue, e.lastValue);
        EXPECT_EQ(e.table.heading, e.heading);
        ASSERT_LT(static_cast<std::size_t>(e.table.lastValue), e.table.slots.size());
        EXPECT_EQ(e.table.slots[2], e.first);
        EXPECT_EQ(e.table.slots[e.table.lastValue], e.last);
    }
}

TEST(PickTable, ValuesFillSlotsTwoToLastOnly) {
    for (const Expected& e : allTables()) {
        SCOPED_TRACE(e.name);
        const PickTable& t = e.table;
        EXPECT_TRUE(t.slots[0].empty());
        EXPECT_TRUE(t.slots[1].empty());
        for (int slot = 2; slot <= t.lastValue; ++slot)
            EXPECT_FALSE(t.slots[slot].empty()) << "slot " << slot;
        for (std::size_t slot = t.lastValue + 1; slot < t.slots.size(); ++slot)
            EXPECT_TRUE(t.slots[slot].empty()) << "slot " << slot;
    }
}

TEST(PickTable, ListRowCountsIncludeHeadingAndEmptyRow) {
    // Row r of a list is slot r, so a list has lastValue + 1 rows.
    EXPECT_EQ(tables::projtable().lastValue + 1, 23);
    EXPECT_EQ(tables::cunttable().lastValue + 1, 28);
    EXPECT_EQ(tables::ihbtable().lastValue + 1, 114);
    EXPECT_EQ(tables::agentable().lastValue + 1, 28);
    EXPECT_EQ(tables::monthtable().lastValue + 1, 14);
    EXPECT_EQ(tables::shiptable().lastValue + 1, 21);
}

TEST(PickTable, MonthsInCalendarOrder) {
    const std::vector<std::string> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const PickTable& t = tables::monthtable();
    for (std::size_t i = 0; i < months.size(); ++i)
        EXPECT_EQ(t.slots[i + 2], months[i]);
}

TEST(PickTable, ValuesKeepTheirCaseAndSpelling) {
    EXPECT_EQ(tables::projtable().slots[6], "Overflow");
    EXPECT_EQ(tables::projtable().slots[14], "FLUXMANCHE");
    EXPECT_EQ(tables::cunttable().slots[10], "FRG");
    EXPECT_EQ(tables::cunttable().slots[12], "GDR");
    EXPECT_EQ(tables::agentable().slots[13], "Bundesamt fur Seeschiffahrt und Hydrographie");
    EXPECT_EQ(tables::agentable().slots[9], "Fiskirannsoeknarstovan");
    EXPECT_EQ(tables::shiptable().slots[10], "Celtic Voyager");
    EXPECT_EQ(tables::shiptable().slots[19], "Endeavor");
}

TEST(PickTable, OnlyTwoAgenciesHoldTheOrSeparator) {
    std::vector<std::string> withOr;
    for (const Expected& e : allTables()) {
        for (std::string_view value : e.table.slots) {
            if (value.find(" OR ") != std::string_view::npos) withOr.emplace_back(value);
        }
    }
    EXPECT_EQ(withOr, (std::vector<std::string>{"MAFF OR CEFAS", "DAFS OR SOAFED"}));
    EXPECT_EQ(tables::agentable().slots[25], "MAFF OR CEFAS");
    EXPECT_EQ(tables::agentable().slots[26], "DAFS OR SOAFED");
}

TEST(PickTable, IhbEntriesHaveTheFixedLayout) {
    const PickTable& t = tables::ihbtable();
    for (int slot = 2; slot <= t.lastValue; ++slot) {
        std::string_view text = t.slots[slot];
        ASSERT_GE(text.size(), 5u) << text;
        EXPECT_TRUE(isDigit(text[0]) && isDigit(text[1])) << text;
        EXPECT_TRUE(text[2] == ' ' || (text[2] >= 'a' && text[2] <= 'o')) << text;
        EXPECT_EQ(text[3], ' ') << text;
        EXPECT_NE(text[4], ' ') << text;
    }
}

TEST(PickTable, IhbWholeAreasAreFollowedByTheirSubAreas) {
    const PickTable& t = tables::ihbtable();
    int wholeAreas = 0;
    int subAreas = 0;
    int area = 0;
    char nextLetter = 'a';
    for (int slot = 2; slot <= t.lastValue; ++slot) {
        std::string_view text = t.slots[slot];
        const int number = (text[0] - '0') * 10 + (text[1] - '0');
        if (text[2] == ' ') {
            ++wholeAreas;
            EXPECT_EQ(number, area + 1) << text;
            area = number;
            nextLetter = 'a';
        } else {
            ++subAreas;
            EXPECT_EQ(number, area) << text;
            EXPECT_EQ(text[2], nextLetter) << text;
            ++nextLetter;
        }
    }
    EXPECT_EQ(area, 66);
    EXPECT_EQ(wholeAreas, 66);
    EXPECT_EQ(subAreas, 46);
}

TEST(PickTable, IhbAreaFortyEightHasFifteenSubAreas) {
    const PickTable& t = tables::ihbtable();
    EXPECT_EQ(t.slots[74], "48  East Indian Archipelago (Indonesia)");
    EXPECT_EQ(t.slots[75], "48a Sulu Sea");
    EXPECT_EQ(t.slots[89], "48o Savu Sea");
    EXPECT_EQ(t.slots[90].substr(0, 3), "49 ");
}

TEST(PickTable, IhbKeysKeepTheTrailingBlank) {
    const PickTable& t = tables::ihbtable();
    EXPECT_EQ(t.slots[39], "28  Mediterranean Sea");
    EXPECT_EQ(t.slots[39].substr(0, 3), "28 ");
    EXPECT_EQ(t.slots[40].substr(0, 3), "28a");
    EXPECT_EQ(t.slots[49].substr(0, 3), "28j");
    EXPECT_EQ(t.slots[3].substr(0, 3), "01a");
    std::set<std::string_view> keys;
    for (int slot = 2; slot <= t.lastValue; ++slot)
        keys.insert(t.slots[slot].substr(0, 3));
    EXPECT_EQ(keys.size(), 112u);
}

TEST(PickTable, IhbNamesKeepTheirSpellings) {
    const PickTable& t = tables::ihbtable();
    EXPECT_EQ(t.slots[24], "17  Artic Ocean");
    EXPECT_EQ(t.slots[59], "36  Gulf of Agaba");
    EXPECT_EQ(t.slots[79], "48e Halmahra Sea");
    EXPECT_EQ(t.slots[68], "45  Indian Sea");
    EXPECT_EQ(t.slots[102], "59  Coastal Waters of SE Alaska and");
    EXPECT_EQ(t.slots[103], "59a British Columbia");
    EXPECT_EQ(t.slots[27], "19  Irish Sea and the St. George's Channel");

    std::set<int> capitalLimit;
    std::set<int> lowerLimit;
    for (int slot = 2; slot <= t.lastValue; ++slot) {
        if (t.slots[slot].find("Limit") != std::string_view::npos) capitalLimit.insert(slot);
        if (t.slots[slot].find("limit") != std::string_view::npos) lowerLimit.insert(slot);
    }
    EXPECT_EQ(capitalLimit, (std::set<int>{33, 34}));
    EXPECT_EQ(lowerLimit, (std::set<int>{54, 55, 99, 100, 106, 107}));
}
