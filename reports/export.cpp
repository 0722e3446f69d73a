// The selected forms of a run in a format other tools read.
#include "reports/export.h"

#include <algorithm>

#include "reports/csvexport.h"
#include "reports/geojsonexport.h"
#include "reports/jsonlinesexport.h"
#include "reports/svgmapexport.h"

namespace reports {

namespace {

std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension;
}

} // namespace

Export::Export(search::FileSystem& files, std::string path) : m_files(files), m_path(std::move(path)) {}

Export::~Export() {
    abandon();
}

bool Export::knownExtension(const std::string& path) {
    const std::string extension = extensionOf(path);
    return extension == "csv" || extension == "jsonl" || extension == "geojson" || extension == "svg";
}

std::unique_ptr<Export> Export::make(search::FileSystem& files, const std::string& path, const ExportContext& context,
                                     std::string* err) {
    const std::string extension = extensionOf(path);
    std::unique_ptr<Export> made;
    if (extension == "csv")
        made.reset(new CsvExport(files, path));
    else if (extension == "jsonl")
        made.reset(new JsonLinesExport(files, path));
    else if (extension == "geojson")
        made.reset(new GeoJsonExport(files, path));
    else if (extension == "svg")
        made.reset(new SvgMapExport(files, path, context));
    if (!made) {
        if (err) *err = path + ": not one of the export formats .csv, .jsonl, .geojson and .svg";
        return nullptr;
    }
    if (!made->create(err)) return nullptr;
    return made;
}

bool Export::create(std::string* err) {
    m_file = m_files.createBeside(m_path, &m_temporary, err);
    if (!m_file) return false;
    writeStart();
    return true;
}

bool Export::finish(std::string* err) {
    if (!m_file) return false;
    writeEnd();
    std::string e;
    if (!m_file->closeDurably(&e) || !m_files.renameFile(m_temporary, m_path, &e)) {
        if (err) *err = e;
        abandon();
        return false;
    }
    m_file.reset();
    m_temporary.clear();
    m_finished = true;
    return true;
}

void Export::abandon() {
    if (m_temporary.empty()) return;
    std::string ignored;
    if (m_file) m_file->close(&ignored);
    m_file.reset();
    m_files.removeFile(m_temporary, &ignored);
    m_temporary.clear();
}

} // namespace reports
