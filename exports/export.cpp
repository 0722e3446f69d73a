// The selected forms of a run in a format other tools read.
#include "exports/export.h"

#include <optional>

#include "exports/csvexport.h"
#include "exports/formats.h"
#include "exports/geojsonexport.h"

namespace exports {


Export::Export(search::FileSystem& files, std::string path) : m_files(files), m_path(std::move(path)) {}

Export::~Export() {
    abandon();
}

bool Export::knownExtension(const std::string& path) {
    return formatOf(path) != nullptr;
}

std::unique_ptr<Export> Export::make(search::FileSystem& files, const std::string& path, const ExportContext& context,
                                     std::string* err) {
    const ExportFormat* format = formatOf(path);
    if (!format) {
        if (err) *err = path + ": not one of the export formats " + extensionList("and");
        return nullptr;
    }
    return make(files, path, *format, context, err);
}

std::unique_ptr<Export> Export::make(search::FileSystem& files, const std::string& path, const ExportFormat& format,
                                     const ExportContext& context, std::string* err) {
    std::unique_ptr<Export> made = format.make(files, path, context);
    if (!made->create(err)) return nullptr;
    return made;
}

std::vector<std::string> Export::filesOf(const std::string& path) {
    std::vector<std::string> files{path};
    const ExportFormat* format = formatOf(path);
    if (!format) return files;
    if (format->extension == "csv") files.push_back(CsvExport::typesPath(path));
    if (format->extension == "geojson") files.push_back(GeoJsonExport::squaresPath(path));
    std::erase_if(files, [&](const std::string& file) { return file != path && !nameFits(file); });
    return files;
}

bool Export::nameFits(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return path.size() - (slash == std::string::npos ? 0 : slash + 1) <= 255;
}

bool Export::create(std::string* err) {
    m_file = m_files.createPending(m_path, err);
    if (!m_file) return false;
    if (m_path != "-" && !createCompanions(err)) {
        abandon();
        return false;
    }
    writeStart();
    return true;
}

bool Export::finish(std::string* err) {
    if (!m_file) return false;
    writeEnd();
    std::string e;
    if (!m_failure.empty()) e = m_path + ": " + m_failure;
    // The companions first: a message of theirs names their own file.
    for (const auto& companion : m_companions)
        if (e.empty()) companion->finish(&e);
    if (e.empty() && m_file->commit(&e)) {
        m_file.reset();
        m_finished = true;
        return true;
    }
    if (err) *err = e;
    abandon();
    return false;
}

void Export::abandon() {
    for (const auto& companion : m_companions)
        companion->abandon();
    if (!m_file) return;
    m_file->discard();
    m_file.reset();
}

namespace {

// What one name leads to: the file it names, where writing to it lands, and the entry a rename
// to it replaces.
struct Place {
    const std::string* path;
    std::optional<search::FileId> id;
    std::string written; // through links
    std::string entry;   // the name itself
};

Place placeOf(search::FileSystem& files, const std::string& path) {
    return {&path, files.fileId(path), files.location(path, true), files.location(path, false)};
}

bool samePlace(const Place& a, const Place& b) {
    if (a.id && b.id && *a.id == *b.id) return true;
    for (const std::string* x : {&a.written, &a.entry})
        for (const std::string* y : {&b.written, &b.entry})
            if (!x->empty() && *x == *y) return true;
    return false;
}

} // namespace

bool Export::distinctFiles(search::FileSystem& files, const std::vector<std::string>& exports,
                           const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                           std::string* message) {
    std::vector<Place> inputPlaces, outputPlaces, exportPlaces;
    for (const std::string& input : inputs) inputPlaces.push_back(placeOf(files, input));
    for (const std::string& output : outputs) outputPlaces.push_back(placeOf(files, output));
    for (const std::string& path : exports) {
        const Place place = placeOf(files, path);
        const auto clash = [&](const std::vector<Place>& others, const char* what) {
            for (const Place& other : others) {
                if (!samePlace(place, other)) continue;
                *message = path + ": it is " + what + *other.path;
                return true;
            }
            return false;
        };
        if (clash(inputPlaces, "the form file ")) {
            *message += ", which this search reads; choose another name for the export";
            return false;
        }
        if (clash(outputPlaces, "")) {
            *message += ", which this search writes; choose another name for the export";
            return false;
        }
        if (clash(exportPlaces, "the export ")) {
            *message += " as well; give each export a file of its own";
            return false;
        }
        exportPlaces.push_back(place);
    }
    return true;
}

} // namespace exports
