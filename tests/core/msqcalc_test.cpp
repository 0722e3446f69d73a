// Tests of the Marsden square numbering, the status text and the recording of picked squares.
#include "geo/msqcalc.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "geo/marsdensquare.h"

#include <gtest/gtest.h>

namespace {

// The map window's call for a point given in degrees (north and east positive).
geo::MsqPoint atLatLon(double lat, double lon) {
    const auto x = static_cast<float>((lon + 60.0) / 5.0);
    const auto y = static_cast<float>((85.0 - lat) / 5.0);
    return geo::msqcalc(x, y, -10.0f, -60.0f, 20.0f);
}

struct Row {
    double lat;
    double lon;
    float latitude;
    char northSouth;
    float longitude;
    char eastWest;
    const char* label;
};

} // namespace

TEST(Msqcalc, EdgeCaseTable) {
    const Row rows[] = {
        {52.5, -20, 52.5f, 'N', 20.0f, 'W', "183;120"}, {-1.5, 5.5, 1.5f, 'S', 5.5f, 'E', "335;215"},
        {0, 0, 0.0f, 'N', 0.0f, 'E', "001;100"},        {10, -10, 10.0f, 'N', 10.0f, 'W', "038;100"},
        {10, 10, 10.0f, 'N', 10.0f, 'E', "071;100"},    {-10, -10, 10.0f, 'S', 10.0f, 'W', "301;100"},
        {-5, -5, 5.0f, 'S', 5.0f, 'W', "300;455"},      {79.9, -20, 79.9f, 'N', 20.0f, 'W', "255;390"},
        {80, -20, 80.0f, 'N', 20.0f, 'W', "903;100"},   {85, -60, 85.0f, 'N', 60.0f, 'W', "907;350"},
        {-15, 60, 15.0f, 'S', 60.0f, 'E', "365;350"},   {60.2, 4.9, 60.2f, 'N', 4.9f, 'E', "252;104"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.label));
        const geo::MsqPoint point = atLatLon(row.lat, row.lon);
        EXPECT_NEAR(point.latitude, row.latitude, 1e-4);
        EXPECT_EQ(point.northSouth, row.northSouth);
        EXPECT_NEAR(point.longitude, row.longitude, 1e-4);
        EXPECT_EQ(point.eastWest, row.eastWest);
        EXPECT_EQ(point.label, row.label);
    }
}

TEST(Msqcalc, TopLeftCornerIs85North60West) {
    const geo::MsqPoint point = geo::msqcalc(0.0f, 0.0f, -10.0f, -60.0f, 20.0f);
    EXPECT_EQ(point.latitude, 85.0f);
    EXPECT_EQ(point.northSouth, 'N');
    EXPECT_EQ(point.longitude, 60.0f);
    EXPECT_EQ(point.eastWest, 'W');
    EXPECT_EQ(point.label, "907;350");
}

TEST(Msqcalc, BottomRightCornerIs15South60East) {
    const geo::MsqPoint point = geo::msqcalc(24.0f, 20.0f, -10.0f, -60.0f, 20.0f);
    EXPECT_EQ(point.latitude, 15.0f);
    EXPECT_EQ(point.northSouth, 'S');
    EXPECT_EQ(point.longitude, 60.0f);
    EXPECT_EQ(point.eastWest, 'E');
    EXPECT_EQ(point.label, "365;350");
}

TEST(Msqcalc, EveryMapPointHasASevenCharacterLabel) {
    for (int i = 0; i <= 480; ++i) {
        for (int j = 0; j <= 400; ++j) {
            const float x = static_cast<float>(i) / 20.0f;
            const float y = static_cast<float>(j) / 20.0f;
            const std::string label = geo::msqcalc(x, y, -10.0f, -60.0f, 20.0f).label;
            ASSERT_EQ(label.size(), 7u) << "x=" << x << " y=" << y << " label=" << label;
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(label[k])))
                    << "x=" << x << " y=" << y << " label=" << label;
            ASSERT_EQ(label[3], ';') << "x=" << x << " y=" << y;
        }
    }
}

TEST(Msqcalc, MeridiansOfTenDegreesBelongAwayFromGreenwich) {
    // 10W is column 1, 10E column 34, Greenwich column 0.
    EXPECT_EQ(atLatLon(5, -10).label.substr(0, 3), "002");
    EXPECT_EQ(atLatLon(5, 10).label.substr(0, 3), "035");
    EXPECT_EQ(atLatLon(5, 0).label.substr(0, 3), "001");
    EXPECT_EQ(atLatLon(5, 0.5).label.substr(0, 3), "036");
}

TEST(Msqcalc, ParallelsOfTenDegrees) {
    // North: 10N is row 1; south: 10S is row 0 of the south; 80N already takes base 613.
    EXPECT_EQ(atLatLon(10, -5).label.substr(0, 3), "037");
    EXPECT_EQ(atLatLon(-10, -5).label.substr(0, 3), "300");
    EXPECT_EQ(atLatLon(-10.5, -5).label.substr(0, 3), "336");
    EXPECT_EQ(atLatLon(80, -5).label.substr(0, 3), "901");
}

TEST(Msqcalc, QuadrantDigits) {
    EXPECT_EQ(atLatLon(52.5, -22.5).label, "183;122");
    EXPECT_EQ(atLatLon(52.5, -27.5).label, "183;227");
    EXPECT_EQ(atLatLon(57.5, -22.5).label, "183;372");
    EXPECT_EQ(atLatLon(57.5, -27.5).label, "183;477");
}

TEST(MsqStatusText, PointerAt52Point5North20West) {
    const geo::MsqPoint point = geo::msqcalc(8.0f, 6.5f, -10.0f, -60.0f, 20.0f);
    EXPECT_EQ(geo::msqStatusText(point), " 52.5N 020.0W  Marsden Square: 183;120");
}

TEST(MsqStatusText, PadsSmallMagnitudesWithZeros) {
    const geo::MsqPoint point = geo::msqcalc(13.0f, 16.0f, -10.0f, -60.0f, 20.0f);
    EXPECT_EQ(geo::msqStatusText(point), " 05.0N 005.0E  Marsden Square: 036;455");
}

TEST(MsqStatusText, SouthAndWideLongitude) {
    const geo::MsqPoint point{12.25f, 'S', 101.0f, 'E', "123;456"};
    EXPECT_EQ(geo::msqStatusText(point), " 12.3S 101.0E  Marsden Square: 123;456");
}

TEST(Msqpick, AppendsTheSquareNumberOfTheLabel) {
    std::string picks;
    geo::msqpick(1, 0, "183;120", picks);
    EXPECT_EQ(picks, " OR ^183");
    geo::msqpick(2, 1, "184;322", picks);
    EXPECT_EQ(picks, " OR ^183 OR ^184");
}

TEST(Msqpick, SameSquareTwiceIsRecordedTwice) {
    std::string picks;
    geo::msqpick(1, 0, "183;120", picks);
    geo::msqpick(1, 0, "183;120", picks);
    EXPECT_EQ(picks, " OR ^183 OR ^183");
}

TEST(Msqpicks, IsOneProgramWideText) {
    geo::msqpicks().clear();
    geo::msqpick(1, 0, "255;390", geo::msqpicks());
    EXPECT_EQ(geo::msqpicks(), " OR ^255");
    geo::msqpicks().clear();
}

// The areas of the squares, checked against the numbering of msqcalc over the whole globe.
TEST(MarsdenSquare, EveryAreaHoldsItsOwnNumber) {
    int squares = 0;
    for (int n = 0; n <= 1000; ++n) {
        if (!geo::isSquare(n)) continue;
        ++squares;
        const geo::SquareBounds b = geo::squareBounds(n);
        EXPECT_EQ(b.east - b.west, 10) << n;
        EXPECT_EQ(b.north - b.south, 10) << n;
        EXPECT_TRUE(b.west >= -180 && b.east <= 180) << n;
        EXPECT_EQ(geo::squareAt(b.south, b.west), n) << n;
        // The middle of the area, in the numbering of the map window (rows = 1 puts y at the base).
        const geo::MsqPoint middle =
            geo::msqcalc(0.0f, 0.0f, static_cast<float>(b.south + 5), static_cast<float>(b.west + 5), 1.0f);
        char number[8];
        std::snprintf(number, sizeof number, "%03d", n);
        EXPECT_EQ(middle.label.substr(0, 3), number) << n;
    }
    EXPECT_EQ(squares, 288 + 324 + 36); // north, south, and the row from 80N
    for (int n : {0, 289, 299, 624, 900, 937}) EXPECT_FALSE(geo::isSquare(n)) << n;
    const geo::SquareBounds b183 = geo::squareBounds(183);
    EXPECT_EQ((std::array<int, 4>{b183.west, b183.east, b183.south, b183.north}), (std::array<int, 4>{-30, -20, 50, 60}));
    const geo::SquareBounds b36 = geo::squareBounds(36);
    EXPECT_EQ((std::array<int, 4>{b36.west, b36.east, b36.south, b36.north}), (std::array<int, 4>{0, 10, 0, 10}));
    const geo::SquareBounds b19 = geo::squareBounds(19); // 180 to 190 degrees West
    EXPECT_EQ((std::array<int, 4>{b19.west, b19.east, b19.south, b19.north}), (std::array<int, 4>{170, 180, 0, 10}));
}

TEST(MarsdenSquare, NamedSquaresOfALocationLine) {
    using V = std::vector<int>;
    EXPECT_EQ(geo::namedSquares("CH^217^218^IHB02"), (V{217, 218}));
    // Leading zeros do not matter, but four digits are no square; nor are blanks digits.
    EXPECT_EQ(geo::namedSquares("183^084^183^0184^1831^999^^ 74^7^IHB03"), (V{183, 84, 7}));
    EXPECT_EQ(geo::namedSquares("217^218^253^IHB02 "), (V{217, 218, 253}));
    EXPECT_EQ(geo::namedSquares("290^623^901^936^937^000"), (V{623, 901, 936}));
    // The chart mark and its separator are not a field; without the mark the first field counts.
    EXPECT_EQ(geo::namedSquares("CH"), V{});
    EXPECT_EQ(geo::namedSquares("CH^"), V{});
    EXPECT_EQ(geo::namedSquares("183"), V{183});
    EXPECT_EQ(geo::namedSquares(""), V{});
}
