// The selected forms of a run in a format other tools read: CSV, JSON Lines, GeoJSON, SVG.
#ifndef EXPORTS_EXPORT_H
#define EXPORTS_EXPORT_H

#include <memory>
#include <string>
#include <vector>

#include "exports/formfacts.h"
#include "search/criteria.h"
#include "search/filesystem.h"
#include "tables/rptable.h"

namespace exports {

struct ExportFormat;

/// What every export may show besides the forms.
struct ExportContext {
    search::CriteriaSet criteria;
    std::string yearsLabel;
    const tables::RpTable* table = nullptr;
};

/// One export file. It is written as a pending file (search::PendingFile) and takes its path
/// only when finish() succeeds, so nobody sees half a file and an earlier file of that name
/// survives a run that fails or stops. Text from forms and users is turned from Windows-1252
/// into UTF-8. The forms come in through an ExportSet.
class Export {
public:
    /// Removes the file of an export neither finished nor abandoned.
    virtual ~Export();
    Export(const Export&) = delete;
    Export& operator=(const Export&) = delete;

    /// The facts of the next selected form.
    virtual void write(const FormFacts& facts) = 0;
    /// Writes what comes after the forms and gives the file its name; false with err filled,
    /// naming path().
    bool finish(std::string* err);
    /// Removes the file (and its companions): the run was stopped or refused.
    void abandon();
    /// Creates the file, and its companions, and writes what comes before the forms; once,
    /// before the first form (make() calls it). False with err filled on failure.
    bool create(std::string* err);
    const std::string& path() const { return m_path; }
    /// Whether finish() gave the file its name.
    bool finished() const { return m_finished; }

    /// The export of path by its extension: .csv, .jsonl, .geojson or .svg in any letter case.
    /// Its file is created at once; nullptr with err filled when the extension is none of these
    /// or the file cannot be created.
    static std::unique_ptr<Export> make(search::FileSystem& files, const std::string& path,
                                        const ExportContext& context, std::string* err);
    /// The export of path in format, whatever its name: "-", standard output as the file system
    /// gives it, has no files beside it.
    static std::unique_ptr<Export> make(search::FileSystem& files, const std::string& path, const ExportFormat& format,
                                        const ExportContext& context, std::string* err);
    /// Whether path ends in an extension that names an export format.
    static bool knownExtension(const std::string& path);
    /// The files an export to path writes: path, and the files beside it (out.csv => out.csv,
    /// out.csvt; out.geojson => out.geojson, out.squares.geojson).
    static std::vector<std::string> filesOf(const std::string& path);
    /// Whether the exports can be written without harm to the run: none of them is one of
    /// the form files read, one of the files the run writes (outputs, the paths of its reports)
    /// or another export, by name, through links or by the entry a rename replaces. False with
    /// message filled, naming both files: "/d/x.csv: it is /d/kerforms.htm, which this search
    /// writes; choose another name for the export".
    static bool distinctFiles(search::FileSystem& files, const std::vector<std::string>& exports,
                              const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                              std::string* message);

protected:
    Export(search::FileSystem& files, std::string path);
    /// What comes before the forms; called once the file is created.
    virtual void writeStart() {}
    /// Creates the files written beside this one (each created with create()), which are
    /// finished before it and abandoned with it; false with err filled on failure.
    virtual bool createCompanions(std::string* /*err*/) { return true; }
    void addCompanion(std::unique_ptr<Export> companion) { m_companions.push_back(std::move(companion)); }
    /// Whether the last part of path is a name the file system takes (255 bytes at most): a
    /// companion whose name would be longer is not written.
    static bool nameFits(const std::string& path);
    const std::vector<std::unique_ptr<Export>>& companions() const { return m_companions; }
    /// What comes after the forms.
    virtual void writeEnd() {}
    search::OutputFile& out() { return *m_file; }
    search::FileSystem& files() { return m_files; }
    /// Makes finish() fail with reason, the first one given, when the export cannot be whole.
    void fail(const std::string& reason) {
        if (m_failure.empty()) m_failure = reason;
    }

private:
    search::FileSystem& m_files;
    std::string m_path;
    std::unique_ptr<search::PendingFile> m_file;
    std::string m_failure;
    bool m_finished = false;
    std::vector<std::unique_ptr<Export>> m_companions;
};

} // namespace exports

#endif // EXPORTS_EXPORT_H
