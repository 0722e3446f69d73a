// The export formats.
#include "exports/formats.h"

#include <array>

#include "exports/csvexport.h"
#include "exports/geojsonexport.h"
#include "exports/jsonlinesexport.h"
#include "exports/squaresgeojsonexport.h"
#include "exports/svgmapexport.h"

namespace exports {

namespace {

template <class Writer> std::unique_ptr<Export> makeWriter(search::FileSystem& files, const std::string& path,
                                                           const ExportContext&) {
    return std::make_unique<Writer>(files, path);
}

std::unique_ptr<Export> makeSvg(search::FileSystem& files, const std::string& path, const ExportContext& context) {
    return std::make_unique<SvgMapExport>(files, path, context);
}

constexpr std::array<ExportFormat, 5> kFormats{{
    {"csv", "RFC 4180 CSV: a header row, then one row per form, with a .csvt of the column types",
     makeWriter<CsvExport>},
    {"jsonl", "JSON Lines: one object per form, each key of one type", makeWriter<JsonLinesExport>},
    {"geojson", "GeoJSON: one feature per form, with FILE.squares.geojson beside it", makeWriter<GeoJsonExport>},
    {"squares.geojson", "GeoJSON: the Marsden squares named, with their forms", makeWriter<SquaresGeoJsonExport>},
    {"svg", "SVG: a map of the squares named, shaded by their forms", makeSvg},
}};

// The name after the folders, in lower case.
std::string lowerName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return name;
}

} // namespace

std::span<const ExportFormat> exportFormats() {
    return kFormats;
}

const ExportFormat* formatOf(const std::string& path) {
    // The longest extension that ends the name: "x.squares.geojson" is of squares.geojson.
    const std::string name = lowerName(path);
    const ExportFormat* found = nullptr;
    for (const ExportFormat& format : kFormats) {
        const std::size_t size = format.extension.size();
        if (name.size() > size + 1 && name.ends_with(format.extension) && name[name.size() - size - 1] == '.' &&
            (!found || size > found->extension.size()))
            found = &format;
    }
    return found;
}

std::string extensionList(std::string_view conjunction) {
    std::string list;
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (i > 0) {
            if (conjunction.empty()) list += ' ';
            else if (i + 1 < kFormats.size()) list += ", ";
            else list.append(" ").append(conjunction).append(" ");
        }
        list.append(".").append(kFormats[i].extension);
    }
    return list;
}

} // namespace exports
