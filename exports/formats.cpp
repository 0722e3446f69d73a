// The export formats.
#include "exports/formats.h"

#include <array>

#include "exports/csvexport.h"
#include "exports/geojsonexport.h"
#include "exports/jsonlinesexport.h"
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

constexpr std::array<ExportFormat, 4> kFormats{{
    {"csv", "RFC 4180 CSV: a header row, then one row per form", makeWriter<CsvExport>},
    {"jsonl", "JSON Lines: one object per form, with typed values", makeWriter<JsonLinesExport>},
    {"geojson", "GeoJSON: the Marsden squares named, with their forms", makeWriter<GeoJsonExport>},
    {"svg", "SVG: a map of the squares named, shaded by their forms", makeSvg},
}};

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return extension;
}

} // namespace

std::span<const ExportFormat> exportFormats() {
    return kFormats;
}

const ExportFormat* formatOf(const std::string& path) {
    const std::string extension = lowerExtension(path);
    for (const ExportFormat& format : kFormats)
        if (format.extension == extension) return &format;
    return nullptr;
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
