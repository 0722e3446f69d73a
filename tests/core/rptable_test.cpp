// Tests of the code table: slots, keys, the two finds, the not-valid slot and the 18 code lists.
#include "tables/rptable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

using tables::RpTable;

namespace {

bool isUpperOrDigit(char c) {
    return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c));
}

// An observation-type code: a capital letter and two digits.
bool isTypeCode(std::string_view code) {
    return code.size() == 3 && std::isupper(static_cast<unsigned char>(code[0])) &&
           std::isdigit(static_cast<unsigned char>(code[1])) &&
           std::isdigit(static_cast<unsigned char>(code[2]));
}

} // namespace

TEST(RpTable, UnusedSlotsAreEmptyAndOutOfRangeSlotsReadEmpty) {
    RpTable table;
    EXPECT_EQ(table.entry(0), "");
    for (int slot = 1; slot <= 168; ++slot)
        EXPECT_FALSE(table.entry(slot).empty()) << "slot " << slot;
    for (int slot = 169; slot <= 200; ++slot)
        EXPECT_EQ(table.entry(slot), "") << "slot " << slot;
    EXPECT_EQ(table.entry(-1), "");
    EXPECT_EQ(table.entry(201), "");
    EXPECT_EQ(table.entry(100000), "");
    EXPECT_EQ(table.key(0), "");
    EXPECT_EQ(table.key(169), "");
    EXPECT_EQ(table.key(-5), "");
    EXPECT_EQ(table.key(201), "");
}

TEST(RpTable, EntriesAtRangeBoundaries) {
    RpTable table;
    EXPECT_EQ(table.entry(1), "M01 Upper air observations");
    EXPECT_EQ(table.entry(24), "D90 Other physical oceanographic measurements");
    EXPECT_EQ(table.entry(25), "H21 Oxygen");
    EXPECT_EQ(table.entry(91), "G90 Other geological/geophysical measurements");
    EXPECT_EQ(table.entry(92), "NOP");
    EXPECT_EQ(table.entry(93), "ATTNZR01 (H16)Red light attenuance (unspecified beam)");
    EXPECT_EQ(table.entry(168), "OCFXCZXX (B71)Particulate organic carbon flux (acidification unspecified)");
}

TEST(RpTable, IrregularEntriesKeepTheirBlanks) {
    RpTable table;
    EXPECT_EQ(table.entry(147), "ALPHPIP1 (B01)ALPHPIP1  Quantum yield (alpha)");
    EXPECT_EQ(table.entry(153), "CHLBSSP1  (B02)Spectrophotometric chlorophyll-b (SCOR)");
    EXPECT_EQ(table.entry(159), "PHAESPPZ  (B02)Spectrophotometric phaeopigments (Lorenzen)(Unspec filter)");
    EXPECT_EQ(table.entry(155), "CPHLPR01 (B02)In-situ fluorometer chlorophyll");
    EXPECT_EQ(table.entry(22), "D09 Sea level (incl. bottom pressure & inverted echosounder)");
    EXPECT_EQ(table.entry(167),
              "CORGCNP3 (B71)Particulate organic carbon (POC)(Unacicified C/N analysis GFC filter)");

    std::set<int> twoBlanks;
    for (int slot = 93; slot <= 168; ++slot) {
        if (table.entry(slot).substr(8, 3) == "  (") twoBlanks.insert(slot);
    }
    EXPECT_EQ(twoBlanks, (std::set<int>{152, 153, 154, 157, 158, 159}));
}

TEST(RpTable, StarMarksExactlyNineObservationTypes) {
    RpTable table;
    std::set<int> starred;
    for (int slot = 1; slot <= 168; ++slot) {
        const std::string& text = table.entry(slot);
        if (text.size() >= 2 && text.substr(text.size() - 2) == " *") starred.insert(slot);
    }
    EXPECT_EQ(starred, (std::set<int>{7, 11, 18, 83, 84, 85, 86, 87, 88}));
    EXPECT_EQ(table.entry(7), "H71 Surface measurements underway (T,S) *");
}

TEST(RpTable, KeyWidthFollowsTheSlotNumber) {
    RpTable table;
    EXPECT_EQ(RpTable::keyWidth(1), 3);
    EXPECT_EQ(RpTable::keyWidth(92), 3);
    EXPECT_EQ(RpTable::keyWidth(93), 8);
    EXPECT_EQ(RpTable::keyWidth(169), 8);
    EXPECT_EQ(table.key(25), "H21");
    EXPECT_EQ(table.key(92), "NOP");
    EXPECT_EQ(table.key(93), "ATTNZR01");
    EXPECT_EQ(table.key(119), "3H1HMXTX");
    EXPECT_EQ(table.key(153), "CHLBSSP1");
    EXPECT_EQ(table.key(147), "ALPHPIP1");
}

TEST(RpTable, EntriesHaveTheirLayout) {
    RpTable table;
    for (int slot = 1; slot <= 91; ++slot) {
        const std::string& text = table.entry(slot);
        EXPECT_TRUE(isTypeCode(table.key(slot))) << text;
        EXPECT_EQ(text[3], ' ') << text;
        EXPECT_NE(text[4], ' ') << text;
    }
    for (int slot = 93; slot <= 168; ++slot) {
        const std::string& text = table.entry(slot);
        std::string_view key = table.key(slot);
        for (char c : key)
            EXPECT_TRUE(isUpperOrDigit(c)) << text;
        // Code, one or two blanks, "(Xnn)", then the definition with no blank before it.
        std::size_t open = text.find('(');
        ASSERT_TRUE(open == 9 || open == 10) << text;
        EXPECT_EQ(text.substr(8, open - 8), std::string(open - 8, ' ')) << text;
        EXPECT_TRUE(isTypeCode(std::string_view(text).substr(open + 1, 3))) << text;
        EXPECT_EQ(text[open + 4], ')') << text;
        EXPECT_NE(text[open + 5], ' ') << text;
        EXPECT_GT(table.findByCode(std::string_view(text).substr(open + 1, 3)), 0)
            << "unknown tag in " << text;
    }
}

TEST(RpTable, EveryKeyFindsItsOwnSlot) {
    RpTable table;
    std::set<std::string> keys;
    for (int slot = 1; slot <= 168; ++slot) {
        keys.insert(std::string(table.key(slot)));
        EXPECT_EQ(table.findByCode(table.key(slot)), slot) << table.entry(slot);
    }
    EXPECT_EQ(keys.size(), 168u);
}

TEST(RpTable, FindByCodeIsExactAndCaseSensitive) {
    RpTable table;
    EXPECT_EQ(table.findByCode("H21"), 25);
    EXPECT_EQ(table.findByCode("h21"), 0);
    EXPECT_EQ(table.findByCode("H16"), 13);
    EXPECT_EQ(table.findByCode("NNUPRBP1"), 109);
    EXPECT_EQ(table.findByCode("CHLBSSP1"), 153);
    EXPECT_EQ(table.findByCode("NOP"), 92);
    EXPECT_EQ(table.findByCode("3H1HMXTX"), 119);
    EXPECT_EQ(table.findByCode("OCFXCZXX"), 168);
    EXPECT_EQ(table.findByCode(""), 0);
    EXPECT_EQ(table.findByCode("H2"), 0);
    EXPECT_EQ(table.findByCode("H21 "), 0);
    EXPECT_EQ(table.findByCode("H21 Oxygen"), 0);
    EXPECT_EQ(table.findByCode("ATTNZR0"), 0);
    EXPECT_EQ(table.findByCode("ATTNZR01X"), 0);
    EXPECT_EQ(table.findByCode("ZZZ"), 0);
    EXPECT_EQ(table.entry(169), "");
}

TEST(RpTable, SameDefinitionsStaySeparateSlots) {
    RpTable table;
    const std::vector<std::pair<int, int>> pairs = {{97, 108},  {98, 99},   {100, 101}, {102, 103},
                                                    {104, 105}, {106, 107}, {132, 133}, {138, 139},
                                                    {140, 141}, {142, 143}};
    for (auto [a, b] : pairs) {
        EXPECT_EQ(table.entry(a).substr(8), table.entry(b).substr(8)) << a << " " << b;
        EXPECT_NE(table.key(a), table.key(b));
        EXPECT_EQ(table.findByCode(table.key(a)), a);
        EXPECT_EQ(table.findByCode(table.key(b)), b);
    }
    EXPECT_EQ(table.key(98), "NPUPRDP1");
    EXPECT_EQ(table.key(99), "NPUPRDP4");
}

TEST(RpTable, FindByLineMatchesLeadingCharacters) {
    RpTable table;
    EXPECT_EQ(table.findByLine("H16XYZ^4"), 13);
    EXPECT_EQ(table.findByLine("H21^12 stations"), 25);
    EXPECT_EQ(table.findByLine("H21"), 25);
    EXPECT_EQ(table.findByLine("NOP^"), 92);
    EXPECT_EQ(table.findByLine("ATTNZR01^3"), 93);
    EXPECT_EQ(table.findByLine("CHLBSSP1^10 casts"), 153);
    // Observation types are scanned first, so a parameter code that begins like one never reaches its slot.
    EXPECT_EQ(table.findByLine("H22XXXXX^1"), 28);
    EXPECT_EQ(table.findByLine("B02ABCDE^1"), 50);
    // The line decides, not the code passed along.
    EXPECT_EQ(table.findByLine("M01^2"), 1);
    EXPECT_EQ(table.entry(169), "");
}

TEST(RpTable, FailedFindByLineGivesTheNotValidSlotAndChangesNothing) {
    const RpTable table;
    for (const char* line : {"QQQQ^1", "XYZABCDE^5 casts", "h21^1", "H2", ""})
        EXPECT_EQ(table.findByLine(line), 169) << line;
    // The table is the same afterwards: its text is made by the report writer.
    EXPECT_EQ(table.entry(169), "");
    EXPECT_EQ(table.findByLine("H21^1"), 25);
    EXPECT_EQ(RpTable::keyWidth(169), 8);
}

TEST(RpTable, ListRangesAndRowCounts) {
    const std::vector<std::pair<int, int>> ranges = {
        {1, 24},    {25, 48},   {49, 75},   {76, 91},   {93, 93},   {94, 94},
        {95, 109},  {110, 118}, {119, 123}, {124, 124}, {125, 130}, {131, 143},
        {144, 144}, {145, 146}, {147, 151}, {152, 160}, {161, 162}, {163, 168}};
    const std::vector<std::size_t> rowCounts = {24, 24, 27, 16, 1, 1, 15, 9, 5, 1, 6, 13, 1, 2, 5, 9, 2, 6};
    RpTable table;
    std::size_t total = 0;
    for (int list = 0; list < RpTable::kListCount; ++list) {
        EXPECT_EQ(RpTable::listFirstSlot(list), ranges[list].first) << "list " << list;
        EXPECT_EQ(RpTable::listLastSlot(list), ranges[list].second) << "list " << list;
        const std::vector<std::string> rows = table.listRows(list);
        ASSERT_EQ(rows.size(), rowCounts[list]) << "list " << list;
        for (std::size_t r = 0; r < rows.size(); ++r)
            EXPECT_EQ(rows[r], table.entry(ranges[list].first + static_cast<int>(r)));
        total += rows.size();
    }
    EXPECT_EQ(total, 167u);
    EXPECT_TRUE(table.listRows(-1).empty());
    EXPECT_TRUE(table.listRows(18).empty());
}

TEST(RpTable, ListsHoldNoNopAndEndWithTheRightRows) {
    RpTable table;
    for (int list = 0; list < RpTable::kListCount; ++list) {
        for (const std::string& row : table.listRows(list))
            EXPECT_NE(row.substr(0, 3), "NOP") << "list " << list;
    }
    EXPECT_EQ(table.listRows(0).front(), "M01 Upper air observations");
    EXPECT_EQ(table.listRows(3).back(), "G90 Other geological/geophysical measurements");
    EXPECT_EQ(table.listRows(4).front(), "ATTNZR01 (H16)Red light attenuance (unspecified beam)");
    EXPECT_EQ(table.listRows(6).back(), "NNUPRBP1 (H24)Normalised nitrate uptake (188 uE/m2/s)");
    EXPECT_EQ(table.listRows(17).back(),
              "OCFXCZXX (B71)Particulate organic carbon flux (acidification unspecified)");
}

TEST(RpTable, RowCodesFindTheirSlots) {
    RpTable table;
    for (int list = 0; list < RpTable::kListCount; ++list) {
        const int width = RpTable::listCodeWidth(list);
        EXPECT_EQ(width, list < 4 ? 3 : 8);
        int slot = RpTable::listFirstSlot(list);
        for (const std::string& row : table.listRows(list))
            EXPECT_EQ(table.findByCode(std::string_view(row).substr(0, width)), slot++) << row;
    }
}

TEST(RpTable, ParameterListsGroupTheirTypeTag) {
    RpTable table;
    for (int list = 4; list < RpTable::kListCount; ++list) {
        std::string tag = "(";
        tag.append(RpTable::listCaption(list).substr(0, 3)).append(")");
        for (int slot = RpTable::listFirstSlot(list); slot <= RpTable::listLastSlot(list); ++slot) {
            if (slot == 109) {
                EXPECT_NE(table.entry(slot).find("(H24)"), std::string::npos);
                continue;
            }
            EXPECT_NE(table.entry(slot).find(tag), std::string::npos) << table.entry(slot);
        }
    }
}

TEST(RpTable, ListCaptionsAreTheMenuTexts) {
    const std::vector<std::string> captions = {
        "&Meteorlogy/Physical Oceanography",
        "&Chemical Oceanography/Pollution",
        "&Biological Oceanography/Fisheries",
        "&Geology/Geophysics",
        "H16 &Transparency",
        "H17 &Optics",
        "H22 &Phosphate",
        "H30 &Trace Elements",
        "H32 &Isotopes",
        "H33 &Other Dissolved Gases",
        "H73 &Geochemical Tracers",
        "H74 &Carbon Dioxide",
        "H76 &Ammonia",
        "H90 &Other Chemical Oceanography",
        "B01 &Primary Productivity",
        "B02 Ph&ytoplankton  Pigments",
        "B06 &Dissolved Organic Matter (eg DOC)",
        "B71 Particulate Organic Matter",
    };
    for (int list = 0; list < RpTable::kListCount; ++list)
        EXPECT_EQ(RpTable::listCaption(list), captions[list]) << "list " << list;
    EXPECT_EQ(RpTable::listCaption(-1), "");
    EXPECT_EQ(RpTable::listCaption(18), "");
}
