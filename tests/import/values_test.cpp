// Values of records: cleaning, dates and coordinates.
#include <gtest/gtest.h>

#include "import/calendardate.h"
#include "import/decimal.h"
#include "import/formtext.h"

namespace {

using csrimport::CalendarDate;
using csrimport::Decimal;

TEST(FormText, ConvertsThenCleans) {
    EXPECT_EQ(csrimport::formText(" Leg\t2 ^ North \r\n ").text, "Leg 2 / North");
    // An ideographic space becomes a blank by transliteration and is cleaned with the others.
    EXPECT_EQ(csrimport::formText("a\u3000 b").text, "a b");
    EXPECT_EQ(csrimport::formText("a\u3000 b").transliterated, 1u);
    EXPECT_EQ(csrimport::formText("a\u00A0 b").text, "a\xA0 b");
    EXPECT_EQ(csrimport::trimWhitespace("\r\n a  b\t "), "a  b");
    EXPECT_EQ(csrimport::formLine("*x"), " *x");
    EXPECT_EQ(csrimport::formLine("x*"), "x*");
}

TEST(CalendarDate, ReadsTheFirstTenCharacters) {
    ASSERT_TRUE(CalendarDate::parse(" 2000-02-29T23:59:59Z"));
    EXPECT_EQ(CalendarDate::parse("2000-02-29")->isoText(), "2000-02-29");
    EXPECT_EQ(CalendarDate::parse("1994-01-04")->shortText(), "04/01/94");
    EXPECT_STREQ(CalendarDate::parse("1994-12-04")->monthName(), "Dec");
    for (const char* bad : {"1900-02-29", "1994-13-01", "1994-04-31", "94-01-04", "1994-1-4", "0999-12-31",
                            "3000-01-01", "1994/01/04", "", "1994-01-0"})
        EXPECT_FALSE(CalendarDate::parse(bad)) << bad;
    EXPECT_TRUE(CalendarDate::parse("2999-12-31"));
    EXPECT_TRUE(CalendarDate::parse("1000-01-01"));
}

TEST(Decimal, ReadsSignedDecimalsWithExponents) {
    for (const char* good : {"1", "-1.5", "+.5", "5.", "1e3", "1.5E-2", "-0", " 7 "}) EXPECT_TRUE(Decimal::parse(good)) << good;
    for (const char* bad : {"", ".", "-", "1e", "1e+", "1.2.3", "1,5", "0x1", "1 2", "e5", "NaN", "inf"})
        EXPECT_FALSE(Decimal::parse(bad)) << bad;
    EXPECT_TRUE(*Decimal::parse("20") == *Decimal::parse("2e1"));
    EXPECT_TRUE(*Decimal::parse("-0.0") == *Decimal::parse("0"));
    EXPECT_FALSE(*Decimal::parse("20") == *Decimal::parse("20.001"));
    EXPECT_EQ(Decimal::parse("90")->compareMagnitude(90), 0);
    EXPECT_EQ(Decimal::parse("-90.0000000000000000001")->compareMagnitude(90), 1);
    EXPECT_EQ(Decimal::parse("1e999999999999")->compareMagnitude(180), 1);
    EXPECT_DOUBLE_EQ(Decimal::parse("-20.5")->value(), -20.5);
}

TEST(Decimal, MinutesAreRoundedHalfAwayFromZeroOnTheDecimalText) {
    const auto position = [](const char* lat, const char* lon) {
        return csrimport::positionText(*Decimal::parse(lat), *Decimal::parse(lon));
    };
    EXPECT_EQ(position("-20.5", "-38"), "2030S 03800W");
    EXPECT_EQ(position("0.00833333", "0.0083334"), "0000N 00001E"); // 0.4999998 and 0.500004 minutes
    EXPECT_EQ(position("10.125", "-10.125"), "1008N 01008W");       // exactly 7.5 minutes
    EXPECT_EQ(position("89.9999", "179.9999"), "9000N 18000E");
    EXPECT_EQ(position("-0.001", "-0"), "0000S 00000E");
    EXPECT_EQ(position("1e-30", "-1e-30"), "0000N 00000W");
}

} // namespace
