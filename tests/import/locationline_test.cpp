// Line 2 of imported forms: stored squares, track squares, box squares and sea areas.
#include <gtest/gtest.h>

#include "geo/msqcalc.h"
#include "import/locationline.h"
#include "import/squarecover.h"
#include "tests/import/csrrecord.h"

namespace {

using csrimport::GeoBox;
using csrimport::GeoPoint;
using csrimport::LocationLine;
using namespace csrtest;

// Line 2 of a minimal record with more in its identification.
std::string line2(const std::string& identificationMore) {
    csrimport::ImportedForm form;
    if (buildForm(document(minimalRecord("id", "1995-01-01", "", "", identificationMore)), &form) !=
        csrimport::RecordVerdict::Imported)
        return "(not imported)";
    return form.lines[2];
}

std::string marsden(const std::vector<std::string>& codes) {
    std::vector<std::string> elements;
    for (const std::string& code : codes) elements.push_back(codeKeyword("SDN_MarsdenCode", code, code));
    return keywords("marsden_square", elements);
}

std::string track(const std::string& lists, const std::string& attributes = "") {
    return "<gmd:extent><gmd:EX_Extent><gmd:geographicElement><gmd:EX_BoundingPolygon><gmd:polygon>"
           "<gml:MultiCurve gml:id=\"m\"" + attributes + "><gml:curveMember><gml:LineString gml:id=\"l\">" + lists +
           "</gml:LineString></gml:curveMember></gml:MultiCurve></gmd:polygon></gmd:EX_BoundingPolygon>"
           "</gmd:geographicElement></gmd:EX_Extent></gmd:extent>";
}

std::string c16Areas(const std::vector<std::string>& codes, const std::string& thesaurus) {
    std::vector<std::string> elements;
    for (const std::string& code : codes) elements.push_back(codeKeyword("SDN_WaterBodyCode", code, "Area " + code));
    return keywords("place", elements, thesaurus);
}

std::string alternateTitle(const std::string& text) {
    return "<gmd:alternateTitle><gco:CharacterString>" + text + "</gco:CharacterString></gmd:alternateTitle>";
}

TEST(SquareCover, PointsAreNumberedAsTheMapNumbersThem) {
    // The map's own numbering (geo::msqcalc) of every point of its grid at 2.5 degrees, edges included.
    for (float x = 0; x <= 24; x += 0.5f) {
        for (float y = 0; y <= 19; y += 0.5f) {
            const geo::MsqPoint p = geo::msqcalc(x, y, -10, -60, 20);
            const double lat = -10 + 5 * (19 - static_cast<double>(y));
            const double lon = -60 + 5 * static_cast<double>(x);
            EXPECT_EQ(csrimport::pointSquare(lat, lon), std::stoi(p.label.substr(0, 3))) << lat << " " << lon;
        }
    }
    EXPECT_EQ(csrimport::pointSquare(90, 5), 936);
    EXPECT_EQ(csrimport::pointSquare(-90, -5), 588);
    EXPECT_EQ(csrimport::pointSquare(10, 180), 54);
    EXPECT_EQ(csrimport::pointSquare(10, -180), 55);
}

TEST(SquareCover, TrackSegmentsAreFollowedInStepsOfAtMostOneDegree) {
    std::vector<int> squares;
    // 55N 25W to 55N 5W: 20 degrees in 20 steps, through 183, 182, 181.
    csrimport::appendTrackSquares({{55, -25}, {55, -5}}, squares);
    EXPECT_EQ(squares, (std::vector<int>{183, 182, 181}));
    squares.clear();
    // Across the antimeridian the short way: 175E to 175W.
    csrimport::appendTrackSquares({{5, 175}, {5, -175}}, squares);
    EXPECT_EQ(squares, (std::vector<int>{19, 18}));
}

TEST(SquareCover, BoxesListTheSquaresWhoseInteriorTheyOverlap) {
    EXPECT_EQ(csrimport::boxSquares({{50, -30, 60, -20}}), (std::vector<int>{183}));
    EXPECT_EQ(csrimport::boxSquares({{45, -25, 55, -15}}), (std::vector<int>{146, 147, 182, 183}));
    // A line on 25W and a point on a corner: the squares their points fall in.
    EXPECT_EQ(csrimport::boxSquares({{50, -25, 55, -25}}), (std::vector<int>{183}));
    EXPECT_EQ(csrimport::boxSquares({{50, -20, 50, -20}}), (std::vector<int>{183}));
    EXPECT_EQ(csrimport::boxSquares({{0, 10, 0, 10}}), (std::vector<int>{35}));
    // West above east crosses the antimeridian.
    EXPECT_EQ(csrimport::boxSquares({{1, 175, 9, -175}}), (std::vector<int>{18, 19}));
    // A flat box across the antimeridian has points at both 180 and -180.
    EXPECT_EQ(csrimport::boxSquares({{5, 178, 5, -178}}), (std::vector<int>{18, 19}));
    // From 180 to -180: no width, a line on the antimeridian with points at 180 (170-180W) and
    // -180 (170-180E), from 10N (row 10-20N) to 20N (row 20-30N).
    EXPECT_EQ(csrimport::boxSquares({{10, 180, 20, -180}}), (std::vector<int>{54, 55, 90, 91}));
    EXPECT_EQ(csrimport::boxSquares({{-5, 180, -5, -180}}), (std::vector<int>{317, 318}));
}

TEST(LocationLine, StoredSquaresComeFirstWithThreeDigitsEachOnce) {
    EXPECT_EQ(line2(marsden({"183", "5", "0183", "289", "9x", "936"})), "^183^005^936");
    // Stored squares win over the track; the track mark stays.
    EXPECT_EQ(line2(marsden({"217"}) + track("<gml:posList>-25 55 -5 55</gml:posList>")), "CH^217");
}

TEST(LocationLine, TrackSquaresFollowItsPointsLongitudeFirstUnlessEpsg4326) {
    EXPECT_EQ(line2(track("<gml:posList>-25 55 -5 55</gml:posList>")), "CH^183^182^181");
    EXPECT_EQ(line2(track("<gml:posList srsName=\"urn:ogc:def:crs:EPSG::4326\">55 -25 55 -15</gml:posList>")),
              "CH^183^182");
    EXPECT_EQ(line2(track("<gml:posList srsDimension=\"3\">-25 55 0 -15 55 0 -5</gml:posList>")), "CH^183^182");
    EXPECT_EQ(line2(track("<gml:pos>55 -25</gml:pos><gml:pos>55 -24</gml:pos>",
                          " srsName=\"http://www.opengis.net/def/crs/EPSG/0/4326\"")),
              "CH^183");
    // Sequences are not joined: two lists far apart give only their own squares.
    EXPECT_EQ(line2(track("<gml:posList>-25 55 -24 55</gml:posList><gml:posList>-5 55 -4 55</gml:posList>")),
              "CH^183^181");
    // A list with a word in it is ignored; a track with no usable point takes the boxes.
    EXPECT_EQ(line2(track("<gml:posList>-25 55 x 55</gml:posList>") + extent(box("-30", "-20", "50", "60"))),
              "CH^183");
    EXPECT_EQ(line2(track("<gml:posList>400 55</gml:posList>")), "CH^");
}

TEST(LocationLine, BoxesGiveSquaresInIncreasingNumberWithoutATrack) {
    EXPECT_EQ(line2(extent(box("-25", "-15", "55", "45"))), ""); // south above north
    EXPECT_EQ(line2(extent(box("-25", "-15", "45", "55")) + extent(box("-30", "-20", "50", "60"))), "^146^147^182^183");
    EXPECT_EQ(line2(extent(box("-25", "-15", "45", "-"))), "");
}

TEST(LocationLine, C16AreasBecomeIhbAreasAndOtherAreasTheirLabels) {
    EXPECT_EQ(line2(c16Areas({"1", "21a", "28Ab", "28C", "67", "1", "01d"}, alternateTitle("C16"))),
              "^IHB01 ^IHB21a^IHB28d^Area 28C^Area 67^IHB01d");
    EXPECT_EQ(line2(c16Areas({"1"}, alternateTitle("C160"))), "^Area 1");
    EXPECT_EQ(line2(c16Areas({"1"}, "<gmd:identifier><gmd:MD_Identifier><gmd:code><gco:CharacterString>"
                                    "http://vocab.example.org/collection/C16/current/</gco:CharacterString>"
                                    "</gmd:code></gmd:MD_Identifier></gmd:identifier>")),
              "^IHB01 ");
    EXPECT_EQ(line2(marsden({"183"}) + keywords("place", {codeKeyword("SDN_WaterBodyCode", "1", "North Sea"),
                                                         codeKeyword("SDN_WaterBodyCode", "2", "")},
                                                alternateTitle("C19"))),
              "^183^North Sea");
}

TEST(LocationLine, CodesAndNamesHaveTheirShapes) {
    EXPECT_EQ(LocationLine::ihbArea("28Bh"), "IHB28j");
    EXPECT_EQ(LocationLine::ihbArea("66"), "IHB66 ");
    EXPECT_EQ(LocationLine::ihbArea("1A"), "");
    EXPECT_EQ(LocationLine::ihbArea("0"), "");
    EXPECT_EQ(LocationLine::ihbArea("001"), "");
    EXPECT_TRUE(LocationLine::namesC16("SDN:C16"));
    EXPECT_FALSE(LocationLine::namesC16("XC16"));
    EXPECT_TRUE(LocationLine::latitudeFirst("URN:OGC:DEF:CRS:EPSG:6.6:4326"));
    EXPECT_TRUE(LocationLine::latitudeFirst("urn:x-ogc:def:crs:EPSG::4326"));
    EXPECT_TRUE(LocationLine::latitudeFirst("https://www.opengis.net/def/crs/EPSG/9.1/4326"));
    EXPECT_FALSE(LocationLine::latitudeFirst("EPSG:4326"));
    EXPECT_FALSE(LocationLine::latitudeFirst("urn:ogc:def:crs:EPSG::43260"));
}

} // namespace
