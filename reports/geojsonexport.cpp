// The Marsden squares the selected forms name, as an RFC 7946 GeoJSON FeatureCollection.
#include "reports/geojsonexport.h"

#include "geo/marsdensquare.h"
#include "reports/jsonwriter.h"

namespace reports {

void GeoJsonExport::writeEnd() {
    // One feature at a time: the references of a large result are not held twice.
    JsonWriter json;
    out().put(R"({"type":"FeatureCollection","features":[)");
    bool first = true;
    for (const auto& [square, named] : m_counts.squares()) {
        const geo::SquareBounds b = geo::squareBounds(square);
        json.clear();
        json.beginObject();
        json.textMember("type", "Feature");
        json.key("geometry");
        json.beginObject();
        json.textMember("type", "Polygon");
        json.key("coordinates");
        json.beginArray();
        json.beginArray();
        // Counter-clockwise: along the south edge eastwards, then up, back west, and down.
        const int ring[5][2] = {{b.west, b.south}, {b.east, b.south}, {b.east, b.north}, {b.west, b.north},
                                {b.west, b.south}};
        for (const auto& [lon, lat] : ring) {
            json.beginArray();
            json.number(lon);
            json.number(lat);
            json.endArray();
        }
        json.endArray();
        json.endArray();
        json.endObject();
        json.key("properties");
        json.beginObject();
        json.key("square");
        json.number(square);
        json.key("forms");
        json.number(named.forms);
        json.key("references");
        json.beginArray();
        for (const std::size_t reference : named.references) json.text(m_counts.reference(reference));
        json.endArray();
        json.endObject();
        json.endObject();
        if (!first) out().put(',');
        first = false;
        out().put(json.written());
    }
    out().put("]}\n");
}

} // namespace reports
