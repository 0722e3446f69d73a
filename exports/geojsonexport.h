// The selected forms as an RFC 7946 GeoJSON layer: one feature per form, its Marsden squares as
// its geometry.
#ifndef EXPORTS_GEOJSONEXPORT_H
#define EXPORTS_GEOJSONEXPORT_H

#include <string>

#include "exports/export.h"
#include "exports/jsonwriter.h"

namespace exports {

/// A FeatureCollection with one Feature per selected form, in selection order: its id the
/// selection number, its geometry a MultiPolygon of the squares line 2 names (null when it
/// names none), its properties the typed members of the JSON Lines export: the layer a GIS
/// filters and styles. Beside it, FILE.squares.geojson holds the squares with their counts
/// (SquaresGeoJsonExport).
class GeoJsonExport : public Export {
public:
    GeoJsonExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts& facts) override;

    /// The path of the squares beside path, a name ending in ".geojson" in any letter case:
    /// "a/out.geojson" => "a/out.squares.geojson".
    static std::string squaresPath(const std::string& path);

protected:
    bool createCompanions(std::string* err) override;
    void writeStart() override;
    void writeEnd() override;

private:
    void writeGeometry(const FormFacts& facts);

    JsonWriter m_json;
    bool m_first = true;
};

} // namespace exports

#endif // EXPORTS_GEOJSONEXPORT_H
