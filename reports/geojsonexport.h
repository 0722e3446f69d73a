// The Marsden squares the selected forms name, as an RFC 7946 GeoJSON FeatureCollection.
#ifndef REPORTS_GEOJSONEXPORT_H
#define REPORTS_GEOJSONEXPORT_H

#include <string>

#include "reports/export.h"
#include "reports/squarecounts.h"

namespace reports {

/// One Feature per square named by a selected form, by square number: a Polygon of the square in
/// WGS 84 longitude and latitude, its exterior ring counter-clockwise and closed, with the
/// square's number, the number of selected forms that name it and their references.
class GeoJsonExport : public Export {
public:
    GeoJsonExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)), m_counts(true) {}
    void write(const FormFacts& facts) override { m_counts.add(facts.squares, facts.reference); }

protected:
    void writeEnd() override;

private:
    SquareCounts m_counts;
};

} // namespace reports

#endif // REPORTS_GEOJSONEXPORT_H
