// Line 2 of an imported form: the track mark, the Marsden squares and the sea areas.
#ifndef IMPORT_LOCATIONLINE_H
#define IMPORT_LOCATIONLINE_H

#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <vector>

#include "import/formtext.h"
#include "import/keywords.h"
#include "import/squarecover.h"

namespace csrimport {

/// Builds line 2 from a record's identification (ID): "CH^" with a track, else "^"; then the
/// squares with three digits, then the sea areas; empty when there is neither track, square
/// nor area.
///   stored 183 and 5, IHB area 21a, no track => "^183^005^IHB21a"
///   a track and nothing else                 => "CH^"
class LocationLine {
public:
    /// The line for the identification element (nullptr: empty) and its keyword blocks.
    static FormText build(const xmlNode* identification, const KeywordBlocks& keywords);

    /// The square a stored code numbers, 0 when it numbers none: ASCII digits only, leading
    /// zeros allowed. "5" => 5; "0183" => 183; "289" => 0; "936" => 936; "1a" => 0; "" => 0
    static int storedSquare(std::string_view code);
    /// The IHB area of a C16 code, empty when the code has no IHB area:
    ///   "1" => "IHB01 "; "21a" => "IHB21a"; "01d" => "IHB01d"; "28A" => "IHB28a";
    ///   "28Ab" => "IHB28d"; "28Bh" => "IHB28j"; "28C" => ""; "67" => ""; "1A" => ""
    static std::string ihbArea(std::string_view code);
    /// Whether a thesaurus title, alternate title or identifier names C16: "C16" with no ASCII
    /// letter or digit on either side. "SDN:C16" => true; ".../collection/C16/current/" => true;
    /// "C160" => false; "XC16" => false
    static bool namesC16(std::string_view text);
    /// The sequences of points of a track element (gml:MultiCurve or gml:LineString): each
    /// gml:posList, and each run of gml:pos children of one element, in document order;
    /// longitude first unless srsName names EPSG 4326 as a URN or URL. Points outside
    /// -90 <= lat <= 90, -180 <= lon <= 360 are left out; 360 is taken off longitudes above 180.
    static std::vector<std::vector<GeoPoint>> trackSequences(const xmlNode* track);
    /// Whether an srsName puts latitude first: "urn:ogc:def:crs:EPSG::4326" => true;
    /// "http://www.opengis.net/def/crs/EPSG/0/4326" => true; "EPSG:4326" => false
    static bool latitudeFirst(std::string_view srsName);
};

} // namespace csrimport

#endif // IMPORT_LOCATIONLINE_H
