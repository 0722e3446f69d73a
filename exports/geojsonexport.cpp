// The selected forms as an RFC 7946 GeoJSON layer.
#include "exports/geojsonexport.h"

#include "exports/jsonlinesexport.h"
#include "exports/squaresgeojsonexport.h"

namespace exports {

std::string GeoJsonExport::squaresPath(const std::string& path) {
    // In place of the "geojson" (in any letter case) that ends the name.
    return path.substr(0, path.size() - 7) + "squares.geojson";
}

bool GeoJsonExport::createCompanions(std::string* err) {
    if (!nameFits(squaresPath(path()))) return true; // the layer alone: the squares have no name
    auto squares = std::make_unique<SquaresGeoJsonExport>(files(), squaresPath(path()));
    if (!squares->create(err)) return false;
    addCompanion(std::move(squares));
    return true;
}

void GeoJsonExport::writeStart() {
    m_json.streamTo(&out());
    out().put(R"({"type":"FeatureCollection","features":[)");
}

// Each square a polygon of its exterior ring, counter-clockwise and closed.
void GeoJsonExport::writeGeometry(const FormFacts& facts) {
    if (facts.squares.empty()) {
        m_json.null();
        return;
    }
    m_json.beginObject();
    m_json.textMember("type", "MultiPolygon");
    m_json.key("coordinates");
    m_json.beginArray();
    for (int square : facts.squares)
        SquaresGeoJsonExport::writeRing(m_json, square);
    m_json.endArray();
    m_json.endObject();
}

void GeoJsonExport::write(const FormFacts& facts) {
    for (const auto& companion : companions())
        companion->write(facts);
    if (!m_first) out().put(',');
    m_first = false;
    m_json.clear();
    m_json.beginObject();
    m_json.textMember("type", "Feature");
    m_json.key("id");
    m_json.number(facts.selection);
    m_json.key("geometry");
    writeGeometry(facts);
    m_json.key("properties");
    m_json.beginObject();
    JsonLinesExport::members(facts, m_json);
    m_json.endObject();
    m_json.endObject();
    out().put(m_json.written());
}

void GeoJsonExport::writeEnd() {
    out().put("]}\n");
}

} // namespace exports
