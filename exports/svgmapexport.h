// A map of the selected forms' Marsden squares over the map window's region, as SVG.
#ifndef EXPORTS_SVGMAPEXPORT_H
#define EXPORTS_SVGMAPEXPORT_H

#include <string>

#include "exports/export.h"
#include "reports/squarecounts.h"

namespace exports {

/// The region of the map window, 60W to 60E and 15S to 85N: the land of the compiled-in table,
/// the 10-degree grid with the square numbers, and each square shaded by the number of selected
/// forms that name it, with a legend of the shades; above it the criteria as the reports echo
/// them and the years; below it the squares named outside the region, with their counts.
class SvgMapExport : public Export {
public:
    SvgMapExport(search::FileSystem& files, std::string path, const ExportContext& context)
        : Export(files, std::move(path)), m_context(context) {}
    void write(const FormFacts& facts) override { m_counts.add(facts.squares, {}); }

    /// The fill colour of a square named by count forms when the most named square has most.
    static const char* shade(int count, int most);

protected:
    void writeEnd() override;

private:
    void writeTitle(int* y);
    void writeMap(int top);
    void writeLegend(int* y);
    void writeOutside(int* y);

    ExportContext m_context;
    reports::SquareCounts m_counts;
};

} // namespace exports

#endif // EXPORTS_SVGMAPEXPORT_H
