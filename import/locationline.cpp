// Line 2 of an imported form: the track mark, the Marsden squares and the sea areas.
#include "import/locationline.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "geo/marsdensquare.h"
#include "import/decimal.h"
#include "import/keywords.h"
#include "import/xmlnodes.h"

namespace csrimport {

namespace {

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(text[i]) != lower(prefix[i])) return false;
    return true;
}

// The C16 codes of the Mediterranean, which the IHB areas letter differently.
struct Mediterranean {
    const char* c16;
    const char* ihb;
};
constexpr Mediterranean kMediterranean[] = {{"28A", "IHB28a"},  {"28B", "IHB28b"},  {"28Aa", "IHB28c"},
                                            {"28Ab", "IHB28d"}, {"28Ac", "IHB28e"}, {"28Ad", "IHB28f"},
                                            {"28Ae", "IHB28g"}, {"28Bf", "IHB28h"}, {"28Bg", "IHB28i"},
                                            {"28Bh", "IHB28j"}};

// An attribute of the element or of its nearest ancestor that has it, up to the track element.
std::string inherited(const xmlNode* element, const xmlNode* track, const char* name) {
    for (const xmlNode* n = element; n; n = n->parent) {
        if (hasAttribute(n, name)) return attribute(n, name);
        if (n == track) break;
    }
    return {};
}

std::size_t dimensionOf(const xmlNode* element, const xmlNode* track) {
    const std::string text(trimBlanks(formText(inherited(element, track, "srsDimension")).text));
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), isDigit)) return 2;
    return std::max<std::size_t>(2, static_cast<std::size_t>(std::stoi(text)));
}

// The points of one coordinate list, appended to sequence; nothing when a token is not a number.
void appendPoints(const xmlNode* element, const xmlNode* track, std::vector<GeoPoint>& sequence) {
    const std::string text = allText(element);
    std::vector<double> values;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (end == i) break;
        const std::optional<Decimal> value = Decimal::parse(std::string_view(text).substr(i, end - i));
        if (!value) return;
        values.push_back(value->value());
        i = end;
    }
    const std::size_t dimension = dimensionOf(element, track);
    const bool latFirst = LocationLine::latitudeFirst(formText(inherited(element, track, "srsName")).text);
    for (std::size_t k = 0; k + dimension <= values.size(); k += dimension) {
        const double lat = latFirst ? values[k] : values[k + 1];
        double lon = latFirst ? values[k + 1] : values[k];
        if (!(lat >= -90 && lat <= 90 && lon >= -180 && lon <= 360)) continue;
        if (lon > 180) lon -= 360;
        sequence.push_back({lat, lon});
    }
}

void collectSequences(const xmlNode* element, const xmlNode* track, std::vector<std::vector<GeoPoint>>& sequences) {
    std::vector<GeoPoint> run;
    bool inRun = false;
    const auto endRun = [&] {
        if (inRun) sequences.push_back(std::move(run));
        run.clear();
        inRun = false;
    };
    for (const xmlNode* n = element->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (isElement(n, Ns::Gml, "pos")) {
            inRun = true;
            appendPoints(n, track, run);
            continue;
        }
        endRun();
        if (isElement(n, Ns::Gml, "posList")) {
            std::vector<GeoPoint> list;
            appendPoints(n, track, list);
            sequences.push_back(std::move(list));
        } else {
            collectSequences(n, track, sequences);
        }
    }
    endRun();
}

bool isTrack(const xmlNode* n) { return isElement(n, Ns::Gml, "MultiCurve") || isElement(n, Ns::Gml, "LineString"); }

void findTracks(const xmlNode* parent, std::vector<const xmlNode*>& tracks) {
    for (const xmlNode* n = parent->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (isTrack(n))
            tracks.push_back(n);
        else
            findTracks(n, tracks);
    }
}

std::optional<Decimal> boxValue(const xmlNode* box, const char* name) {
    return Decimal::parse(formText(propertyText(child(box, Ns::Gmd, name))).text);
}

// The boxes below the identification's extents that have four readable values in range and
// south not above north.
std::vector<GeoBox> extentBoxes(const std::vector<const xmlNode*>& extents) {
    std::vector<GeoBox> boxes;
    for (const xmlNode* extent : extents) {
        for (const xmlNode* box : descendants(extent, Ns::Gmd, "EX_GeographicBoundingBox")) {
            const auto west = boxValue(box, "westBoundLongitude"), east = boxValue(box, "eastBoundLongitude");
            const auto south = boxValue(box, "southBoundLatitude"), north = boxValue(box, "northBoundLatitude");
            if (!west || !east || !south || !north) continue;
            if (!west->within(180) || !east->within(180) || !south->within(90) || !north->within(90)) continue;
            if (south->value() > north->value()) continue;
            boxes.push_back({south->value(), west->value(), north->value(), east->value()});
        }
    }
    return boxes;
}

std::vector<std::string> seaAreas(const KeywordBlocks& keywords, std::size_t* transliterated) {
    std::vector<std::string> areas;
    std::unordered_set<std::string> seen;
    for (const xmlNode* block : keywords.ofType("place")) {
        const xmlNode* citation = path(block, {{Ns::Gmd, "thesaurusName"}, {Ns::Gmd, "*"}});
        bool c16 = LocationLine::namesC16(formText(propertyText(child(citation, Ns::Gmd, "title"))).text);
        for (const xmlNode* alternate : children(citation, Ns::Gmd, "alternateTitle"))
            c16 = c16 || LocationLine::namesC16(formText(propertyText(alternate)).text);
        for (const xmlNode* identifier : children(citation, Ns::Gmd, "identifier"))
            c16 = c16 || LocationLine::namesC16(formText(propertyText(path(identifier, {{Ns::Gmd, "*"}, {Ns::Gmd, "code"}}))).text);
        for (const Keyword& keyword : keywordsOf({block})) {
            std::string area = c16 ? LocationLine::ihbArea(keyword.code.text) : std::string();
            std::size_t lacking = 0;
            if (area.empty()) {
                area = keyword.label.text;
                lacking = keyword.label.transliterated;
            }
            if (area.empty() || !seen.insert(area).second) continue;
            *transliterated += lacking;
            areas.push_back(area);
        }
    }
    return areas;
}

} // namespace

int LocationLine::storedSquare(std::string_view code) {
    if (code.empty() || !std::all_of(code.begin(), code.end(), isDigit)) return 0;
    while (code.size() > 1 && code.front() == '0') code.remove_prefix(1);
    if (code.size() > 3) return 0;
    int n = 0;
    for (char c : code) n = n * 10 + (c - '0');
    return geo::isSquare(n) ? n : 0;
}

std::string LocationLine::ihbArea(std::string_view code) {
    for (const Mediterranean& m : kMediterranean)
        if (code == m.c16) return m.ihb;
    std::size_t digits = 0;
    while (digits < code.size() && digits < 3 && isDigit(code[digits])) ++digits;
    if (digits == 0 || digits > 2) return {};
    const std::string_view rest = code.substr(digits);
    if (rest.size() > 1 || (rest.size() == 1 && !(rest[0] >= 'a' && rest[0] <= 'z'))) return {};
    const int number = digits == 1 ? code[0] - '0' : (code[0] - '0') * 10 + (code[1] - '0');
    if (number < 1 || number > 66) return {};
    char text[8];
    std::snprintf(text, sizeof text, "IHB%02d%c", number, rest.empty() ? ' ' : rest[0]);
    return text;
}

bool LocationLine::namesC16(std::string_view text) {
    for (std::size_t at = text.find("C16"); at != std::string_view::npos; at = text.find("C16", at + 1)) {
        const bool before = at > 0 && isAsciiAlnum(text[at - 1]);
        const bool after = at + 3 < text.size() && isAsciiAlnum(text[at + 3]);
        if (!before && !after) return true;
    }
    return false;
}

bool LocationLine::latitudeFirst(std::string_view srsName) {
    srsName = trimBlanks(srsName);
    std::string_view rest;
    char separator = ':';
    if (startsWithNoCase(srsName, "urn:ogc:def:crs:EPSG:")) {
        rest = srsName.substr(21);
    } else if (startsWithNoCase(srsName, "urn:x-ogc:def:crs:EPSG:")) {
        rest = srsName.substr(23);
    } else if (startsWithNoCase(srsName, "http://www.opengis.net/def/crs/EPSG/")) {
        rest = srsName.substr(36);
        separator = '/';
    } else if (startsWithNoCase(srsName, "https://www.opengis.net/def/crs/EPSG/")) {
        rest = srsName.substr(37);
        separator = '/';
    } else {
        return false;
    }
    // What is left is "<version><separator>4326", the version possibly empty.
    const std::size_t split = rest.find(separator);
    return split != std::string_view::npos && rest.substr(split + 1) == "4326";
}

std::vector<std::vector<GeoPoint>> LocationLine::trackSequences(const xmlNode* track) {
    std::vector<std::vector<GeoPoint>> sequences;
    if (track) collectSequences(track, track, sequences);
    return sequences;
}

FormText LocationLine::build(const xmlNode* identification, const KeywordBlocks& keywords) {
    FormText line;
    if (!identification) return line;
    const std::vector<const xmlNode*> extents = children(identification, Ns::Gmd, "extent");
    std::vector<const xmlNode*> tracks;
    for (const xmlNode* extent : extents) findTracks(extent, tracks);

    std::vector<int> squares;
    for (const Keyword& keyword : keywordsOf(keywords.ofType("marsden_square"))) {
        const int square = storedSquare(keyword.code.text);
        if (square != 0 && std::find(squares.begin(), squares.end(), square) == squares.end()) squares.push_back(square);
    }
    if (squares.empty())
        for (const xmlNode* track : tracks)
            for (const std::vector<GeoPoint>& sequence : trackSequences(track)) appendTrackSquares(sequence, squares);
    if (squares.empty()) squares = boxSquares(extentBoxes(extents));

    std::vector<std::string> fields;
    for (int square : squares) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", square);
        fields.emplace_back(text);
    }
    for (std::string& area : seaAreas(keywords, &line.transliterated)) fields.push_back(std::move(area));

    if (!tracks.empty()) line.text = "CH";
    if (!tracks.empty() || !fields.empty()) line.text += '^';
    for (std::size_t i = 0; i < fields.size(); ++i) line.text += (i == 0 ? "" : "^") + fields[i];
    return line;
}

} // namespace csrimport
