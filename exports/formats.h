// The export formats: one entry each, the one list that the command line, its help, its
// completions and its manual page follow.
#ifndef EXPORTS_FORMATS_H
#define EXPORTS_FORMATS_H

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "exports/export.h"

namespace exports {

/// One export format: the extension that chooses it, what its file holds, and its writer.
struct ExportFormat {
    std::string_view extension;   // without the dot, in lower case: "csv"
    std::string_view description; // for --help and the manual: "RFC 4180 CSV, one row per form"
    std::unique_ptr<Export> (*make)(search::FileSystem& files, const std::string& path, const ExportContext& context);
};

/// Every export format, in the order the help lists them. A new format is one entry here and
/// its writer.
std::span<const ExportFormat> exportFormats();

/// The format that the extension of path (any letter case) names; nullptr for none.
const ExportFormat* formatOf(const std::string& path);

/// The extensions with their dots, the last joined by conjunction: ".csv, .jsonl, .geojson or
/// .svg" for "or"; with an empty conjunction, blank-separated: ".csv .jsonl .geojson .svg".
std::string extensionList(std::string_view conjunction);

} // namespace exports

#endif // EXPORTS_FORMATS_H
