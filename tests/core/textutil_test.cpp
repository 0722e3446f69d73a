// Tests of the single-byte text helpers.
#include "search/composition.h"
#include "search/textutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using namespace search;

TEST(TextUtil, UpperCaseFoldsWindows1252Letters) {
    EXPECT_EQ(upperCase("north sea 12^x"), "NORTH SEA 12^X");
    EXPECT_EQ(upperCase("\xe0\xe9\xfe\xf7\xff\x9a\x9c\x9e"), "\xc0\xc9\xde\xf7\x9f\x8a\x8c\x8e");
    EXPECT_EQ(upperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(lowerCase("AB\xc0\xd7\x8a"), "ab\xe0\xd7\x9a");
}

TEST(TextUtil, UpperCaseOfLongTextAgreesWithEveryByte) {
    std::string all;
    for (int round = 0; round < 3; ++round)
        for (int c = 255; c >= 0; --c) all += static_cast<char>(c);
    all += "tail";
    const std::string upper = upperCase(all);
    ASSERT_EQ(upper.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(upper[i], upperChar(all[i])) << "byte " << i;
    EXPECT_EQ(upperChar('a'), 'A');
    EXPECT_EQ(upperChar('\xf7'), '\xf7');
    EXPECT_EQ(upperChar('\xff'), '\x9f');
    EXPECT_EQ(upperChar('{'), '{');
}

TEST(TextUtil, FindUpperCasedAgreesWithUpperCasingFirst) {
    // Texts of a small alphabet with both letter cases and the Latin-1 pairs, so that matches,
    // near misses and every chunk position occur.
    const std::string alphabet = "aAbB^\xe9\xc9\xff\x9f\x9a\x8a\r";
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 2000; ++round) {
        std::string text, needle;
        for (std::size_t n = next() % 70; n > 0; --n) text += alphabet[(next() >> 8) % alphabet.size()];
        for (std::size_t n = 1 + next() % 4; n > 0; --n) needle += alphabet[(next() >> 8) % alphabet.size()];
        needle = upperCase(needle);
        ASSERT_EQ(findUpperCased(text, needle), upperCase(text).find(needle)) << text << " / " << needle;
    }
    EXPECT_TRUE(containsUpperCased("x", ""));
    EXPECT_FALSE(containsUpperCased("", ""));
    EXPECT_EQ(findUpperCased("h09^Ab", "AB"), 4u);
}

TEST(TextUtil, ContainsFindsTheEmptyNeedleOnlyInNonEmptyText) {
    EXPECT_TRUE(containsUpperCased("Northern Ireland", "IRELAND"));
    EXPECT_FALSE(containsUpperCased("Ireland", "NORTHERN IRELAND"));
    EXPECT_TRUE(containsUpperCased("x", ""));
    EXPECT_FALSE(containsUpperCased("", ""));
}

TEST(TextUtil, FieldsSplitAtSeparatorWithEightAtMost) {
    const std::string line = "1^2^3^4^5^6^7^8^9^10^11";
    EXPECT_EQ(field(line, 1), "1");
    EXPECT_EQ(field(line, 7), "7");
    EXPECT_EQ(field(line, 8), "8^9^10^11");
    EXPECT_EQ(field("a^b", 3), "");
    EXPECT_EQ(field("a^^c", 2), "");
    EXPECT_EQ(field("a^", 2), "");
    EXPECT_EQ(field("", 1), "");
    for (std::string_view l : {std::string_view(line), std::string_view("a^^c^"), std::string_view(""),
                               std::string_view("^"), std::string_view("1^2^3^4^5^6^7^8")}) {
        const Fields fields(l);
        for (int n = 0; n <= 9; ++n) EXPECT_EQ(fields[n], field(l, n)) << l << " field " << n;
    }
}

TEST(TextUtil, NumericValueReadsTheLeadingNumber) {
    EXPECT_EQ(numericValue("12 at ULMA"), 12);
    EXPECT_EQ(numericValue("   -3.5x"), -3.5);
    EXPECT_EQ(numericValue("+7"), 7);
    EXPECT_EQ(numericValue(".5"), 0.5);
    EXPECT_EQ(numericValue("abc"), 0);
    EXPECT_EQ(numericValue(""), 0);
    EXPECT_EQ(numericValue("- 4"), 0);
    EXPECT_EQ(numericValue("4 5"), 4);
    EXPECT_EQ(numericValue("12."), 12);
    EXPECT_EQ(numericValue("."), 0);
    EXPECT_EQ(numericValue("1e5"), 1); // no exponent: the number ends at the "e"
}

TEST(TextUtil, NumericValueIsTheNearestDouble) {
    // Digit-by-digit sums drift in the last place: 3 * 0.1 is 0.30000000000000004.
    EXPECT_EQ(numericValue("0.3"), 0.3);
    EXPECT_EQ(numericValue("2.675"), 2.675);
    EXPECT_EQ(numericValue("-123.456789"), -123.456789);
    EXPECT_EQ(numericValue("9007199254740993"), 9007199254740992.0); // 2^53 + 1 ties to even
    EXPECT_EQ(numericValue("340282356779733661637539395458142568447 at ULMA"), 0x1.ffffffp127);
    EXPECT_EQ(numericValue(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(numericValue("-" + std::string(400, '9')), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(numericValue("0." + std::string(400, '0') + "1"), 0);
}

TEST(TextUtil, SinglePrecisionRoundsToNearestAndOverflowsAtTheHalfwayPoint) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    constexpr float kLargest = std::numeric_limits<float>::max();
    // Halfway between the largest single and 2^128, and the text just below it, whose nearest
    // double is that same halfway value: both give infinity.
    EXPECT_EQ(singlePrecision(numericValue("340282356779733661637539395458142568448")), kInfinity);
    EXPECT_EQ(singlePrecision(numericValue("340282356779733661637539395458142568447")), kInfinity);
    EXPECT_EQ(singlePrecision(numericValue("-340282356779733661637539395458142568448")), -kInfinity);
    EXPECT_EQ(singlePrecision(numericValue("340282346638528859811704183484516925440")), kLargest);
    EXPECT_EQ(singlePrecision(numericValue("340282350000000000000000000000000000000")), kLargest);
    EXPECT_EQ(singlePrecision(numericValue("16777217")), 16777216.0f); // ties to even
    EXPECT_EQ(singlePrecision(12.0), 12.0f);
    EXPECT_TRUE(std::isnan(singlePrecision(std::numeric_limits<double>::quiet_NaN())));
}

TEST(TextUtil, NumbersAsTextAndAsNumbers) {
    EXPECT_EQ(countText(250), " 250");
    EXPECT_EQ(countText(0), " 0");
    EXPECT_EQ(countText(-4), "-4");
    EXPECT_EQ(numberText(250), " 250 ");
    EXPECT_EQ(numberText(-4), "-4 ");
}

TEST(TextUtil, FloatTextIsPlainForWholeValuesBelowTenMillion) {
    EXPECT_EQ(floatText(15.0f), "15");
    EXPECT_EQ(floatText(0.0f), "0");
    EXPECT_EQ(floatText(-3.0f), "-3");
    EXPECT_EQ(floatText(9999999.0f), "9999999");
    EXPECT_EQ(floatText(1.5f), "1.5");
    EXPECT_EQ(floatText(12345678.0f), "1.234568e+07");
    EXPECT_EQ(floatText(10000000.0f), "1e+07");
    EXPECT_EQ(floatText(0.1f), "0.1");
}

TEST(TextUtil, FloatTextOfInfinityAndNotANumber) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    EXPECT_EQ(floatText(kInfinity), "inf");
    EXPECT_EQ(floatText(-kInfinity), "-inf");
    // Infinity minus infinity has the sign bit set on x86; printf would write "-nan".
    volatile float up = kInfinity, down = -kInfinity;
    const float sum = up + down;
    EXPECT_EQ(floatText(sum), "nan");
    EXPECT_EQ(floatText(-sum), "nan");
}

TEST(TextUtil, Windows1252BecomesUtf8) {
    EXPECT_EQ(fromWindows1252("Troms\xf8 \x80\x92""95 \xe9"), "Troms\u00f8 \u20ac\u201995 \u00e9");
    EXPECT_EQ(fromWindows1252("\x9f\xff\x8a\x9a"), "\u0178\u00ff\u0160\u0161");
    // The bytes Windows-1252 leaves unassigned keep their number.
    EXPECT_EQ(fromWindows1252("\x81\x8d\x8f\x90\x9d"), "\u0081\u008d\u008f\u0090\u009d");
    EXPECT_EQ(fromWindows1252(std::string("a\0b^", 4)), std::string("a\0b^", 4));
}

TEST(TextUtil, DecomposedLettersAreComposedWhereWindows1252HasThem) {
    using search::composeForWindows1252;
    EXPECT_EQ(composeForWindows1252("Re\u0301union"), "R\u00e9union");
    EXPECT_EQ(composeForWindows1252("S\u030Cibenik, Troms\u00f8, Y\u0308"), "\u0160ibenik, Troms\u00f8, \u0178");
    EXPECT_EQ(composeForWindows1252("C\u0327a A\u030A n\u0303 u\u0341"), "\u00c7a \u00c5 \u00f1 \u00fa");
    // Signs whose canonical form is a letter or mark of Windows-1252.
    EXPECT_EQ(composeForWindows1252("\u212B \u212A \u0387 \u037E"), "\u00c5 K \u00b7 ;");
    // No composed form in Windows-1252, or nothing to compose with: left as written.
    EXPECT_EQ(composeForWindows1252("s\u0302 \u0301e \u00e9\u0301 q\u0300"), "s\u0302 \u0301e \u00e9\u0301 q\u0300");
    EXPECT_EQ(composeForWindows1252("\u20ac \U0001F30A"), "\u20ac \U0001F30A");
}

TEST(TextUtil, LeftMidAndTrim) {
    EXPECT_EQ(left("abc", 5), "abc");
    EXPECT_EQ(mid("abcdef", 4, 25), "def");
    EXPECT_EQ(mid("abc", 4, 25), "");
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta "), "\ta");
}

} // namespace
